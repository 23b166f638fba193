#pragma once

#include "core/mounttable.h"

#include <QDialog>
#include <QHash>
#include <QList>
#include <QString>

class Module1;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;

// The network folder dialog: the shared folder and the refresh interval,
// stored only when the change password is typed in. It stores the choice and
// shows it in the options dialog's `NetDir`; it neither switches the mode nor
// touches the store.
class Net final : public QDialog {
    Q_OBJECT
public:
    Net(Module1& module, QLineEdit* netDir, QTimer* refreshTimer, QWidget* parent = nullptr);

    QComboBox* Drive = nullptr;
    QListWidget* Dir = nullptr; // the folders of the folder shown; ".." goes up
    QLabel* Label1 = nullptr;   // the folder Dir shows, shortened in the middle when long
    QLabel* RefreshCaption = nullptr;
    QLineEdit* Refreshtext = nullptr;
    QLabel* PasswordCaption = nullptr;
    QLineEdit* Passwordtext = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

    // Offers `drives` in Drive and shows `start`, a folder on one of them.
    void fillDrives(const QList<MountEntry>& drives, const QString& start);
    // Why the lists did not move, or why OK refused the folder; empty otherwise.
    QString notice() const;
    // The number at the start of the text, rounded half to even, kept to 2..60.
    static int refreshSecondsFrom(const QString& text);

private:
    void Form_Load();
    void Drive_Change();
    void Dir_Change();
    QString showFolder(const QString& path, const QString& select = QString());
    void enterSelected();
    void goUp();
    QString driveRoot() const;
    QString refusal(const QString& folder) const;
    void setNotice(const QString& text);
    void OKBtn_Click();
    void CancelBtn_Click();
    bool eventFilter(QObject* watched, QEvent* event) override;

    Module1& m;
    QLineEdit* m_netDir;
    QTimer* m_refreshTimer;
    QLabel* m_notice = nullptr;
    QString m_password; // the change password, read at opening
    QString m_path;     // the folder Dir shows
    QList<MountEntry> m_drives;
    QHash<QString, QString> m_lastFolder; // per drive, the folder last shown on it
    int m_driveIndex = -1;
    bool m_fillingDrives = false;
};
