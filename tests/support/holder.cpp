#include "holder.h"

#include "testfolder.h"

#include "core/filelayer.h"
#include "core/settingsrecord.h"

QByteArray tryLockElsewhere(const QString& lockPath) {
    QProcess p;
    p.start(binDir() + QStringLiteral("/quillo_storetool"), {QStringLiteral("try"), lockPath});
    p.waitForFinished(10000);
    return p.readAllStandardOutput().trimmed();
}

Holder::Holder(const QString& lockPath) {
    m_process.start(binDir() + QStringLiteral("/quillo_storetool"),
                    {QStringLiteral("hold"), lockPath});
}

Holder::~Holder() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

bool Holder::waitUntilHeld() {
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(10000)) {
            return false;
        }
    }
    return m_process.readLine().trimmed() == "held";
}

void Holder::letGo() {
    m_process.closeWriteChannel();
    m_process.waitForFinished(10000);
}

void NetworkFixture::SetUp() {
    net = useNetworkFolder(dir);
    lock = net + QStringLiteral("quillo.loc");
}

QByteArray NetworkFixture::shared(const QString& name) const {
    return FileLayer::readAll(net + name).data;
}

void NetworkFixture::share(const QString& name, const QByteArray& bytes) const {
    FileLayer::writeAtomic(net + name, bytes);
}

qint16 NetworkFixture::storedMode() const {
    return SettingsRecord::fromBytes(dir.read(QStringLiteral("quillo.ini")))->NetworkMode;
}
