#include "ui/net/passwordbox.h"

PasswordBox::PasswordBox(QWidget* parent) : QLineEdit(parent) {
    setEchoMode(QLineEdit::Password);
    setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
}
