#pragma once

#include "core/history.h"
#include "core/trash.h"
#include "ui/main/searchstate.h"

#include <QMainWindow>

#include <array>
#include <optional>

class ButtonLabel;
class DragOutline;
class FileResult;
class HelpKey;
class Module1;
class StoreTransaction;
class NameEdit;
class NoteBox;
class QAction;
class QCheckBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QMenu;
class QPushButton;
class QRadioButton;
class QTimer;
struct RecoveryNote;

// The main window: the note text, the item and group columns, the transfer
// slots, the Local/Network choice and the button panel. The captions of its
// label arrays are the names of the store, its visible text box the note.
class edit final : public QMainWindow {
    Q_OBJECT
public:
    explicit edit(Module1& module, QWidget* parent = nullptr);
    ~edit() override;

    static constexpr int SmallWidth = 9600;
    static constexpr int SmallHeight = 6900;
    static constexpr int LargeWidth = 11880;
    static constexpr int LargeHeight = 8868;
    static constexpr int NarrowNote = 4770;

    // --- controls, by the names the behaviour uses ---
    std::array<NoteBox*, 2> Txt{};
    QGroupBox* Frame1 = nullptr;
    std::array<QRadioButton*, 2> NetOption{};
    QCheckBox* Wordwrapcheck = nullptr;
    QPushButton* sendtoclipboard = nullptr;
    QPushButton* Minimise = nullptr;
    QPushButton* ColorBtn = nullptr;
    QPushButton* Help = nullptr;
    QPushButton* unload = nullptr;
    std::array<QLabel*, 3> Del{};
    QGroupBox* Frame2 = nullptr;
    std::array<ButtonLabel*, 62> Item{};
    NameEdit* ItemEdit = nullptr;
    QGroupBox* Frame3 = nullptr;
    std::array<ButtonLabel*, 31> Group{};
    NameEdit* groupedit = nullptr;
    QGroupBox* Frame4 = nullptr;
    std::array<ButtonLabel*, 12> Trans{};
    QWidget* holdfocus = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* refreshtimer = nullptr;

    QMenu* file = nullptr;
    QAction* Fopen = nullptr;
    QAction* Fsave = nullptr;
    QAction* Fsaveas = nullptr;
    QMenu* Fedit = nullptr;
    QAction* Fcut = nullptr;
    QAction* Fcopy = nullptr;
    QAction* Fpaste = nullptr;
    QAction* Fdelete = nullptr;
    QAction* L3 = nullptr;
    QAction* Fselectall = nullptr;
    QAction* FundoErase = nullptr; // puts back what the erase target last took
    QAction* FearlierTexts = nullptr; // lists kept texts and restores one
    QMenu* Fsearch = nullptr;
    QAction* Ffind = nullptr;
    QAction* Ffindnext = nullptr;
    QMenu* Fhelp = nullptr;
    QAction* Fhelpcontents = nullptr;
    QAction* fabout = nullptr;
    QAction* fsize = nullptr;

    // --- main-window state ---
    qint16 EditMode = 0;
    qint16 LastButton = 0;
    qint16 DragArmed = 0;
    float DownX = 0;
    float DownY = 0;
    QString TextFileName;
    // The filter the File menu's open dialog preselects: 1 "All Files",
    // 2 "Text Files"; 0 until the first Open.
    qint16 FileFilterIndex = 0;
    // The drag under way: the kind of button dragged ("group", "item",
    // "trans"), the group an item came from and its caption at the start.
    QString DragKind;
    qint16 DragSourceGroup = 0;
    QString DragCaption;

    // --- layout (window size, positions) ---
    void ApplySizePreset();
    void Form_Resize();
    void fsize_Click();
    void Minimise_Click();
    void Timer1_Timer();
    // Window size and position in twips, 15 per pixel.
    int widthTwips() const;
    int leftTwips() const;
    int topTwips() const;
    bool isNormalState() const;

    // --- options ---
    void ColorBtn_Click();

    // --- shutdown ---
    void Form_QueryUnload(qint16& Cancel, qint16 UnloadMode);
    void unload_Click();

    // --- selection and naming ---
    void group_MouseDown(int Index, int Button, float X, float Y);
    void Item_MouseDown(int Index, int Button, float X, float Y);
    void Trans_MouseDown(int Index, int Button, float X, float Y);
    void Group_Click(int Index);
    void Item_Click(int Index);
    void Namegroup();
    void NameItem();
    void groupedit_GotFocus();
    void ItemEdit_GotFocus();
    void groupedit_LostFocus();
    void ItemEdit_LostFocus();
    void showdel(int x);
    void holdfocus_GotFocus();
    void txt_GotFocus(int Index);
    void txt_MouseMove(int Index, int Button, float X, float Y);
    void Wordwrapcheck_MouseUp();
    // --- drag and drop ---
    void group_MouseMove(int Index, int Button, float X, float Y);
    void Item_MouseMove(int Index, int Button, float X, float Y);
    void Trans_MouseMove(int Index, int Button, float X, float Y);
    void Del_MouseMove();
    void group_DragOver(int Index, ButtonLabel* Source);
    void group_DragDrop(int Index, ButtonLabel* Source);
    void Item_DragDrop(int Index, ButtonLabel* Source);
    void Trans_DragDrop(int Index, ButtonLabel* Source);
    void Del_DragDrop(ButtonLabel* Source);
    void txt_DragDrop(int Index, ButtonLabel* Source);
    // --- local and network modes, refresh ---
    void NetOption_MouseUp(int k);
    void refreshit();

    // The button being dragged, or none.
    ButtonLabel* dragSource() const { return m_dragSource; }
    DragOutline* dragOutline() const { return m_outline; }

    // Paints every group and item button: the chosen ones red, the rest in
    // their setting's colour.
    void paintSelection();
    // The desktop session is ending: the next close is for real, unless the
    // user comes back to the window first (the log-out was cancelled).
    void sessionEnding();
    // Closes an open name edit box without taking its name.
    void dropNameEdit();

    // --- note text, Edit menu and clipboard ---
    void Fedit_Click();
    void Fcut_Click();
    void Fcopy_Click();
    void Fpaste_Click();
    void Fdelete_Click();
    void Fselectall_Click();
    void FundoErase_Click();
    void FearlierTexts_Click();
    // A kept text, the folder whose history holds it, and whether it was
    // kept from the place of the note on screen.
    struct KeptText {
        History::Entry entry;
        QString folder;
        bool here = false;
    };
    void sendtoclipboard_Click();

    // --- text files ---
    void file_Click();
    void Fopen_Click();
    void Fsave_Click();
    void Fsaveas_Click();
    // The largest text file Open reads into a note.
    static constexpr qint64 MaxTextFileBytes = qint64{16} * 1024 * 1024;

    // --- search ---
    void Ffind_Click();
    void Ffindnext_Click();
    void search();
    SearchState searchState;

    // --- help and about ---
    void Fhelpcontents_Click();
    void Help_Click();
    void fabout_Click();

    // --- unsaved text kept against a crash ---
    // At start-up: text a past run could not save is offered back.
    void OfferRecovery();

    // --- keyboard and screen readers ---
    // Names the note boxes after the chosen note.
    void nameNote();

signals:
    // "Unload" has done its work: the program ends now.
    void endProgram();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Tab and Shift+Tab go from stop to stop: the note, the item column, the
    // group column, the slots, Local/Network and the buttons.
    bool focusNextPrevChild(bool next) override;

private:
    void createControls();
    void createButtonPanel(QWidget* client);
    void createColumns(QWidget* client);
    void createMenus();
    void connectHandlers();
    void mouseDownOnButton(int Button, float X, float Y);
    bool keyPreview(QKeyEvent* event);
    bool tabKey(QObject* watched, QKeyEvent* event);
    bool isOwnWidget(QObject* o) const;
    void takeName(NameEdit* box, QLabel* label, bool isGroup);
    bool consumeClickBlock();
    bool clickMayGoOn();
    bool mayQuitUnsaved(QString why);
    // Nothing when the user cancels the file dialog.
    std::optional<FileResult> saveAsTextFile(const QString& text);
    void keepRecoveryWhileTyping();
    bool restoreRecovered(const RecoveryNote& r);
    void connectButton(ButtonLabel* label);
    void buttonMouseMove(ButtonLabel* label, int Button, float X, float Y);
    void buttonMouseUp(ButtonLabel* label, bool inside, QPoint global);
    void startDrag(ButtonLabel* source);
    void dragMoved(QPoint global);
    void endDrag(QPoint global);
    void cancelDrag();
    QWidget* dropTargetAt(QPoint global) const;
    bool dropMayGoOn(ButtonLabel* Source);
    bool sourceStillNamed(ButtonLabel* Source);
    void afterDragWait();
    void afterPressWait(ButtonLabel* label);
    void pressOnButton(ButtonLabel* label, int k, int b, float x, float y);
    void selectAfterDrop(bool group, int Index);
    void openGroup(int Index);
    bool readyToMoveAway();
    void moveNameAway(StoreTransaction& t, int group, int j);
    void abandonDrop(StoreTransaction& t);
    bool eraseGroup(int j);
    void switchStore(int k);
    bool refreshMayRun() const;
    void takeStoredNote(const QString& text, std::optional<qint16> wordWrap);
    bool keepOwnText(const QString& mine);
    bool eraseItem(int j);
    std::optional<Trash::Entry> keepForUndo(bool group, int j);
    void sealOnceErased(const Trash::Entry& e);
    std::optional<bool> placeIsFree(const Trash::Entry& e);
    bool putBack(const Trash::Entry& e, StoreTransaction& t);
    void showPutBack(const Trash::Entry& e);
    struct RestorePlace {
        bool slot = false;
        int index = -1;
    };
    QList<KeptText> keptTexts() const;
    RestorePlace freePlaceForRestore() const;
    void restoreKept(const KeptText& k);
    void keepRestored(const QString& path, RestorePlace to, const QString& name);
    bool editShortcut(QObject* watched, QKeyEvent* event);
    void offerSelectionEntries();
    bool readTextFile(const QString& path);
    void writeTextFile();
    void connectKeyboard();
    void nameControls();
    void stepFrom(ButtonLabel* label, int key);
    bool pressFromKeyboard(ButtonLabel* label, int button);
    void buttonActivated(ButtonLabel* label, int button);
    void buttonMenu(ButtonLabel* label);
    void beginKeyboardDrag(ButtonLabel* source, int button);
    void moveFromKeyboard(ButtonLabel* label, int button);
    void dropFromKeyboard(ButtonLabel* label, int button, int group, int k);
    void eraseFromKeyboard(ButtonLabel* label);

    Module1& m;
    QWidget* m_client = nullptr;
    bool m_sessionEnding = false;
    bool m_inResize = false;
    bool m_clickBlocked = false;
    QTimer* m_afterWrapRelease = nullptr;
    QTimer* m_recoveryTimer = nullptr;
    DragOutline* m_outline = nullptr;
    ButtonLabel* m_dragSource = nullptr;
    int m_waitsAtDragStart = 0; // Waiting dialogs shown before the drag began
    QPoint m_dragGrab;          // where in the dragged button the pointer holds it
    HelpKey* m_helpKey = nullptr;
    // What the file dialogs keep from one showing to the next: the filters
    // the last Open set, the filter chosen in it and the path last chosen.
    QString m_fileFilter;
    int m_fileFilterChosen = 0;
    QString m_fileDialogPath;
    ButtonLabel* m_lastSlot = nullptr; // where Tab enters the slots
};
