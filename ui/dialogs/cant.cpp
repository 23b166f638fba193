#include "ui/dialogs/cant.h"

#include "ui/twips.h"

#include <QLabel>
#include <QPushButton>

cant::cant(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("cant"));
    setWindowTitle(QString());
    // No title on screen; a screen reader still says what the box is about.
    setAccessibleName(QStringLiteral("Can't open file"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(Twips::toPx(2580), Twips::toPx(1044));

    Label1 = new QLabel(QStringLiteral("Sorry - Can't open this file."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    // Wider than the form's first design (to 45 twips from the edge): the
    // caption is read whole in this program's font.
    Twips::place(Label1, 90, 90, 2445, 315);

    OK = new QPushButton(QStringLiteral("OK"), this);
    OK->setObjectName(QStringLiteral("OK"));
    OK->setDefault(true);
    Twips::place(OK, 270, 510, 2055, 435);
    connect(OK, &QPushButton::clicked, this, &cant::OK_Click);
    OK->setFocus();
    Form_Load();
}

void cant::Form_Load() {
    const QWidget* owner = parentWidget();
    if (!owner) {
        return;
    }
    const QPoint at = owner->window()->frameGeometry().topLeft();
    move(Twips::toPx(Twips::fromPx(at.x()) + 90), Twips::toPx(Twips::fromPx(at.y()) + 550));
}

void cant::OK_Click() {
    accept();
}
