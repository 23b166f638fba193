#pragma once

#include <QObject>

class Module1;
class QWidget;

// F1 anywhere in the program, in the main window or in any of its dialogs,
// opens the help window on the program's help file. It sees the key before
// any control does, as the platform's help key would.
class HelpKey final : public QObject {
public:
    HelpKey(QWidget& mainWindow, Module1& module);
    ~HelpKey() override;

    // Queues F1 as if it were typed, to `target` (the focused control) when
    // that belongs to the program, else to the main window.
    void send(QWidget* target) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isProgramWidget(QObject* o) const;

    QWidget& m_window;
    Module1& m;
};
