#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The small dialog that tells the user a text file could not be read into
// the note. It opens near the top left corner of the window it belongs to.
class cant final : public QDialog {
    Q_OBJECT
public:
    explicit cant(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QPushButton* OK = nullptr;

    // Places the dialog against its parent window.
    void Form_Load();
    void OK_Click();
};
