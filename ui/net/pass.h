#pragma once

#include <QDialog>
#include <QString>

#include <array>

class Module1;
class QLabel;
class QLineEdit;
class QPushButton;

// The change-password dialog: the old password (skipped while none is set)
// and the new one, compared without regard to letter case. Enter and Esc act
// when they are let go: Esc cancels, Enter moves from the old box to the new
// one and in the new box means OK.
class Pass final : public QDialog {
    Q_OBJECT
public:
    explicit Pass(Module1& module, QWidget* parent = nullptr);

    static constexpr int MaxLength = 20;

    std::array<QLabel*, 2> Caption{};
    std::array<QLineEdit*, 2> Password{}; // 0 old, 1 new
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

    // Why OK refused the new password; empty otherwise.
    QString notice() const;

private:
    void Form_Load();
    void Password_GotFocus(int Index);
    void OKBtn_Click();
    void CancelBtn_Click();
    bool keyPreview(QKeyEvent* event);
    bool eventFilter(QObject* watched, QEvent* event) override;

    Module1& m;
    QLabel* m_notice = nullptr;
    QString m_password;  // the current password, read at opening
    int m_lastFocus = 0; // the password box that last took the focus
    int m_keyDown = 0;   // Enter or Esc pressed here and not yet let go
};
