#pragma once

#include "store/uiservices.h"
#include "ui/net/waiting.h"

#include <QDialog>

#include <cstdio>
#include <functional>

// The benchmarks run offscreen unless a platform is chosen (Xvfb for the
// start-up figures); called before the application is made.
inline void offscreenUnlessChosen() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

// The platform's services as the benchmarks and tools need them: dialogs
// run for real unless answered, messages go to standard error, nothing asks.
class BenchServices final : public UiServices {
public:
    // Answers modal dialogs without showing them, where a benchmark sets it.
    std::function<int(QDialog&)> answerModal;
    int execModal(QDialog& d) override { return answerModal ? answerModal(d) : d.exec(); }
    QString openFileName(QWidget*, const QString&, const QString&, const QString&, int*) override {
        return {};
    }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&, int*) override {
        return {};
    }
    void beep() override {}
    void showHelp(const QString&) override {}
    QSize screenSizeTwips() override { return {15360, 11520}; }
    QSize availableSizeTwips() override { return {15360, 11520}; }
    void showError(QWidget*, const QString& message) override {
        ++errors;
        lastMessage = message;
        std::fprintf(stderr, "%s\n", qPrintable(message));
    }
    int errors = 0; // messages shown
    QString lastMessage;
    int ask(QWidget*, const QString&, const QStringList&) override { return -1; }
    bool waitForAccess(QWidget* parent, const TryLock& tryLock, int retryMs) override {
        return Waiting::run(*this, parent, tryLock, retryMs);
    }
};
