#include "ui/net/pass.h"

#include "core/codepage.h"
#include "core/nameindex.h"
#include "store/module1.h"
#include "store/uiservices.h"
#include "ui/net/passwordbox.h"
#include "ui/twips.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace {

constexpr int kWidth = 5040;
constexpr int kHeight = 1860;

} // namespace

Pass::Pass(Module1& module, QWidget* parent) : QDialog(parent), m(module) {
    setObjectName(QStringLiteral("Pass"));
    setWindowTitle(QStringLiteral("Change Password"));
    if (parent) {
        setFont(parent->font());
    }
    setFixedSize(Twips::toPx(kWidth), Twips::toPx(kHeight));
    const std::array<QString, 2> captions = {QStringLiteral("Old Password"),
                                             QStringLiteral("New Password")};
    for (int i = 0; i < 2; ++i) {
        Caption[i] = new QLabel(captions[i], this);
        Caption[i]->setTextFormat(Qt::PlainText);
        Twips::place(Caption[i], 120, 195 + 450 * i, 1500, 285);
        Password[i] = new PasswordBox(this);
        Password[i]->setObjectName(QStringLiteral("Password%1").arg(i));
        Password[i]->setAccessibleName(captions[i]);
        Password[i]->setMaxLength(MaxLength);
        // Shown as typed: the new password is typed once, with no second box
        // to confirm it, so the user must be able to read what is stored.
        Password[i]->setEchoMode(QLineEdit::Normal);
        Caption[i]->setBuddy(Password[i]);
        Twips::place(Password[i], 1680, 165 + 450 * i, 1980, 330);
        Password[i]->installEventFilter(this);
    }
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    Twips::place(OKBtn, 3840, 120, 1080, 390);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    Twips::place(CancelBtn, 3840, 570, 1080, 390);
    for (QPushButton* b : {OKBtn, CancelBtn}) {
        // Enter is this dialog's own key: no button takes it on its own.
        b->setAutoDefault(false);
        b->installEventFilter(this);
    }
    m_notice = new QLabel(this);
    m_notice->setTextFormat(Qt::PlainText);
    m_notice->setWordWrap(true);
    m_notice->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Shown with its message only: an empty notice is no control to read out.
    m_notice->hide();
    Twips::place(m_notice, 120, 1080, 4800, 660);
    // The dialog sees every key before its controls do.
    installEventFilter(this);
    connect(OKBtn, &QPushButton::clicked, this, &Pass::OKBtn_Click);
    connect(CancelBtn, &QPushButton::clicked, this, &Pass::CancelBtn_Click);
    Form_Load();
}

void Pass::Form_Load() {
    const QSize screen = m.services.screenSizeTwips();
    move(Twips::toPx((screen.width() - kWidth) / 2), Twips::toPx((screen.height() - kHeight) / 2));
    m_password = NameIndex::trimmed(m.S.ChangePassword);
    m_lastFocus = 0;
    Password[0]->setFocus();
}

QString Pass::notice() const {
    return m_notice->text();
}

void Pass::Password_GotFocus(int Index) {
    m_lastFocus = Index;
    // With no password set there is no old one to type.
    if (m_password.isEmpty() && Index == 0) {
        Password[1]->setFocus();
    }
}

void Pass::OKBtn_Click() {
    if (Password[0]->text().toUpper() != m_password.toUpper()) {
        m.services.beep();
        Password[0]->setFocus();
        return;
    }
    // A character the settings cannot hold would be stored as another one,
    // and the password typed later would never match it.
    const QString next = Password[1]->text();
    if (std::ranges::any_of(next, [](QChar c) { return !CodePage::canHold(c); })) {
        m.services.beep();
        m_notice->setText(QStringLiteral("The new password holds a character that cannot be "
                                         "kept. Please use letters, digits and the usual "
                                         "signs."));
        m_notice->show();
        Password[1]->setFocus();
        return;
    }
    m.S.setChangePassword(next);
    m.WriteSettings();
    accept();
}

void Pass::CancelBtn_Click() {
    reject();
}

// Enter and Esc give no character and no beep; they act when let go, and
// only when they were pressed here (the press that opened this dialog does not
// count).
bool Pass::keyPreview(QKeyEvent* event) {
    const int key = event->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Escape) {
        return false;
    }
    if (event->type() == QEvent::KeyPress) {
        m_keyDown = key;
        return true;
    }
    if (event->isAutoRepeat() || m_keyDown != key) {
        return true;
    }
    m_keyDown = 0;
    if (key == Qt::Key_Escape) {
        CancelBtn_Click();
    } else if (m_lastFocus != 0) {
        OKBtn_Click();
    } else {
        Password[1]->setFocus();
    }
    return true;
}

bool Pass::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (keyPreview(static_cast<QKeyEvent*>(event))) {
            return true;
        }
        break;
    case QEvent::FocusIn:
        for (int i = 0; i < 2; ++i) {
            if (watched == Password[i]) {
                Password_GotFocus(i);
            }
        }
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}
