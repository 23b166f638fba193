#pragma once

#include <array>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QRadioButton;
class QTimer;
class QWidget;

// The main window's controls that hold the store's data: the captions of the
// label arrays are the names, the visible text box is the current note.
// The store procedures read and write them through this table, so the store
// does not depend on the window's own code.
struct StoreControls final {
    QWidget* window = nullptr;
    std::array<QLabel*, 31> Group{};
    std::array<QLabel*, 62> Item{};
    std::array<QLabel*, 12> Trans{};
    std::array<QPlainTextEdit*, 2> Txt{};
    QCheckBox* Wordwrapcheck = nullptr;
    std::array<QRadioButton*, 2> NetOption{};
    QTimer* refreshtimer = nullptr;
};
