#include "ui/net/waiting.h"

#include "ui/twips.h"

#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

bool Waiting::run(UiServices& services, QWidget* parent, const TryLock& tryLock, int retryMs) {
    Waiting dialog(tryLock, retryMs, services.screenSizeTwips(), parent);
    return services.execModal(dialog) == QDialog::Accepted;
}

Waiting::Waiting(TryLock tryLock, int retryMs, QSize screenTwips, QWidget* parent)
    : QDialog(parent), Frame1(new QFrame(this)), Label1(new QLabel(Frame1)),
      Reason(new QLabel(this)), CancelBtn(new QPushButton(QStringLiteral("Cancel"), this)),
      m_tryLock(std::move(tryLock)), m_timer(new QTimer(this)) {
    setObjectName(QStringLiteral("Waiting"));
    setWindowTitle(QStringLiteral(" Quillo Pad"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(Twips::toPx(kWidth), Twips::toPx(kHeight));
    // Form_Load: centred on the screen.
    move(Twips::toPx((screenTwips.width() - kWidth) / 2),
         Twips::toPx((screenTwips.height() - kHeight) / 2));
    Frame1->setFrameShape(QFrame::Box);
    Frame1->setAccessibleName(QStringLiteral("Waiting for access"));
    Twips::place(Frame1, 120, 90, 3360, 720);
    Label1->setText(QStringLiteral("Waiting for access"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setAlignment(Qt::AlignCenter);
    Twips::place(Label1, 60, 180, 3240, 360);
    Reason->setTextFormat(Qt::PlainText);
    Reason->setWordWrap(true);
    Reason->setAlignment(Qt::AlignCenter);
    Reason->hide();
    Twips::place(Reason, 120, 870, 3360, kReasonHeight);
    Twips::place(CancelBtn, 1200, kCancelTop, 1200, 420);
    CancelBtn->setDefault(true);
    connect(CancelBtn, &QPushButton::clicked, this, &Waiting::CancelBtn_Click);
    // Short pauses between attempts: events keep running, the processor and
    // the file server are spared.
    m_timer->setInterval(retryMs);
    connect(m_timer, &QTimer::timeout, this, &Waiting::attempt);
    installEventFilter(this);
    CancelBtn->installEventFilter(this);
}

void Waiting::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CancelBtn->setFocus();
    m_timer->start();
}

void Waiting::CancelBtn_Click() {
    m_cancel = 1;
}

// Esc and the close box mean Cancel too.
void Waiting::reject() {
    m_cancel = 1;
    m_timer->stop();
    QDialog::reject();
}

// A key that was already held when the dialog opened (Enter, finishing a
// name) repeats and is let go here; only a key pressed in the dialog acts.
bool Waiting::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->isAutoRepeat() && !m_keysDown.contains(key->key())) {
            return true;
        }
        m_keysDown.insert(key->key());
    } else if (event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!key->isAutoRepeat() && !m_keysDown.remove(key->key())) {
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Waiting::attempt() {
    if (m_cancel == 1) {
        reject();
        return;
    }
    QString reason;
    if (m_tryLock(&reason)) {
        m_timer->stop();
        accept();
        return;
    }
    const QString shown = reason.isEmpty()
                              ? QString()
                              : reason + QStringLiteral("\nCancel returns to your local notes.");
    if (Reason->text() != shown) {
        Reason->setText(shown);
        Reason->setVisible(!shown.isEmpty());
        fitReason();
    }
}

// A reason longer than its place (a large font, a long system message)
// makes the dialog taller, so that it is read whole above the button.
void Waiting::fitReason() {
    const int extra = qMax(0, Reason->heightForWidth(Reason->width()) - Twips::toPx(kReasonHeight));
    Reason->resize(Reason->width(), Twips::toPx(kReasonHeight) + extra);
    CancelBtn->move(CancelBtn->x(), Twips::toPx(kCancelTop) + extra);
    setFixedSize(Twips::toPx(kWidth), Twips::toPx(kHeight) + extra);
}
