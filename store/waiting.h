#pragma once

#include <QDialog>
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
class Waiting final : public QDialog {
    Q_OBJECT
public:
    Waiting(std::function<bool()> tryLock, int retryMs, QSize screenTwips,
            QWidget* parent = nullptr);

    int cancelFlag() const { return m_cancel; }

    QFrame* Frame1;
    QLabel* Label1;
    QPushButton* CancelBtn;

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    void CancelBtn_Click();
    void attempt();

    std::function<bool()> m_tryLock;
    QTimer* m_timer;
    int m_cancel = 0;
};
