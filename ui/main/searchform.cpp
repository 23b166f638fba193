#include "ui/main/searchform.h"

#include "ui/programicon.h"
#include "ui/twips.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

SearchForm::SearchForm(QWidget* parent)
    : QDialog(parent), Label1(new QLabel(QStringLiteral("Enter the text to search for."), this)),
      Txt(new QLineEdit(this)), SearchBtn(new QPushButton(QStringLiteral("Search"), this)),
      CancelBtn(new QPushButton(QStringLiteral("Cancel"), this)),
      Label2(new QLabel(QStringLiteral("No More Matches !"), this)) {
    setObjectName(QStringLiteral("SearchForm"));
    setWindowTitle(QStringLiteral("Find"));
    setWindowIcon(programIcon());
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    Label1->setObjectName(QStringLiteral("Label1"));
    Txt->setObjectName(QStringLiteral("Txt"));
    SearchBtn->setObjectName(QStringLiteral("SearchBtn"));
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    Label2->setObjectName(QStringLiteral("Label2"));
    Label1->setTextFormat(Qt::PlainText);
    Label2->setTextFormat(Qt::PlainText);
    Label2->setAlignment(Qt::AlignCenter);
    Txt->setAccessibleName(Label1->text());
    Twips::place(Label1, 120, 120, 4440, 255);
    Twips::place(Txt, 120, 420, 4440, 330);
    Twips::place(SearchBtn, 960, 900, 1320, 390);
    Twips::place(CancelBtn, 2400, 900, 1320, 390);
    // Below the buttons, where only the tall dialog reaches.
    Twips::place(Label2, 120, ShortHeight, 4440, 270);
    for (QPushButton* b : {SearchBtn, CancelBtn}) {
        b->setAutoDefault(false);
    }
    connect(SearchBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    setTall(false);
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>()) {
        child->installEventFilter(this);
    }
    Txt->setFocus();
}

void SearchForm::setTall(bool tall) {
    setFixedSize(Twips::toPx(Width), Twips::toPx(tall ? TallHeight : ShortHeight));
    // Out of sight is out of reach too: a screen reader does not announce it.
    Label2->setVisible(tall);
}

void SearchForm::Form_Load(QPoint topLeft, qint16 NoMoreMatches, const QString& SearchText,
                           const QString& selectedText) {
    move(topLeft);
    Txt->setText(NoMoreMatches == 1 ? SearchText : selectedText);
    Txt->selectAll();
}

bool SearchForm::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease) {
        return QDialog::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (!enter && key->key() != Qt::Key_Escape) {
        return QDialog::eventFilter(watched, event);
    }
    // Swallowed either way. A key held down since before the dialog opened
    // (the Enter that started the last pass) only repeats here and does
    // nothing, so a held key cannot run pass after pass.
    if (type == QEvent::KeyPress && !key->isAutoRepeat() && isVisible()) {
        if (enter) {
            accept();
        } else {
            reject();
        }
    }
    return true;
}
