#include "store/waiting.h"

#include "ui/twips.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

Waiting::Waiting(std::function<bool()> tryLock, int retryMs, QSize screenTwips, QWidget* parent)
    : QDialog(parent), Frame1(new QFrame(this)), Label1(new QLabel(Frame1)),
      CancelBtn(new QPushButton(QStringLiteral("Cancel"), this)), m_tryLock(std::move(tryLock)),
      m_timer(new QTimer(this)) {
    setObjectName(QStringLiteral("Waiting"));
    setWindowTitle(QStringLiteral(" Quillo Pad"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    const int width = 3600;
    const int height = 1700;
    setFixedSize(Twips::toPx(width), Twips::toPx(height));
    // Form_Load: centred on the screen.
    move(Twips::toPx((screenTwips.width() - width) / 2),
         Twips::toPx((screenTwips.height() - height) / 2));
    Frame1->setFrameShape(QFrame::Box);
    Twips::place(Frame1, 120, 90, 3360, 720);
    Label1->setText(QStringLiteral("Waiting for access"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setAlignment(Qt::AlignCenter);
    Twips::place(Label1, 60, 180, 3240, 360);
    Twips::place(CancelBtn, 1200, 1000, 1200, 420);
    CancelBtn->setDefault(true);
    connect(CancelBtn, &QPushButton::clicked, this, &Waiting::CancelBtn_Click);
    // Short pauses between attempts: events keep running, the processor and
    // the file server are spared.
    m_timer->setInterval(retryMs);
    connect(m_timer, &QTimer::timeout, this, &Waiting::attempt);
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

void Waiting::attempt() {
    if (m_cancel == 1) {
        reject();
        return;
    }
    if (m_tryLock()) {
        m_timer->stop();
        accept();
    }
}
