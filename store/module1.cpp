#include "store/module1.h"

#include "app/uiservices.h"
#include "store/filelayer.h"
#include "store/notetext.h"

#include <QPlainTextEdit>
#include <QWidget>

Module1::Module1(UiServices& uiServices, const QString& appFolder, QObject* parent)
    : QObject(parent), AppFolder(withSeparator(appFolder)), StoreFolder(AppFolder),
      HelpFile(AppFolder + QStringLiteral("quillo.hlp")), services(uiServices) {}

QString Module1::withSeparator(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

void Module1::ReadSettings() {
    const ReadResult r = FileLayer::readAll(settingsPath());
    if (const auto record = SettingsRecord::fromBytes(r.data); r.result && record) {
        S = *record;
        return;
    }
    // A settings file that cannot be read counts as missing, as a damaged
    // one does; if it cannot be written either, WriteSettings tells the user.
    S = SettingsRecord::defaults(services.screenSizeTwips().width());
    WriteSettings();
}

void Module1::WriteSettings() {
    // The record holds the change password in plain text: owner only.
    const FileResult r = FileLayer::writeAtomic(settingsPath(), S.toBytes(), 0600);
    if (!r && !m_settingsFailureShown) {
        // Told once: the settings stay in memory and every later change
        // tries the file again.
        m_settingsFailureShown = true;
        services.showError(controls.window,
                           r.message() + QStringLiteral("\n\nYour settings are kept while the "
                                                        "program runs but may not be there "
                                                        "next time."));
    } else if (r) {
        m_settingsFailureShown = false;
    }
}

QString Module1::itemIndexPath(int group) const {
    return StoreFolder + QStringLiteral("items%1.dir").arg(group);
}

QString Module1::notePath(int group, int item) const {
    return StoreFolder + QStringLiteral("quil%1.%2").arg(group).arg(item);
}

QString Module1::transferNotePath(int slot) const {
    return AppFolder + QStringLiteral("trans.%1").arg(slot);
}

QPlainTextEdit* Module1::noteBox() const {
    return controls.Txt.at(S.WordWrap != 0 ? 1 : 0);
}

QString Module1::noteText() const {
    return NoteText::get(noteBox());
}

void Module1::focusNote() const {
    QPlainTextEdit* box = noteBox();
    if (box && box->isVisible()) {
        box->setFocus(Qt::OtherFocusReason);
    }
}

bool Module1::report(const FileResult& result) {
    if (!result) {
        services.showError(controls.window, result.message());
    }
    return result.ok();
}
