#pragma once

#include <QDialog>
#include <QList>
#include <QString>

#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

// "Earlier Texts": the texts kept when a note was saved over, moved away or
// erased, by this copy or any other sharing the store. It lists the rows it
// is given (those of the note on screen first, in bold), previews the one
// chosen and hands back which one "Restore" is to put back; it does not
// touch the store. "Close" or Esc ends it without a choice.
class EarlierTexts final : public QDialog {
    Q_OBJECT
public:
    // One kept text, as the list shows it. No field is empty: a screen
    // reader reads every cell.
    struct Row {
        QString when;
        QString account;
        QString group;
        QString item;
        QString what;
        bool here = false; // kept from the place of the note on screen
    };
    // The kept text of a row for the preview, as the note box would show
    // it; `ok` false when it cannot be read (`text` then says why).
    struct Preview {
        bool ok = false;
        QString text;
    };
    using PreviewOf = std::function<Preview(int row)>;

    EarlierTexts(QList<Row> rows, PreviewOf previewOf, QWidget* parent = nullptr);

    // The row "Restore" was pressed on, or -1.
    int chosen() const { return m_chosen; }

    QLabel* ListCaption = nullptr;
    QTreeWidget* List = nullptr;
    QLabel* TextCaption = nullptr;
    QPlainTextEdit* Text = nullptr;
    QPushButton* RestoreBtn = nullptr;
    QPushButton* CloseBtn = nullptr;

private:
    void showRow(int row);
    void restoreChosen();

    PreviewOf m_previewOf;
    int m_chosen = -1;
};
