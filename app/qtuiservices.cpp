#include "app/qtuiservices.h"

#include "app/helpviewer.h"
#include "ui/net/waiting.h"
#include "ui/twips.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

QtUiServices::QtUiServices() = default;

QtUiServices::~QtUiServices() {
    delete m_help;
}

int QtUiServices::execModal(QDialog& dialog) {
    return dialog.exec();
}

namespace {

// One file dialog, its filters and the chosen one read back as 1-based
// indexes. The open dialog accepts a name that does not exist yet: opening
// it creates the file.
QString runFileDialog(QWidget* parent, const QString& caption, const QString& folder,
                      const QString& filter, int* filterIndex, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent, caption, folder, filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList filters = dialog.nameFilters();
    if (filterIndex && *filterIndex >= 1 && *filterIndex <= filters.size()) {
        dialog.selectNameFilter(filters.at(*filterIndex - 1));
    }
    const bool accepted = dialog.exec() == QDialog::Accepted;
    const qsizetype chosen = filters.indexOf(dialog.selectedNameFilter());
    if (filterIndex && chosen >= 0) {
        *filterIndex = static_cast<int>(chosen + 1);
    }
    const QStringList files = dialog.selectedFiles();
    return accepted && !files.isEmpty() ? files.constFirst() : QString();
}

} // namespace

QString QtUiServices::openFileName(QWidget* parent, const QString& caption, const QString& folder,
                                   const QString& filter, int* filterIndex) {
    return runFileDialog(parent, caption, folder, filter, filterIndex, QFileDialog::AcceptOpen);
}

QString QtUiServices::saveFileName(QWidget* parent, const QString& caption, const QString& folder,
                                   const QString& filter, int* filterIndex) {
    return runFileDialog(parent, caption, folder, filter, filterIndex, QFileDialog::AcceptSave);
}

void QtUiServices::beep() {
    QApplication::beep();
}

void QtUiServices::showHelp(const QString& helpFile) {
    if (!m_help) {
        m_help = new HelpViewer;
    }
    m_help->showFile(helpFile);
}

QSize QtUiServices::screenSizeTwips() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize px = screen ? screen->size() : QSize(1024, 768);
    return {Twips::fromPx(px.width()), Twips::fromPx(px.height())};
}

QSize QtUiServices::availableSizeTwips() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize px = screen ? screen->availableSize() : QSize(1024, 768);
    return {Twips::fromPx(px.width()), Twips::fromPx(px.height())};
}

void QtUiServices::showError(QWidget* parent, const QString& message) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral(" Quillo Pad"), message, QMessageBox::Ok,
                    parent);
    box.exec();
}

int QtUiServices::ask(QWidget* parent, const QString& question, const QStringList& answers) {
    QMessageBox box(QMessageBox::Question, QStringLiteral(" Quillo Pad"), question,
                    QMessageBox::NoButton, parent);
    QList<QAbstractButton*> buttons;
    for (const QString& answer : answers) {
        buttons.append(box.addButton(answer, QMessageBox::AcceptRole));
    }
    if (!buttons.isEmpty()) {
        box.setDefaultButton(qobject_cast<QPushButton*>(buttons.last()));
        box.setEscapeButton(buttons.last());
    }
    box.exec();
    return static_cast<int>(buttons.indexOf(box.clickedButton()));
}

bool QtUiServices::waitForAccess(QWidget* parent, const TryLock& tryLock, int retryMs) {
    return Waiting::run(*this, parent, tryLock, retryMs);
}
