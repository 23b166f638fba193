// The main window's controls and menus, as laid out when it is created.

#include "ui/main/edit.h"

#include "store/module1.h"
#include "store/uiservices.h"
#include "ui/dialogs/colorform.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/dragoutline.h"
#include "ui/main/helpkey.h"
#include "ui/main/nameedit.h"
#include "ui/main/notebox.h"
#include "ui/twips.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <algorithm>

namespace {

template <typename W> W* named(W* w, const QString& name) {
    w->setObjectName(name);
    return w;
}

QFont captionFont() {
    const std::array<QString, 5> families = {
        QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans"),
        QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("Sans Serif")};
    // The first of these that is installed, looked up once: asked for a
    // family it lacks, the font matcher would fail and query the system for
    // fallbacks again for every size and weight the window uses.
    const QStringList installed = QFontDatabase::families();
    const auto found = std::find_if(families.begin(), families.end(), [&](const QString& family) {
        return installed.contains(family, Qt::CaseInsensitive);
    });
    if (found == families.end()) {
        QFont::insertSubstitutions(families[0], {families.begin() + 1, families.end()});
    }
    QFont f(found == families.end() ? families[0] : *found);
    f.setPixelSize(11);
    return f;
}

} // namespace

edit::edit(Module1& module, QWidget* parent) : QMainWindow(parent), m(module) {
    setObjectName(QStringLiteral("edit"));
    // The caption a second copy looks for.
    setWindowTitle(QStringLiteral(" Quillo Pad"));
    // No maximise or minimise box: "Minimize" and the close box minimise.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(captionFont());
    // The icon is given once the window is shown (start-up): drawing it
    // takes a plug-in of its own, which need not delay the window.
    createControls();
    createMenus();
    connectHandlers();
    keepRecoveryWhileTyping();
    connectKeyboard();

    m.controls.window = this;
    // The window previews keys and watches focus and mouse of its own controls.
    qApp->installEventFilter(this);
    std::copy(Group.begin(), Group.end(), m.controls.Group.begin());
    std::copy(Item.begin(), Item.end(), m.controls.Item.begin());
    std::copy(Trans.begin(), Trans.end(), m.controls.Trans.begin());
    m.controls.Txt = {Txt[0], Txt[1]};
    m.controls.Wordwrapcheck = Wordwrapcheck;
    m.controls.NetOption = NetOption;
    m.controls.refreshtimer = refreshtimer;
    // A session that ends closes the window for real.
    connect(qApp, &QGuiApplication::commitDataRequest, this, &edit::sessionEnding,
            Qt::DirectConnection);
    connect(&m, &Module1::revertedToLocalStore, this, &edit::dropNameEdit);
    // "Save" writes only the note that was opened or saved as a text file.
    connect(&m, &Module1::noteLoaded, this, [this] { TextFileName.clear(); });
    // A press or a drag carries its user action on until the mouse lets go.
    m.userActionUnderWay = [this] {
        return m_dragSource != nullptr ||
               (DragArmed != 0 && QGuiApplication::mouseButtons() != Qt::NoButton);
    };
    nameControls();
}

edit::~edit() {
    qApp->removeEventFilter(this);
    m.controls = StoreControls{};
    m.userActionUnderWay = nullptr;
}

void edit::createControls() {
    m_client = named(new QWidget(this), QStringLiteral("client"));
    setCentralWidget(m_client);
    QWidget* c = m_client;

    // First in the tab order: whatever lands here goes on to the note text.
    holdfocus = named(new QWidget(c), QStringLiteral("holdfocus"));
    holdfocus->setFocusPolicy(Qt::StrongFocus);
    Twips::place(holdfocus, 4920, 6150, 255, 135);

    createColumns(c);

    Frame1 = named(new QGroupBox(c), QStringLiteral("Frame1"));
    Twips::place(Frame1, 36, 4392, 4728, 516);
    NetOption[0] =
        named(new QRadioButton(QStringLiteral("Local"), Frame1), QStringLiteral("NetOption0"));
    Twips::place(NetOption[0], 144, 144, 912, 300);
    NetOption[1] =
        named(new QRadioButton(QStringLiteral("Network"), Frame1), QStringLiteral("NetOption1"));
    Twips::place(NetOption[1], 1764, 180, 1308, 300);

    createButtonPanel(c);

    for (int k = 0; k < 2; ++k) {
        Txt[k] = new NoteBox(k, c);
        Twips::place(Txt[k], 0, 0, NarrowNote, 4308);
        Txt[k]->viewport()->setMouseTracking(true);
        // The wide note text lies above the item and group columns.
        Txt[k]->raise();
    }
    Txt[0]->setLineWrapMode(QPlainTextEdit::NoWrap);
    Txt[0]->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Txt[0]->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Txt[1]->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Txt[1]->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Txt[1]->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTabOrder(holdfocus, Txt[0]);
    setTabOrder(Txt[0], Txt[1]);

    Timer1 = named(new QTimer(this), QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    Timer1->start();
    refreshtimer = named(new QTimer(this), QStringLiteral("refreshtimer"));
    // Above every control, the note text included.
    m_outline = new DragOutline(c);
    m_afterWrapRelease = new QTimer(this);
    m_afterWrapRelease->setSingleShot(true);
    m_afterWrapRelease->setInterval(0);
}

void edit::createButtonPanel(QWidget* c) {
    Wordwrapcheck =
        named(new QCheckBox(QStringLiteral("Word-Wrap"), c), QStringLiteral("Wordwrapcheck"));
    Twips::place(Wordwrapcheck, 84, 4980, 1545, 345);
    sendtoclipboard = named(new QPushButton(QStringLiteral("Send Item to Clipboard"), c),
                            QStringLiteral("sendtoclipboard"));
    Twips::place(sendtoclipboard, 1800, 5004, 2955, 600);
    Minimise = named(new QPushButton(QStringLiteral("Minimize"), c), QStringLiteral("Minimise"));
    Twips::place(Minimise, 1800, 5640, 2955, 615);
    ColorBtn = named(new QPushButton(QStringLiteral("Options"), c), QStringLiteral("ColorBtn"));
    Twips::place(ColorBtn, 48, 5364, 1305, 300);
    Help = named(new QPushButton(QStringLiteral("Help"), c), QStringLiteral("Help"));
    Twips::place(Help, 48, 5664, 1305, 300);
    unload = named(new QPushButton(QStringLiteral("Unload"), c), QStringLiteral("unload"));
    Twips::place(unload, 48, 5964, 1305, 285);
    for (QPushButton* b : {sendtoclipboard, Minimise, ColorBtn, Help, unload}) {
        b->setAutoDefault(false);
    }

    // The erase target lies above the button panel and is shown only in its place.
    const std::array<QString, 3> captions = {
        QStringLiteral("Drop Here to Erase"),
        QStringLiteral("Drag with left mouse button to move."),
        QStringLiteral("Drag with right mouse button to copy.")};
    const std::array<QRect, 3> geometry = {QRect(0, 4944, 4764, 1332), QRect(156, 5580, 4548, 372),
                                           QRect(156, 5880, 4584, 372)};
    for (int k = 0; k < 3; ++k) {
        Del[k] = named(new QLabel(captions[k], c), QStringLiteral("Del%1").arg(k));
        Del[k]->setTextFormat(Qt::PlainText);
        Del[k]->setAlignment(k == 0 ? Qt::AlignHCenter | Qt::AlignTop : Qt::AlignCenter);
        Del[k]->setAutoFillBackground(true);
        QPalette pal = Del[k]->palette();
        pal.setColor(QPalette::Window, Qt::red);
        Del[k]->setPalette(pal);
        Twips::place(Del[k], geometry[k].x(), geometry[k].y(), geometry[k].width(),
                     geometry[k].height());
        Del[k]->setMouseTracking(true);
        Del[k]->hide();
    }
    Del[0]->setFrameShape(QFrame::Box);
    QFont big = Del[0]->font();
    big.setPointSize(12);
    big.setBold(true);
    Del[0]->setFont(big);
    Del[0]->raise();
    Del[1]->raise();
    Del[2]->raise();
}

void edit::createColumns(QWidget* c) {
    Frame2 = named(new QGroupBox(QStringLiteral("Item"), c), QStringLiteral("Frame2"));
    Twips::place(Frame2, 4824, 0, 4548, 8148);
    for (int k = 0; k < 62; ++k) {
        Item[k] = named(new ButtonLabel(ButtonLabel::Kind::Item, k, Frame2),
                        QStringLiteral("Item%1").arg(k));
        const int column = k < 31 ? 0 : 1;
        Twips::place(Item[k], column == 0 ? 108 : 2304, 216 + 252 * (k - 31 * column), 2148, 276);
    }
    ItemEdit = named(new NameEdit(Frame2), QStringLiteral("ItemEdit"));
    Twips::place(ItemEdit, 360, 390, 705, 285);
    ItemEdit->hide();

    Frame3 = named(new QGroupBox(QStringLiteral("Group"), c), QStringLiteral("Frame3"));
    Twips::place(Frame3, 9432, 0, 2316, 8148);
    for (int k = 0; k < 31; ++k) {
        Group[k] = named(new ButtonLabel(ButtonLabel::Kind::Group, k, Frame3),
                         QStringLiteral("Group%1").arg(k));
        Twips::place(Group[k], 72, 216 + 252 * k, 2172, k <= 25 ? 276 : 300);
    }
    groupedit = named(new NameEdit(Frame3), QStringLiteral("groupedit"));
    Twips::place(groupedit, 330, 300, 825, 285);
    groupedit->hide();

    Frame4 = named(new QGroupBox(QStringLiteral("Transfer Slots"), c), QStringLiteral("Frame4"));
    Twips::place(Frame4, 36, 6300, 4728, 1848);
    for (int k = 0; k < 12; ++k) {
        Trans[k] = named(new ButtonLabel(ButtonLabel::Kind::Trans, k, Frame4),
                         QStringLiteral("Trans%1").arg(k));
        const int column = k < 6 ? 0 : 1;
        Twips::place(Trans[k], column == 0 ? 72 : 2376, 216 + 252 * (k - 6 * column), 2256, 276);
    }
    for (NameEdit* box : {ItemEdit, groupedit}) {
        box->raise();
    }
}

void edit::createMenus() {
    QMenuBar* bar = menuBar();
    file = named(bar->addMenu(QStringLiteral("&File")), QStringLiteral("file"));
    Fopen = file->addAction(QStringLiteral("&Open"));
    Fsave = file->addAction(QStringLiteral("&Save"));
    Fsaveas = file->addAction(QStringLiteral("Save &As"));

    Fedit = named(bar->addMenu(QStringLiteral("&Edit")), QStringLiteral("Fedit"));
    Fcut = Fedit->addAction(QStringLiteral("Cut"));
    Fcut->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    Fcopy = Fedit->addAction(QStringLiteral("Copy"));
    Fcopy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    Fpaste = Fedit->addAction(QStringLiteral("Paste"));
    Fpaste->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    Fdelete = Fedit->addAction(QStringLiteral("Delete"));
    L3 = Fedit->addSeparator();
    Fselectall = Fedit->addAction(QStringLiteral("Select &All"));
    Fedit->addSeparator();
    FundoErase = Fedit->addAction(QStringLiteral("&Undo Erase"));
    FearlierTexts = Fedit->addAction(QStringLiteral("Earlier &Texts..."));

    Fsearch = named(bar->addMenu(QStringLiteral("&Search")), QStringLiteral("Fsearch"));
    Ffind = Fsearch->addAction(QStringLiteral("&Find"));
    Ffindnext = Fsearch->addAction(QStringLiteral("Find &Next"));
    Ffindnext->setShortcut(QKeySequence(Qt::Key_F3));

    Fhelp = named(bar->addMenu(QStringLiteral("&Help")), QStringLiteral("Fhelp"));
    Fhelpcontents = Fhelp->addAction(QStringLiteral("&Help Contents"));
    fabout = Fhelp->addAction(QStringLiteral("&About"));

    // "&Width" is an entry of the bar itself: it acts when clicked.
    fsize = bar->addAction(QStringLiteral("&Width"));
    const std::array<std::pair<QAction*, const char*>, 16> names = {
        {{Fopen, "Fopen"},
         {Fsave, "Fsave"},
         {Fsaveas, "Fsaveas"},
         {Fcut, "Fcut"},
         {Fcopy, "Fcopy"},
         {Fpaste, "Fpaste"},
         {Fdelete, "Fdelete"},
         {L3, "L3"},
         {Fselectall, "Fselectall"},
         {FundoErase, "FundoErase"},
         {FearlierTexts, "FearlierTexts"},
         {Ffind, "Ffind"},
         {Ffindnext, "Ffindnext"},
         {Fhelpcontents, "Fhelpcontents"},
         {fabout, "fabout"},
         {fsize, "fsize"}}};
    for (const auto& [action, name] : names) {
        action->setObjectName(QLatin1String(name));
    }
}

void edit::connectHandlers() {
    for (ButtonLabel* l : Group) {
        connectButton(l);
    }
    for (ButtonLabel* l : Item) {
        connectButton(l);
    }
    for (ButtonLabel* l : Trans) {
        connectButton(l);
    }
    connect(fsize, &QAction::triggered, this, &edit::fsize_Click);
    // A click is the user's: the mouse released over the button, or Space.
    for (int k = 0; k < 2; ++k) {
        connect(NetOption[k], &QRadioButton::clicked, this, [this, k] { NetOption_MouseUp(k); });
    }
    connect(refreshtimer, &QTimer::timeout, this, &edit::refreshit);
    connect(Minimise, &QPushButton::clicked, this, &edit::Minimise_Click);
    connect(unload, &QPushButton::clicked, this, &edit::unload_Click);
    connect(ColorBtn, &QPushButton::clicked, this, &edit::ColorBtn_Click);
    connect(Timer1, &QTimer::timeout, this, &edit::Timer1_Timer);
    // Once the check box has taken the click or the key, so that moving the
    // focus to the note does not cancel its own toggle.
    connect(Wordwrapcheck, &QCheckBox::clicked, m_afterWrapRelease, qOverload<>(&QTimer::start));
    connect(m_afterWrapRelease, &QTimer::timeout, this, &edit::Wordwrapcheck_MouseUp);
    m_helpKey = new HelpKey(*this, m);
    connect(Fhelpcontents, &QAction::triggered, this, &edit::Fhelpcontents_Click);
    connect(Help, &QPushButton::clicked, this, &edit::Help_Click);
    connect(fabout, &QAction::triggered, this, &edit::fabout_Click);
    connect(Fedit, &QMenu::aboutToShow, this, &edit::Fedit_Click);
    connect(Fcut, &QAction::triggered, this, &edit::Fcut_Click);
    connect(Fcopy, &QAction::triggered, this, &edit::Fcopy_Click);
    connect(Fpaste, &QAction::triggered, this, &edit::Fpaste_Click);
    connect(Fdelete, &QAction::triggered, this, &edit::Fdelete_Click);
    connect(Fselectall, &QAction::triggered, this, &edit::Fselectall_Click);
    connect(FundoErase, &QAction::triggered, this, &edit::FundoErase_Click);
    connect(FearlierTexts, &QAction::triggered, this, &edit::FearlierTexts_Click);
    connect(sendtoclipboard, &QPushButton::clicked, this, &edit::sendtoclipboard_Click);
    connect(file, &QMenu::aboutToShow, this, &edit::file_Click);
    connect(Fopen, &QAction::triggered, this, &edit::Fopen_Click);
    connect(Fsave, &QAction::triggered, this, &edit::Fsave_Click);
    connect(Fsaveas, &QAction::triggered, this, &edit::Fsaveas_Click);
    connect(Ffind, &QAction::triggered, this, &edit::Ffind_Click);
    connect(Ffindnext, &QAction::triggered, this, &edit::Ffindnext_Click);
}

void edit::ColorBtn_Click() {
    ColorForm form(m, *this);
    m.services.execModal(form);
    m.focusNote();
}
