#include "ui/dialogs/earliertexts.h"

#include "store/notetext.h"
#include "ui/programicon.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

template <typename W> W* earlierNamed(W* w, const char* name) {
    w->setObjectName(QLatin1String(name));
    return w;
}

} // namespace

EarlierTexts::EarlierTexts(QList<Row> rows, PreviewOf previewOf, QWidget* parent)
    : QDialog(parent), m_previewOf(std::move(previewOf)) {
    setObjectName(QStringLiteral("EarlierTexts"));
    setWindowTitle(QStringLiteral("Earlier Texts"));
    setWindowIcon(programIcon());
    if (parent) {
        setFont(parent->font());
    }
    ListCaption = earlierNamed(
        new QLabel(rows.isEmpty()
                       ? QStringLiteral("&Kept texts: none yet. A text is kept here when a note "
                                        "is saved over, moved away or erased.")
                       : QStringLiteral("&Kept texts, newest first; those of the note on "
                                        "screen come first, in bold:"),
                   this),
        "ListCaption");
    List = earlierNamed(new QTreeWidget(this), "List");
    TextCaption = earlierNamed(new QLabel(QStringLiteral("Te&xt:"), this), "TextCaption");
    Text = earlierNamed(new QPlainTextEdit(this), "Text");
    RestoreBtn = earlierNamed(new QPushButton(QStringLiteral("&Restore"), this), "RestoreBtn");
    CloseBtn = earlierNamed(new QPushButton(QStringLiteral("Close"), this), "CloseBtn");
    for (QLabel* l : {ListCaption, TextCaption}) {
        l->setTextFormat(Qt::PlainText);
    }
    ListCaption->setWordWrap(true);
    ListCaption->setBuddy(List);
    TextCaption->setBuddy(Text);
    List->setAccessibleName(QStringLiteral("Kept texts"));
    Text->setAccessibleName(QStringLiteral("Text"));

    List->setColumnCount(5);
    List->setHeaderLabels({QStringLiteral("When"), QStringLiteral("Who"), QStringLiteral("Group"),
                           QStringLiteral("Item"), QStringLiteral("What")});
    List->setRootIsDecorated(false);
    List->setUniformRowHeights(true);
    List->setAllColumnsShowFocus(true);
    List->setSelectionMode(QAbstractItemView::SingleSelection);
    List->setMinimumSize(620, 200);
    for (int k = 0; k < rows.size(); ++k) {
        const Row& r = rows.at(k);
        auto* entry = new QTreeWidgetItem(List, {r.when, r.account, r.group, r.item, r.what});
        entry->setData(0, Qt::UserRole, k);
        if (r.here) {
            QFont bold = List->font();
            bold.setBold(true);
            for (int c = 0; c < 5; ++c) {
                entry->setFont(c, bold);
            }
        }
    }
    for (int c = 0; c < 4; ++c) {
        List->resizeColumnToContents(c);
    }
    Text->setReadOnly(true);
    Text->setMinimumHeight(140);

    // Enter on the list restores, as the default button.
    RestoreBtn->setDefault(true);
    CloseBtn->setAutoDefault(false);
    connect(RestoreBtn, &QPushButton::clicked, this, &EarlierTexts::restoreChosen);
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(List, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* now) {
        showRow(now ? now->data(0, Qt::UserRole).toInt() : -1);
    });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(RestoreBtn);
    buttons->addWidget(CloseBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ListCaption);
    layout->addWidget(List, 3);
    layout->addWidget(TextCaption);
    layout->addWidget(Text, 2);
    layout->addLayout(buttons);
    setTabOrder(List, Text);
    setTabOrder(Text, RestoreBtn);
    setTabOrder(RestoreBtn, CloseBtn);

    showRow(-1);
    if (List->topLevelItemCount() > 0) {
        List->setCurrentItem(List->topLevelItem(0));
        List->setFocus();
    } else {
        CloseBtn->setFocus();
    }
}

// The preview follows the row chosen; a text that cannot be read says why
// and cannot be restored.
void EarlierTexts::showRow(int row) {
    Preview p;
    if (row >= 0 && m_previewOf) {
        p = m_previewOf(row);
    }
    NoteText::set(Text, p.text);
    RestoreBtn->setEnabled(p.ok);
}

void EarlierTexts::restoreChosen() {
    const QTreeWidgetItem* entry = List->currentItem();
    if (!entry || !RestoreBtn->isEnabled()) {
        return;
    }
    m_chosen = entry->data(0, Qt::UserRole).toInt();
    accept();
}
