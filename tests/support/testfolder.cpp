#include "testfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include "core/settingsrecord.h"

#include <gtest/gtest.h>

TestFolder::TestFolder() : m_dir(reachableTempPath() + QStringLiteral("/quillo-test-XXXXXX")) {
    EXPECT_TRUE(m_dir.isValid());
}

QString reachableTempPath() {
    const QString temp = QDir(QDir::tempPath()).canonicalPath();
    if (!(QFileInfo(temp).permissions() & QFileDevice::WriteOther)) {
        return QStringLiteral("/tmp"); // a child that drops root makes its own folders here too
    }
    for (QString up = temp; up != QLatin1String("/"); up = QFileInfo(up).path()) {
        if (!(QFileInfo(up).permissions() & QFileDevice::ExeOther)) {
            return QStringLiteral("/tmp");
        }
    }
    return temp;
}

QMap<QString, QByteArray> TestFolder::snapshot(bool hidden) const {
    QMap<QString, QByteArray> all;
    for (const QString& f :
         QDir(path()).entryList(hidden ? QDir::Files | QDir::Hidden : QDir::Files)) {
        all.insert(f, read(f));
    }
    return all;
}

QStringList TestFolder::files(const QString& sub) const {
    return QDir(file(sub)).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QByteArray TestFolder::read(const QString& name) const {
    QFile f(file(name));
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return f.readAll();
}

bool TestFolder::exists(const QString& name) const {
    return QFileInfo::exists(file(name));
}

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

QString binDir() {
    return QStringLiteral(QUILLO_BIN_DIR);
}

mode_t modeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

QByteArray le16(int v) {
    QByteArray out(2, '\0');
    qToLittleEndian(static_cast<qint16>(v), out.data());
    return out;
}

QByteArray le32(quint32 v) {
    QByteArray out(4, '\0');
    qToLittleEndian(v, out.data());
    return out;
}

QByteArray names(std::initializer_list<QByteArray> first, int count) {
    QByteArray out;
    for (const QByteArray& n : first) {
        out += field(n);
    }
    return out + QByteArray((count - static_cast<int>(first.size())) * 40, ' ');
}

void writeSettings(const TestFolder& dir, const std::function<void(SettingsRecord&)>& change) {
    SettingsRecord r;
    change(r);
    dir.write(QStringLiteral("quillo.ini"), r.toBytes());
}

QString useNetworkFolder(const TestFolder& dir) {
    const QString net = dir.mkdir(QStringLiteral("net"));
    writeSettings(dir, [&](SettingsRecord& r) {
        r.NetworkMode = 1;
        r.setNetworkFolder(net.chopped(1)); // as a user types it
    });
    return net;
}

QByteArray storedNote(const QByteArray& text, char wrap) {
    return text + wrap + '\0';
}

QByteArray field(const QByteArray& name) {
    QByteArray f = name;
    f.append(40 - f.size(), ' ');
    return f;
}
