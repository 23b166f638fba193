#pragma once

#include <QDialog>

#include <array>

class Module1;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class edit;

// The options dialog: the four colours of the main window, start minimised
// and the layout size, each applied to the main window and saved the moment
// it is chosen; the network folder shown, and the way to the network folder
// and change-password dialogs. OK (as Esc and the close box) only paints the
// selection highlight back; there is nothing to undo.
class ColorForm final : public QDialog {
    Q_OBJECT
public:
    ColorForm(Module1& module, edit& mainWindow);

    // "White" (the system's window background), "Blue", "Green", "Yellow".
    static constexpr std::array<qint32, 4> ColorValues = {static_cast<qint32>(0x80000005U),
                                                          0x00FFFF00, 0x0000FF00, 0x0000FFFF};

    QGroupBox* Frame1 = nullptr; // "Colors"
    std::array<QLabel*, 4> ColorCaption{};
    std::array<QRadioButton*, 4> Pad{};
    std::array<QRadioButton*, 4> Items{};
    std::array<QRadioButton*, 4> Group{};
    std::array<QRadioButton*, 4> Trans{};
    QCheckBox* StartMin = nullptr;
    std::array<QRadioButton*, 2> SizeOption{};
    QGroupBox* Frame2 = nullptr; // the network folder
    QLineEdit* NetDir = nullptr;
    QPushButton* SetNetDir = nullptr;
    QPushButton* PasswordBtn = nullptr;
    QPushButton* OKBtn = nullptr;
    QWidget* holdfocus = nullptr;

    void Pad_Click(int Index);
    void Items_Click(int Index);
    void Group_Click(int Index);
    void Trans_Click(int Index);
    void StartMin_Click();
    void SizeOption_MouseUp(int Index);
    void SetNetDir_Click();
    void PasswordBtn_Click();
    void OKBtn_Click();

protected:
    void reject() override;

private:
    void createColours();
    void createNetworkFrame();
    void Form_Load();
    void toHoldfocus();

    Module1& m;
    edit& w;
};
