#include "ui/main/accessiblebutton.h"

#include "ui/main/buttonlabel.h"

AccessibleButton::AccessibleButton(ButtonLabel* label)
    : QAccessibleWidget(label, QAccessible::Button) {}

ButtonLabel* AccessibleButton::label() const {
    return static_cast<ButtonLabel*>(widget());
}

QString AccessibleButton::nameOf(const ButtonLabel* label) {
    QString kind;
    switch (label->kind()) {
    case ButtonLabel::Kind::Group:
        kind = QStringLiteral("Group");
        break;
    case ButtonLabel::Kind::Item:
        kind = QStringLiteral("Item");
        break;
    case ButtonLabel::Kind::Trans:
        kind = QStringLiteral("Transfer slot");
        break;
    }
    // Positions count from 1, as people count.
    QString name = QStringLiteral("%1 %2, %3")
                       .arg(kind)
                       .arg(label->index() + 1)
                       .arg(label->text().isEmpty()
                                ? QStringLiteral("empty")
                                : ButtonLabel::oneLine(label->text(), QStringLiteral(" ")));
    if (label->isHighlighted()) {
        name += QStringLiteral(", selected");
    }
    return name;
}

QString AccessibleButton::text(QAccessible::Text t) const {
    if (t == QAccessible::Name && label()->accessibleName().isEmpty()) {
        return nameOf(label());
    }
    return QAccessibleWidget::text(t);
}

QStringList AccessibleButton::actionNames() const {
    return {pressAction(), showMenuAction(), setFocusAction()};
}

void AccessibleButton::doAction(const QString& actionName) {
    if (actionName == pressAction()) {
        emit label()->activated(label()->index(), 1);
    } else if (actionName == showMenuAction()) {
        emit label()->menuRequested(label()->index());
    } else {
        QAccessibleWidget::doAction(actionName);
    }
}

QStringList AccessibleButton::keyBindingsForAction(const QString& actionName) const {
    if (actionName == pressAction()) {
        return {QStringLiteral("Enter")};
    }
    if (actionName == showMenuAction()) {
        return {QStringLiteral("Shift+F10")};
    }
    return QAccessibleWidget::keyBindingsForAction(actionName);
}

QAccessibleInterface* AccessibleButton::create(const QString& className, QObject* object) {
    if (className == QLatin1String("ButtonLabel")) {
        if (auto* label = qobject_cast<ButtonLabel*>(object)) {
            return new AccessibleButton(label);
        }
    }
    return nullptr;
}
