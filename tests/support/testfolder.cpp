#include "testfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

TestFolder::TestFolder() { EXPECT_TRUE(m_dir.isValid()); }

QByteArray TestFolder::read(const QString& name) const {
    QFile f(file(name));
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return f.readAll();
}

bool TestFolder::exists(const QString& name) const { return QFileInfo::exists(file(name)); }

void TestFolder::write(const QString& name, const QByteArray& bytes) const {
    QFile f(file(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QString TestFolder::mkdir(const QString& name) const {
    QDir().mkpath(file(name));
    return file(name) + QLatin1Char('/');
}

QString TestFolder::installProgram() const {
    const QString target = file(QStringLiteral("quillo"));
    QFile::copy(binDir() + QStringLiteral("/quillo"), target);
    QFile::copy(binDir() + QStringLiteral("/quillo.hlp"), file(QStringLiteral("quillo.hlp")));
    return target;
}

QString binDir() { return QStringLiteral(QUILLO_BIN_DIR); }

QByteArray field(const QByteArray& name) {
    QByteArray f = name;
    f.append(40 - f.size(), ' ');
    return f;
}
