#pragma once

#include <QLineEdit>

// A name edit box: at most 40 characters, the width of a name field, and
// only characters the store can hold (others become '?' as they are typed).
class NameEdit final : public QLineEdit {
    Q_OBJECT
public:
    explicit NameEdit(QWidget* parent);

private:
    void onTextEdited(const QString& text);
};
