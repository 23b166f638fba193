#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class QLayout;
class QLineEdit;
class QTextBrowser;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

// The program's help window: the Markdown help file shown formatted, a table
// of contents that jumps to each heading, and a search box (Enter or F3 finds
// the next match, Shift+F3 the one before).
class HelpViewer final : public QWidget {
    Q_OBJECT
public:
    explicit HelpViewer(QWidget* parent = nullptr);

    // Shows the window on `helpFile`, read again only when it is another file.
    // Opened while a dialog is modal, the window stays usable beside it.
    void showFile(const QString& helpFile);
    // Selects the next (or previous) match of the search box's text,
    // going round the end; false when there is none.
    bool findNext(bool backwards = false);

    QTextBrowser* text() const { return m_text; }
    QTreeWidget* contents() const { return m_contents; }
    QLineEdit* findBox() const { return m_find; }
    QLabel* findStatus() const { return m_status; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLayout* createFindRow();
    void createKeys();
    void load(const QString& helpFile);
    void fillContents();
    void jumpTo(QTreeWidgetItem* item);
    void stayUsableBeside(QWidget* modal);
    void leaveModal();

    QTextBrowser* m_text = nullptr;
    QTreeWidget* m_contents = nullptr;
    QLineEdit* m_find = nullptr;
    QLabel* m_status = nullptr;
    QString m_file;
    QPointer<QWidget> m_modal;
    QTimer* m_reattach = nullptr; // after a dialog closes: beside the one still modal
};
