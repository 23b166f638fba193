#include "fakeuiservices.h"

#include "ui/net/waiting.h"

#include <QDialog>

int FakeUiServices::execModal(QDialog& dialog) {
    modalsShown.append(dialog.objectName());
    if (onModal && onModal(dialog)) {
        return modalResult;
    }
    return dialog.exec();
}

int FakeUiServices::ask(QWidget*, const QString& question, const QStringList& offered) {
    questions.append(question);
    lastAnswers = offered;
    if (answers.empty()) {
        return -1;
    }
    const int a = answers.front();
    answers.pop_front();
    return a;
}

QString FakeUiServices::openFileName(QWidget*, const QString& caption, const QString& folder,
                                     const QString& filter, int* filterIndex) {
    fileDialogs.push_back({caption, folder, filter, filterIndex ? *filterIndex : -1});
    if (filterIndex && nextFilterIndex > 0) {
        *filterIndex = nextFilterIndex;
    }
    return nextFileName;
}

bool FakeUiServices::waitForAccess(QWidget* parent, const TryLock& tryLock, int retryMs) {
    return Waiting::run(*this, parent, tryLock, retryMs);
}
