#pragma once

#include "store/uiservices.h"

#include <QPointer>

class HelpViewer;

// The platform's own dialogs, beep, screen and help window.
class QtUiServices final : public UiServices {
public:
    QtUiServices();
    ~QtUiServices() override;
    int execModal(QDialog& dialog) override;
    QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                         const QString& filter, int* filterIndex) override;
    QString saveFileName(QWidget* parent, const QString& caption, const QString& folder,
                         const QString& filter, int* filterIndex) override;
    void beep() override;
    void showHelp(const QString& helpFile) override;
    QSize screenSizeTwips() override;
    QSize availableSizeTwips() override;
    void showError(QWidget* parent, const QString& message) override;
    bool waitForAccess(QWidget* parent, const TryLock& tryLock, int retryMs) override;
    int ask(QWidget* parent, const QString& question, const QStringList& answers) override;

private:
    QPointer<HelpViewer> m_help;
};
