#include "ui/main/targetform.h"

#include "ui/programicon.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

template <typename W> W* named(W* w, const char* name) {
    w->setObjectName(QLatin1String(name));
    return w;
}

QLabel* caption(const QString& text, QWidget* parent, const char* name) {
    auto* label = named(new QLabel(text, parent), name);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

TargetForm::TargetForm(const QString& title, const QString& prompt, QList<Area> areas,
                       int firstArea, QWidget* parent)
    : QDialog(parent), m_areas(std::move(areas)) {
    setObjectName(QStringLiteral("TargetForm"));
    setWindowTitle(title);
    setWindowIcon(programIcon());
    if (parent) {
        setFont(parent->font());
    }
    Prompt = caption(prompt, this, "Prompt");
    AreaCaption = caption(QStringLiteral("Into:"), this, "AreaCaption");
    AreaList = named(new QComboBox(this), "AreaList");
    PlaceCaption = caption(QStringLiteral("Free place:"), this, "PlaceCaption");
    PlaceList = named(new QListWidget(this), "PlaceList");
    for (const Area& a : m_areas) {
        AreaList->addItem(a.name);
    }
    // Fields are read out by their captions.
    AreaCaption->setBuddy(AreaList);
    AreaList->setAccessibleName(QStringLiteral("Into"));
    AreaList->view()->setAccessibleName(QStringLiteral("Places"));
    PlaceCaption->setBuddy(PlaceList);
    PlaceList->setAccessibleName(QStringLiteral("Free place"));
    PlaceList->setMinimumSize(260, 200);

    OKBtn = named(new QPushButton(QStringLiteral("OK"), this), "OKBtn");
    OKBtn->setDefault(true);
    CancelBtn = named(new QPushButton(QStringLiteral("Cancel"), this), "CancelBtn");
    CancelBtn->setAutoDefault(false);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(PlaceList, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(AreaList, &QComboBox::currentIndexChanged, this, &TargetForm::showArea);

    auto* fields = new QFormLayout;
    fields->addRow(AreaCaption, AreaList);
    fields->addRow(PlaceCaption, PlaceList);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Prompt);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // One area only (the group positions): nothing to choose there.
    AreaCaption->setVisible(m_areas.size() > 1);
    AreaList->setVisible(m_areas.size() > 1);
    const int first = qBound(0, firstArea, static_cast<int>(m_areas.size()) - 1);
    AreaList->setCurrentIndex(first);
    showArea(first);
    PlaceList->setFocus();
}

void TargetForm::showArea(int area) {
    PlaceList->clear();
    if (area < 0 || area >= m_areas.size()) {
        OKBtn->setEnabled(false);
        return;
    }
    for (const Place& p : m_areas.at(area).places) {
        auto* entry = new QListWidgetItem(p.name, PlaceList);
        entry->setData(Qt::UserRole, p.index);
    }
    PlaceList->setCurrentRow(0);
    OKBtn->setEnabled(PlaceList->count() > 0);
}

int TargetForm::chosenArea() const {
    return AreaList->currentIndex();
}

int TargetForm::chosenPlace() const {
    const QListWidgetItem* entry = PlaceList->currentItem();
    return entry ? entry->data(Qt::UserRole).toInt() : -1;
}
