#include "app/programfolder.h"

#include <QDir>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kHelp = QStringLiteral("quillo.hlp");

bool mayWrite(const QString& folder) {
    // The effective ids decide, as for every later write; a read-only mount
    // counts as not writable even for root. The folder must also be this
    // account's own: in a folder several accounts can write, one account's
    // settings, local store, journal and recovery file would be another's.
    const QByteArray name = QFile::encodeName(folder);
    struct stat st {};
    return ::stat(name.constData(), &st) == 0 && st.st_uid == ::geteuid() &&
           ::faccessat(AT_FDCWD, name.constData(), W_OK | X_OK, AT_EACCESS) == 0;
}

QString dataFolder(const QString& xdgDataHome, const QString& home) {
    const QString base =
        QDir::isAbsolutePath(xdgDataHome) ? xdgDataHome : home + QStringLiteral("/.local/share");
    const QString folder = QDir::cleanPath(base + QStringLiteral("/quillo-pad"));
    if (!QFileInfo::exists(folder)) {
        QDir().mkpath(base);
        // The settings file holds the change password: only the owner may look in.
        ::mkdir(QFile::encodeName(folder).constData(), 0700);
    }
    return folder + QLatin1Char('/');
}

} // namespace

ProgramFolder ChooseProgramFolder(const QString& exeFolder, const QString& xdgDataHome,
                                  const QString& home) {
    const QString exe = QDir::cleanPath(exeFolder);
    const QString helpBeside = exe + QLatin1Char('/') + kHelp;
    const QString installedHelp =
        QDir::cleanPath(exe + QStringLiteral("/../share/quillo-pad/") + kHelp);
    // An installed copy never writes into its installation, even when it
    // could (run by root, or installed into the user's own prefix).
    const bool installed = !QFileInfo::exists(helpBeside) && QFileInfo::exists(installedHelp);

    ProgramFolder f;
    f.AppFolder =
        !installed && mayWrite(exe) ? exe + QLatin1Char('/') : dataFolder(xdgDataHome, home);
    f.HelpFile = f.AppFolder + kHelp;
    for (const QString& candidate : {f.HelpFile, helpBeside, installedHelp}) {
        if (QFileInfo::exists(candidate)) {
            f.HelpFile = candidate;
            break;
        }
    }
    return f;
}
