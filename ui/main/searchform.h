#pragma once

#include <QDialog>
#include <QPoint>

class QLabel;
class QLineEdit;
class QPushButton;

// The Find dialog: the text to search for, "Search" and "Cancel". Opened
// tall, it also shows "No More Matches !" below the buttons. It sees every
// key before its controls: Enter means Search and Esc (or the close box)
// Cancel, and neither reaches a control. Search closes it accepted, Cancel
// rejected; the text is read from `Txt`.
class SearchForm final : public QDialog {
    Q_OBJECT
public:
    static constexpr int Width = 4680;
    static constexpr int ShortHeight = 1564;
    static constexpr int TallHeight = 1888;

    explicit SearchForm(QWidget* parent = nullptr);

    // Tall after a pass that ended without a further match.
    void setTall(bool tall);
    // Placed at `topLeft` (the main window's corner), the text box filled
    // with the last search text after such a pass, otherwise with the text
    // selected in the note, if any; filled, its whole text is selected.
    void Form_Load(QPoint topLeft, qint16 NoMoreMatches, const QString& SearchText,
                   const QString& selectedText);

    QLabel* Label1 = nullptr;
    QLineEdit* Txt = nullptr;
    QPushButton* SearchBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QLabel* Label2 = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
