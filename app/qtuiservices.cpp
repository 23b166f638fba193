#include "app/qtuiservices.h"

#include "app/helpviewer.h"
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

QString QtUiServices::openFileName(QWidget* parent, const QString& caption, const QString& folder,
                                   const QString& filter) {
    return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

QString QtUiServices::saveFileName(QWidget* parent, const QString& caption, const QString& folder,
                                   const QString& filter) {
    return QFileDialog::getSaveFileName(parent, caption, folder, filter);
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
    box.exec();
    return static_cast<int>(buttons.indexOf(box.clickedButton()));
}
