#include "fakeuiservices.h"

#include <QDialog>

int FakeUiServices::execModal(QDialog& dialog) {
    modalsShown.append(dialog.objectName());
    if (onModal && onModal(dialog)) {
        return modalResult;
    }
    return dialog.exec();
}

int FakeUiServices::ask(QWidget*, const QString& question, const QStringList&) {
    questions.append(question);
    if (answers.empty()) {
        return -1;
    }
    const int a = answers.front();
    answers.pop_front();
    return a;
}
