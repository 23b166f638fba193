#pragma once

#include "store/uiservices.h"

#include <QSize>
#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

// The tests' stand-in for the platform: records what the program showed and
// answers with what the test scripted.
class FakeUiServices final : public UiServices {
public:
    // Called with each modal dialog while it is shown; by default the dialog
    // runs for real (its own timers close it). Return true to have the
    // script decide the result instead: `modalResult` is returned then.
    std::function<bool(QDialog&)> onModal;
    int modalResult = 0;
    QStringList modalsShown; // object names of the dialogs shown
    QStringList errors;      // every message shown
    QStringList questions;
    std::deque<int> answers; // scripted answers to questions; -1 when none left
    QStringList lastAnswers; // the answers the last question offered
    QStringList helpShown;
    QString nextFileName;    // what every file dialog answers; empty is Cancel
    int nextFilterIndex = 0; // the filter the user picks in it; 0 leaves the preselected one
    // Every file dialog shown: what it was handed.
    struct FileDialog {
        QString caption;
        QString folder;
        QString filter;
        int filterIndex = -1; // -1 when no index was passed
    };
    std::vector<FileDialog> fileDialogs;
    int beeps = 0;
    QSize screen{15360, 11520}; // 1024 x 768 pixels
    QSize available;            // the whole screen unless set

    int execModal(QDialog& dialog) override;
    QString openFileName(QWidget*, const QString& caption, const QString& folder,
                         const QString& filter, int* filterIndex) override;
    QString saveFileName(QWidget* parent, const QString& caption, const QString& folder,
                         const QString& filter, int* filterIndex) override {
        return openFileName(parent, caption, folder, filter, filterIndex);
    }
    void beep() override { ++beeps; }
    void showHelp(const QString& helpFile) override { helpShown.append(helpFile); }
    QSize screenSizeTwips() override { return screen; }
    QSize availableSizeTwips() override { return available.isValid() ? available : screen; }
    void showError(QWidget*, const QString& message) override {
        errors.append(message);
        if (onError) {
            onError(message);
        }
    }
    std::function<void(const QString&)> onError; // runs while the message is on screen
    bool waitForAccess(QWidget* parent, const TryLock& tryLock, int retryMs) override;
    int ask(QWidget*, const QString& question, const QStringList&) override;
};
