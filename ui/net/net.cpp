#include "ui/net/net.h"

#include "store/uiservices.h"
#include "core/codepage.h"
#include "store/module1.h"
#include "core/nameindex.h"
#include "ui/net/drivelist.h"
#include "ui/net/passwordbox.h"
#include "ui/twips.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QResizeEvent>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>

namespace {

constexpr int kWidth = 6720;
constexpr int kHeight = 5100;

// The folders inside `path`, sorted, without hidden ones; the reason in
// plain words when the folder cannot be read.
QString listFolders(const QString& path, QStringList* names) {
    DIR* dir = ::opendir(QFile::encodeName(path).constData());
    if (dir == nullptr) {
        return qt_error_string(errno);
    }
    while (const dirent* e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (name.startsWith('.')) {
            continue;
        }
        bool folder = e->d_type == DT_DIR;
        if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
            struct stat st {};
            folder = ::fstatat(::dirfd(dir), e->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
        }
        // A name that does not survive the trip through text could not be
        // opened again by that text.
        const QString decoded = QFile::decodeName(name);
        if (folder && QFile::encodeName(decoded) == name) {
            names->append(decoded);
        }
    }
    ::closedir(dir);
    std::sort(names->begin(), names->end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return {};
}

QString child(const QString& folder, const QString& name) {
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

// Names a control and places it at left, top, width, height in twips.
template <typename W> W* placed(W* w, const char* name, QRect twips) {
    w->setObjectName(QLatin1String(name));
    Twips::place(w, twips.x(), twips.y(), twips.width(), twips.height());
    return w;
}

QLabel* plainLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// A path too long for its place keeps its start and its end, with "…" in
// the middle; the whole path is in the tooltip and read out by screen readers.
class PathLabel final : public QLabel {
public:
    explicit PathLabel(QWidget* parent) : QLabel(parent) { setTextFormat(Qt::PlainText); }
    void setPath(const QString& path) {
        m_path = path;
        setToolTip(path);
        setAccessibleDescription(path);
        elide();
    }

protected:
    void resizeEvent(QResizeEvent* e) override {
        QLabel::resizeEvent(e);
        elide();
    }
    void changeEvent(QEvent* e) override {
        QLabel::changeEvent(e);
        if (e->type() == QEvent::FontChange) {
            elide();
        }
    }

private:
    void elide() {
        // Elided by advance, the drawn text may still reach a pixel further.
        const int room = contentsRect().width() - 2 * margin();
        QString shown;
        for (int width = room; width > 0; --width) {
            shown = fontMetrics().elidedText(m_path, Qt::ElideMiddle, width);
            if (fontMetrics().boundingRect(shown).width() <= room) {
                break;
            }
        }
        setText(shown);
    }
    QString m_path;
};

bool isAsciiDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

Net::Net(Module1& module, QLineEdit* netDir, QTimer* refreshTimer, QWidget* parent)
    : QDialog(parent), m(module), m_netDir(netDir), m_refreshTimer(refreshTimer) {
    setObjectName(QStringLiteral("Net"));
    setWindowTitle(QStringLiteral("Network Folder"));
    if (parent) {
        setFont(parent->font());
    }
    setFixedSize(Twips::toPx(kWidth), Twips::toPx(kHeight));
    Drive = placed(new QComboBox(this), "Drive", {120, 120, 4260, 330});
    Drive->setAccessibleName(QStringLiteral("Drive"));
    Drive->view()->setAccessibleName(QStringLiteral("Drives"));
    Dir = placed(new QListWidget(this), "Dir", {120, 540, 4260, 2520});
    Dir->setAccessibleName(QStringLiteral("Folders"));
    Label1 = placed(new PathLabel(this), "Label1", {120, 3180, 6480, 285});
    Label1->setAccessibleName(QStringLiteral("Chosen folder"));
    m_notice = placed(plainLabel(QString(), this), "notice", {120, 3480, 6480, 540});
    m_notice->setWordWrap(true);
    m_notice->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    RefreshCaption =
        placed(plainLabel(QStringLiteral("Refresh interval in secs. ( 2 - 60 )"), this),
               "RefreshCaption", {120, 4140, 3960, 285});
    Refreshtext = placed(new QLineEdit(this), "Refreshtext", {4200, 4110, 900, 330});
    Refreshtext->setAccessibleName(RefreshCaption->text());
    RefreshCaption->setBuddy(Refreshtext);
    PasswordCaption = placed(plainLabel(QStringLiteral("Password"), this), "PasswordCaption",
                             {120, 4620, 3960, 285});
    Passwordtext = placed(new PasswordBox(this), "Passwordtext", {4200, 4590, 2400, 330});
    Passwordtext->setAccessibleName(QStringLiteral("Password"));
    PasswordCaption->setBuddy(Passwordtext);

    OKBtn = placed(new QPushButton(QStringLiteral("OK"), this), "OKBtn", {4620, 120, 1980, 420});
    OKBtn->setDefault(true);
    CancelBtn = placed(new QPushButton(QStringLiteral("Cancel"), this), "CancelBtn",
                       {4620, 660, 1980, 420});
    CancelBtn->setAutoDefault(false);

    connect(Drive, &QComboBox::currentIndexChanged, this, &Net::Drive_Change);
    connect(Dir, &QListWidget::itemDoubleClicked, this, &Net::enterSelected);
    connect(OKBtn, &QPushButton::clicked, this, &Net::OKBtn_Click);
    connect(CancelBtn, &QPushButton::clicked, this, &Net::CancelBtn_Click);
    Dir->installEventFilter(this);
    Form_Load();
}

void Net::Form_Load() {
    const QString start = QDir::currentPath();
    QList<MountEntry> drives = DriveList::choose(MountTable::current(), {QDir::homePath(), start});
    if (drives.isEmpty()) {
        drives.append(MountEntry{QStringLiteral("/"), {}, {}, {}, {}});
    }
    fillDrives(drives, start);
    m_password = NameIndex::trimmed(m.S.ChangePassword);
    Refreshtext->setText(QStringLiteral(" %1").arg(m.S.RefreshSeconds));
    const QSize screen = m.services.screenSizeTwips();
    move(Twips::toPx((screen.width() - kWidth) / 2), Twips::toPx((screen.height() - kHeight) / 2));
    Dir->setFocus();
}

void Net::fillDrives(const QList<MountEntry>& drives, const QString& start) {
    m_fillingDrives = true;
    Drive->clear();
    m_drives = drives;
    m_lastFolder.clear();
    for (const MountEntry& d : drives) {
        Drive->addItem(DriveList::caption(d));
    }
    int index = drives.isEmpty() ? -1 : 0;
    const auto on = MountTable::containing(drives, start);
    for (qsizetype k = 0; on && k < drives.size(); ++k) {
        if (drives.at(k).mountPoint == on->mountPoint) {
            index = static_cast<int>(k);
        }
    }
    Drive->setCurrentIndex(index);
    m_driveIndex = index;
    m_fillingDrives = false;
    if (index < 0) {
        return;
    }
    const QString folder = on ? QDir::cleanPath(start) : driveRoot();
    if (const QString why = showFolder(folder); !why.isEmpty()) {
        setNotice(QStringLiteral("The folder \"%1\" cannot be opened: %2.").arg(folder, why));
        if (folder != driveRoot()) {
            showFolder(driveRoot());
        }
    }
}

QString Net::driveRoot() const {
    const int k = Drive->currentIndex();
    return k < 0 ? QString() : QDir::cleanPath(m_drives.at(k).mountPoint);
}

// Lists `path` in Dir and shows it in Label1; when it cannot be read the
// lists stay as they were and the reason comes back.
QString Net::showFolder(const QString& path, const QString& select) {
    QStringList names;
    if (QString why = listFolders(path, &names); !why.isEmpty()) {
        return why;
    }
    Dir->clear();
    if (path != driveRoot()) {
        new QListWidgetItem(QStringLiteral(".."), Dir);
    }
    for (const QString& name : names) {
        auto* item = new QListWidgetItem(name, Dir);
        item->setData(Qt::UserRole, child(path, name));
    }
    const QList<QListWidgetItem*> previous = Dir->findItems(select, Qt::MatchExactly);
    Dir->setCurrentRow(previous.isEmpty() || select.isEmpty() ? 0 : Dir->row(previous.first()));
    m_path = path;
    m_lastFolder.insert(driveRoot(), path);
    setNotice({});
    Dir_Change();
    return {};
}

void Net::Drive_Change() {
    if (m_fillingDrives || Drive->currentIndex() == m_driveIndex) {
        return;
    }
    const QString root = driveRoot();
    const QString last = m_lastFolder.value(root, root);
    QString why = showFolder(last);
    if (!why.isEmpty() && last != root) {
        why = showFolder(root);
    }
    if (why.isEmpty()) {
        m_driveIndex = Drive->currentIndex();
        return;
    }
    // The lists stay on the drive they showed; nothing is stored here anyway.
    m_fillingDrives = true;
    Drive->setCurrentIndex(m_driveIndex);
    m_fillingDrives = false;
    setNotice(QStringLiteral("The drive \"%1\" cannot be read: %2. The folder shown has not "
                             "changed.")
                  .arg(root, why));
}

void Net::Dir_Change() {
    static_cast<PathLabel*>(Label1)->setPath(m_path);
}

void Net::enterSelected() {
    const QListWidgetItem* item = Dir->currentItem();
    if (item == nullptr) {
        return;
    }
    // Hidden folders are not listed, so ".." is only ever the way up.
    if (item->text() == QLatin1String("..")) {
        goUp();
        return;
    }
    const QString target = item->data(Qt::UserRole).toString();
    if (const QString why = showFolder(target); !why.isEmpty()) {
        setNotice(QStringLiteral("The folder \"%1\" cannot be opened: %2.").arg(target, why));
    }
}

void Net::goUp() {
    if (m_path == driveRoot() || m_path.isEmpty()) {
        return;
    }
    const QString from = QDir(m_path).dirName();
    const QString target = QDir::cleanPath(m_path + QStringLiteral("/.."));
    if (const QString why = showFolder(target, from); !why.isEmpty()) {
        setNotice(QStringLiteral("The folder \"%1\" cannot be opened: %2.").arg(target, why));
    }
}

void Net::setNotice(const QString& text) {
    m_notice->setText(text);
    // An empty notice is no control to read out.
    m_notice->setVisible(!text.isEmpty());
}

QString Net::notice() const {
    return m_notice->text();
}

// A folder the settings could not give back exactly is refused, never cut
// or changed.
QString Net::refusal(const QString& folder) const {
    if (folder.isEmpty()) {
        return QStringLiteral("No folder is chosen.");
    }
    if (std::ranges::any_of(folder, [](QChar c) { return !CodePage::canHold(c); })) {
        return QStringLiteral("This folder's path holds characters that cannot be kept in the "
                              "settings. Please choose another folder.");
    }
    if (folder.size() > SettingsRecord::FolderLength) {
        return QStringLiteral("This folder's path is %1 characters long; at most %2 can be kept. "
                              "Please choose a folder with a shorter path.")
            .arg(folder.size())
            .arg(SettingsRecord::FolderLength);
    }
    if (folder.endsWith(QLatin1Char(' '))) {
        return QStringLiteral("This folder's name ends in a blank, which cannot be kept in the "
                              "settings. Please choose another folder.");
    }
    return {};
}

void Net::OKBtn_Click() {
    if (Passwordtext->text().toUpper() != m_password.toUpper()) {
        m.services.beep();
        Passwordtext->setFocus();
        return;
    }
    // The label may show the path shortened: the folder is the one Dir shows.
    const QString folder = m_path;
    if (const QString why = refusal(folder); !why.isEmpty()) {
        m.services.beep();
        setNotice(why);
        Dir->setFocus();
        return;
    }
    m.S.setNetworkFolder(folder);
    if (m_netDir) {
        m_netDir->setText(folder);
    }
    m.S.RefreshSeconds = static_cast<qint16>(refreshSecondsFrom(Refreshtext->text()));
    if (m_refreshTimer) {
        m_refreshTimer->setInterval(m.S.RefreshSeconds * 1000);
    }
    m.WriteSettings();
    const QString netFolder = Module1::withSeparator(folder);
    if (m.S.NetworkMode == 0) {
        m.NetFolder = netFolder;
    } else if (netFolder != m.NetFolder) {
        // The lock file and the notes must stay in one folder: the store in
        // use keeps its folder until network mode is entered again.
        m.services.showError(this, QStringLiteral("The notes are shared through \"%1\" until you "
                                                  "leave network mode. The new folder \"%2\" "
                                                  "will be used the next time you choose "
                                                  "\"Network\".")
                                       .arg(m.NetFolder, netFolder));
    }
    accept();
}

void Net::CancelBtn_Click() {
    reject();
}

int Net::refreshSecondsFrom(const QString& text) {
    qsizetype k = 0;
    const qsizetype n = text.size();
    while (k < n && (text.at(k) == QLatin1Char(' ') || text.at(k) == QLatin1Char('\t'))) {
        ++k;
    }
    bool negative = false;
    if (k < n && (text.at(k) == QLatin1Char('+') || text.at(k) == QLatin1Char('-'))) {
        negative = text.at(k) == QLatin1Char('-');
        ++k;
    }
    int whole = 0;
    for (; k < n && isAsciiDigit(text.at(k)); ++k) {
        // Anything past 60 ends at 60, however large: stop counting early.
        whole = std::min(whole * 10 + text.at(k).digitValue(), 1000);
    }
    if (k < n && text.at(k) == QLatin1Char('.') && k + 1 < n && isAsciiDigit(text.at(k + 1))) {
        const int first = text.at(k + 1).digitValue();
        bool restZero = true;
        for (k += 2; k < n && isAsciiDigit(text.at(k)); ++k) {
            restZero = restZero && text.at(k) == QLatin1Char('0');
        }
        // Halves go to the even neighbour.
        if (first > 5 || (first == 5 && (!restZero || whole % 2 == 1))) {
            ++whole;
        }
    }
    return std::clamp(negative ? -whole : whole, 2, 60);
}

bool Net::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Dir && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        // Enter goes into the folder, not to the default button.
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            enterSelected();
            return true;
        }
        if (key == Qt::Key_Backspace) {
            goUp();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
