#pragma once

#include <QDialog>
#include <QList>
#include <QString>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

// "Move To" and "Copy To": the keyboard's way to pick where a group, an item
// or a slot goes. It offers the free places it is given, grouped in areas (a
// group's free items, the free slots, the free group positions), and hands
// back the one chosen; it does not touch the store.
class TargetForm final : public QDialog {
    Q_OBJECT
public:
    struct Place {
        int index = 0; // position in its array
        QString name;  // as the list shows it
    };
    struct Area {
        QString name;
        QList<Place> places;
    };

    // `prompt` says what goes where ("Move "Pancakes" to:"); `firstArea` is
    // shown first. With one area only, there is no area to choose.
    TargetForm(const QString& title, const QString& prompt, QList<Area> areas, int firstArea,
               QWidget* parent = nullptr);

    // The area and the place (its index in its array) chosen.
    int chosenArea() const;
    int chosenPlace() const;

    QLabel* Prompt = nullptr;
    QLabel* AreaCaption = nullptr;
    QComboBox* AreaList = nullptr;
    QLabel* PlaceCaption = nullptr;
    QListWidget* PlaceList = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

private:
    void showArea(int area);

    QList<Area> m_areas;
};
