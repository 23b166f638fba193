#pragma once

#include <QLineEdit>

// A box for the change password: every character shows as "*", and like
// every password box it refuses copy, cut and dragging out, so the password
// never reaches the screen or the clipboard.
class PasswordBox final : public QLineEdit {
    Q_OBJECT
public:
    explicit PasswordBox(QWidget* parent);
};
