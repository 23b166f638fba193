#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>

class QDialog;
class QWidget;

// What the program's logic needs from the platform that a test must be able
// to replace: modal dialogs, the file dialogs, the beep, the help viewer, the
// screen size and messages to the user. The real implementation calls Qt;
// the tests' double scripts answers and records what was shown.
class UiServices {
public:
    virtual ~UiServices() = default;

    // Shows the dialog modally and returns its result code when it closes.
    virtual int execModal(QDialog& dialog) = 0;
    // The file dialogs return the chosen path, or an empty one on Cancel.
    // `filter` holds the filters in Qt's syntax, separated by ";;". Where
    // `filterIndex` is given, it names the filter preselected (1 for the
    // first; 0 for the first as well) and receives the one the user had
    // chosen when the dialog closed. `folder` may name a file: it is then
    // preselected in its folder.
    virtual QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                                 const QString& filter, int* filterIndex = nullptr) = 0;
    virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& folder,
                                 const QString& filter, int* filterIndex = nullptr) = 0;
    virtual void beep() = 0;
    virtual void showHelp(const QString& helpFile) = 0;
    // Screen size in twips, 15 per pixel.
    virtual QSize screenSizeTwips() = 0;
    // The part of the screen a window may use (less panels and docks), in twips.
    virtual QSize availableSizeTwips() = 0;
    // A failure the user must know about, in plain words.
    virtual void showError(QWidget* parent, const QString& message) = 0;
    // A question with the given answers; returns the index of the one chosen,
    // or -1 when the question was closed without an answer. The last answer
    // is the one that changes nothing: Enter and Escape give it, so that a
    // key still held from the step before cannot answer for the user.
    virtual int ask(QWidget* parent, const QString& question, const QStringList& answers) = 0;
    // The Waiting dialog: `tryLock` makes one attempt (true when the lock is
    // held; otherwise it sets the reason, empty while the lock is only busy),
    // repeated every `retryMs` while events run. True once an attempt held
    // the lock, false when the user pressed Cancel.
    using TryLock = std::function<bool(QString* reason)>;
    virtual bool waitForAccess(QWidget* parent, const TryLock& tryLock, int retryMs) = 0;
};
