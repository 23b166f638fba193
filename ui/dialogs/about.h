#pragma once

#include <QDialog>

class QPushButton;

// The about box: the program's icon, name and version, and OK. It sees every
// key before its controls: Esc closes it; otherwise only OK does (clicked,
// or Enter or Space while it has the focus, as any focused button takes them).
class about final : public QDialog {
    Q_OBJECT
public:
    explicit about(QWidget* parent = nullptr);

    QPushButton* OK = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
