#pragma once

#include <QAccessibleWidget>

class ButtonLabel;

// What a screen reader sees of a group, item or slot button: a button named
// by its position and its name, "Group 4, Recipes, selected", "Item 12,
// empty", "Transfer slot 3, Parked note". The name is read from the label
// whenever it is asked for, so it always follows the caption and the
// highlight. Pressing it chooses (as Enter does); its menu is the one of the
// menu key.
class AccessibleButton final : public QAccessibleWidget {
public:
    explicit AccessibleButton(ButtonLabel* label);

    QString text(QAccessible::Text t) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

    static QString nameOf(const ButtonLabel* label);
    // The factory Qt asks for every object's interface.
    static QAccessibleInterface* create(const QString& className, QObject* object);

private:
    ButtonLabel* label() const;
};
