#include "ui/dialogs/colorform.h"

#include "store/uiservices.h"
#include "store/module1.h"
#include "core/nameindex.h"
#include "store/vbcolor.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/edit.h"
#include "ui/main/notebox.h"
#include "ui/net/net.h"
#include "ui/net/pass.h"
#include "ui/twips.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

constexpr int kWidth = 7200;
constexpr int kHeight = 4620;

// Selects the option of `array` that holds `value` and runs its handler, as
// a click would; a value none of them holds leaves the array unselected.
template <typename Handler>
void select(const std::array<QRadioButton*, 4>& array, qint32 value, Handler handler) {
    for (int k = 0; k < 4; ++k) {
        if (ColorForm::ColorValues.at(static_cast<size_t>(k)) == value) {
            array.at(static_cast<size_t>(k))->setChecked(true);
            handler(k);
            return;
        }
    }
}

} // namespace

ColorForm::ColorForm(Module1& module, edit& mainWindow)
    : QDialog(&mainWindow), m(module), w(mainWindow) {
    setObjectName(QStringLiteral("ColorForm"));
    setWindowTitle(QStringLiteral("Options"));
    setFont(mainWindow.font());
    setFixedSize(Twips::toPx(kWidth), Twips::toPx(kHeight));
    createColours();

    StartMin = new QCheckBox(QStringLiteral("Start Minimized"), this);
    StartMin->setObjectName(QStringLiteral("StartMin"));
    Twips::place(StartMin, 240, 2100, 2160, 300);
    const std::array<QString, 2> sizes = {QStringLiteral("Low Resolution"),
                                          QStringLiteral("High Resolution")};
    auto* sizeGroup = new QButtonGroup(this);
    for (int k = 0; k < 2; ++k) {
        SizeOption[k] = new QRadioButton(sizes[k], this);
        SizeOption[k]->setObjectName(QStringLiteral("SizeOption%1").arg(k));
        Twips::place(SizeOption[k], 2520 + 2220 * k, 2100, 2160, 300);
        sizeGroup->addButton(SizeOption[k]);
        // The layout changes when the button is let go on the option, even
        // the one already chosen; choosing it by keyboard does the same.
        connect(SizeOption[k], &QRadioButton::clicked, this, [this, k] { SizeOption_MouseUp(k); });
    }
    connect(StartMin, &QCheckBox::clicked, this, &ColorForm::StartMin_Click);

    createNetworkFrame();
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    Twips::place(OKBtn, 5880, 4080, 1200, 420);
    connect(OKBtn, &QPushButton::clicked, this, &ColorForm::OKBtn_Click);

    // Takes the focus after each choice, so that no option keeps a focus mark.
    holdfocus = new QWidget(this);
    holdfocus->setObjectName(QStringLiteral("holdfocus"));
    holdfocus->setFocusPolicy(Qt::ClickFocus);
    // Where the focus waits after a choice: a screen reader says so.
    holdfocus->setAccessibleName(QStringLiteral("Choice saved"));
    Twips::place(holdfocus, 120, 4320, 60, 60);
    Form_Load();
}

void ColorForm::createColours() {
    Frame1 = new QGroupBox(QStringLiteral("Colors"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Twips::place(Frame1, 120, 60, 6960, 1920);
    const std::array<QString, 4> arrays = {
        QStringLiteral("Pad Color"), QStringLiteral("Items Color"), QStringLiteral("Group Color"),
        QStringLiteral("Transfer Color")};
    const std::array<QString, 4> names = {QStringLiteral("Pad"), QStringLiteral("Items"),
                                          QStringLiteral("Group"), QStringLiteral("Trans")};
    const std::array<QString, 4> colours = {QStringLiteral("White"), QStringLiteral("Blue"),
                                            QStringLiteral("Green"), QStringLiteral("Yellow")};
    const std::array<std::array<QRadioButton*, 4>*, 4> targets = {&Pad, &Items, &Group, &Trans};
    const std::array<void (ColorForm::*)(int), 4> handlers = {
        &ColorForm::Pad_Click, &ColorForm::Items_Click, &ColorForm::Group_Click,
        &ColorForm::Trans_Click};
    for (size_t a = 0; a < 4; ++a) {
        const int left = 120 + 1710 * static_cast<int>(a);
        ColorCaption[a] = new QLabel(arrays[a], Frame1);
        ColorCaption[a]->setTextFormat(Qt::PlainText);
        Twips::place(ColorCaption[a], left, 270, 1620, 285);
        // One array, one choice: the four arrays share the frame.
        auto* group = new QButtonGroup(this);
        for (int k = 0; k < 4; ++k) {
            auto* option = new QRadioButton(colours[static_cast<size_t>(k)], Frame1);
            option->setObjectName(names[a] + QString::number(k));
            option->setAccessibleName(arrays[a] + QLatin1Char(' ') + option->text());
            Twips::place(option, left, 600 + 300 * k, 1560, 285);
            group->addButton(option);
            targets[a]->at(static_cast<size_t>(k)) = option;
            const auto handler = handlers[a];
            connect(option, &QRadioButton::clicked, this,
                    [this, handler, k] { (this->*handler)(k); });
        }
    }
}

void ColorForm::createNetworkFrame() {
    Frame2 = new QGroupBox(QStringLiteral("Network folder for shared notes"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Twips::place(Frame2, 120, 2520, 6960, 1380);
    NetDir = new QLineEdit(Frame2);
    NetDir->setObjectName(QStringLiteral("NetDir"));
    NetDir->setAccessibleName(QStringLiteral("Network folder"));
    NetDir->setMaxLength(254);
    // Display only: the folder is chosen in the network folder dialog.
    NetDir->setReadOnly(true);
    Twips::place(NetDir, 120, 300, 6720, 330);
    SetNetDir = new QPushButton(QStringLiteral("Set Network Folder"), Frame2);
    SetNetDir->setObjectName(QStringLiteral("SetNetDir"));
    Twips::place(SetNetDir, 120, 780, 3000, 420);
    PasswordBtn = new QPushButton(QStringLiteral("Password Protect Changes"), Frame2);
    PasswordBtn->setObjectName(QStringLiteral("PasswordBtn"));
    Twips::place(PasswordBtn, 3240, 780, 3600, 420);
    connect(SetNetDir, &QPushButton::clicked, this, &ColorForm::SetNetDir_Click);
    connect(PasswordBtn, &QPushButton::clicked, this, &ColorForm::PasswordBtn_Click);
}

// Every option shows the setting in force; selecting it runs its handler,
// which paints and saves the same value again. The group and item buttons
// thus show their plain colours while the dialog is open.
void ColorForm::Form_Load() {
    const QSize screen = m.services.screenSizeTwips();
    move(Twips::toPx((screen.width() - kWidth) / 2), Twips::toPx((screen.height() - kHeight) / 2));
    NetDir->setText(NameIndex::trimmed(m.S.NetworkFolder));
    if (m.S.LargeLayout == 0 || m.S.LargeLayout == 1) {
        SizeOption.at(static_cast<size_t>(m.S.LargeLayout))->setChecked(true);
    }
    if (m.S.StartMinimised != 0) {
        StartMin->setChecked(true);
        StartMin_Click();
    }
    select(Trans, m.S.TransColor, [this](int k) { Trans_Click(k); });
    select(Pad, m.S.PadColor, [this](int k) { Pad_Click(k); });
    select(Group, m.S.GroupColor, [this](int k) { Group_Click(k); });
    select(Items, m.S.ItemColor, [this](int k) { Items_Click(k); });
}

void ColorForm::toHoldfocus() {
    if (isVisible()) {
        holdfocus->setFocus();
    }
}

void ColorForm::Pad_Click(int Index) {
    const qint32 colour = ColorValues.at(static_cast<size_t>(Index));
    VbColor::paint(w.Txt[0], colour);
    VbColor::paint(w.Txt[1], colour);
    m.S.PadColor = colour;
    m.WriteSettings();
    toHoldfocus();
}

void ColorForm::Items_Click(int Index) {
    m.S.ItemColor = ColorValues.at(static_cast<size_t>(Index));
    for (ButtonLabel* item : w.Item) {
        VbColor::paint(item, m.S.ItemColor);
    }
    m.WriteSettings();
    toHoldfocus();
}

void ColorForm::Group_Click(int Index) {
    m.S.GroupColor = ColorValues.at(static_cast<size_t>(Index));
    for (ButtonLabel* group : w.Group) {
        VbColor::paint(group, m.S.GroupColor);
    }
    m.WriteSettings();
    toHoldfocus();
}

void ColorForm::Trans_Click(int Index) {
    m.S.TransColor = ColorValues.at(static_cast<size_t>(Index));
    for (ButtonLabel* slot : w.Trans) {
        VbColor::paint(slot, m.S.TransColor);
    }
    m.WriteSettings();
    toHoldfocus();
}

void ColorForm::StartMin_Click() {
    m.S.StartMinimised = StartMin->isChecked() ? 1 : 0;
    m.WriteSettings();
    toHoldfocus();
}

void ColorForm::SizeOption_MouseUp(int Index) {
    m.S.LargeLayout = static_cast<qint16>(Index);
    m.WriteSettings();
    w.ApplySizePreset();
    toHoldfocus();
}

void ColorForm::SetNetDir_Click() {
    Net dialog(m, NetDir, w.refreshtimer, this);
    m.services.execModal(dialog);
    toHoldfocus();
}

void ColorForm::PasswordBtn_Click() {
    Pass dialog(m, this);
    m.services.execModal(dialog);
    toHoldfocus();
}

void ColorForm::OKBtn_Click() {
    VbColor::paint(w.Group.at(static_cast<size_t>(m.S.CurrentGroup)), VbColor::Highlight);
    VbColor::paint(w.Item.at(static_cast<size_t>(m.S.currentItem())), VbColor::Highlight);
    accept();
}

// Esc and the close box leave as OK does, so the highlight comes back.
void ColorForm::reject() {
    OKBtn_Click();
}
