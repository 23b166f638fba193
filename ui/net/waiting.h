#pragma once

#include "store/uiservices.h"

#include <QDialog>
#include <QSet>
#include <QSize>

#include <functional>

class QFrame;
class QLabel;
class QPushButton;
class QTimer;

// The Waiting dialog: "Waiting for access" with "Cancel", centred on the
// screen. It tries the lock on a short timer while events run, and closes by
// itself (accepted) as soon as an attempt succeeds, or (rejected) on Cancel.
// It only tries; what a success or a cancel means is up to its caller.
//
// An attempt that fails for a reason other than another holder (the folder
// is gone, access is refused) puts that reason under the text, so the user
// knows that waiting will not help and Cancel is the way out.
class Waiting final : public QDialog {
    Q_OBJECT
public:
    // `tryLock` makes one attempt: true when the lock is held; otherwise it
    // sets the reason, empty while the lock is only busy.
    using TryLock = UiServices::TryLock;
    Waiting(TryLock tryLock, int retryMs, QSize screenTwips, QWidget* parent = nullptr);

    // Shows the dialog through `services` (so a test can script it): true
    // once the lock is held, false on Cancel.
    static bool run(UiServices& services, QWidget* parent, const TryLock& tryLock, int retryMs);

    int cancelFlag() const { return m_cancel; }

    QFrame* Frame1;
    QLabel* Label1;
    QLabel* Reason;
    QPushButton* CancelBtn;

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CancelBtn_Click();
    void attempt();
    void fitReason();

    // The form's size and the place of the reason and the button, in twips.
    static constexpr int kWidth = 3600;
    static constexpr int kHeight = 2100;
    static constexpr int kReasonHeight = 600;
    static constexpr int kCancelTop = 1560;

    TryLock m_tryLock;
    QTimer* m_timer;
    int m_cancel = 0;
    QSet<int> m_keysDown; // keys pressed since the dialog opened
};
