#include "app/helpviewer.h"

#include "core/filelayer.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <array>

namespace {
constexpr int kBlockRole = Qt::UserRole;
} // namespace

HelpViewer::HelpViewer(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowTitle(QStringLiteral(" Quillo Pad Help"));
    setAttribute(Qt::WA_QuitOnClose, false);

    m_contents = new QTreeWidget(this);
    m_contents->setObjectName(QStringLiteral("contents"));
    m_contents->setHeaderLabel(QStringLiteral("Contents"));
    m_text = new QTextBrowser(this);
    m_text->setObjectName(QStringLiteral("text"));
    m_text->setOpenLinks(false);
    // Read out by screen readers; the find box is named by its caption.
    m_contents->setAccessibleName(QStringLiteral("Contents"));
    m_text->setAccessibleName(QStringLiteral("Help text"));
    auto* split = new QSplitter(this);
    split->setAccessibleName(QStringLiteral("Help"));
    split->addWidget(m_contents);
    split->addWidget(m_text);
    split->setStretchFactor(1, 1);
    split->setSizes({250, 550});

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(createFindRow());
    layout->addWidget(split, 1);
    resize(820, 600);
    connect(m_contents, &QTreeWidget::itemActivated, this, &HelpViewer::jumpTo);
    connect(m_contents, &QTreeWidget::itemClicked, this, &HelpViewer::jumpTo);
    createKeys();

    m_reattach = new QTimer(this);
    m_reattach->setSingleShot(true);
    m_reattach->setInterval(0);
    connect(m_reattach, &QTimer::timeout, this, [this] {
        if (QWidget* modal = QApplication::activeModalWidget(); modal && isVisible()) {
            stayUsableBeside(modal);
        }
    });
}

QLayout* HelpViewer::createFindRow() {
    m_find = new QLineEdit(this);
    m_find->setObjectName(QStringLiteral("find"));
    m_find->setPlaceholderText(QStringLiteral("Find in help"));
    m_find->setClearButtonEnabled(true);
    auto* next = new QPushButton(QStringLiteral("Find &Next"), this);
    next->setAutoDefault(false);
    m_status = new QLabel(this);
    m_status->setTextFormat(Qt::PlainText);
    // Shown with its word only: an empty label is nothing to read out.
    m_status->hide();
    connect(m_find, &QLineEdit::returnPressed, this, [this] { findNext(); });
    connect(m_find, &QLineEdit::textChanged, m_status, [this] {
        m_status->clear();
        m_status->hide();
    });
    connect(next, &QPushButton::clicked, this, [this] { findNext(); });

    auto* caption = new QLabel(QStringLiteral("Find:"), this);
    caption->setBuddy(m_find);
    m_find->setAccessibleName(QStringLiteral("Find"));
    auto* row = new QHBoxLayout;
    row->addWidget(caption);
    row->addWidget(m_find, 1);
    row->addWidget(next);
    row->addWidget(m_status);
    return row;
}

void HelpViewer::createKeys() {
    const auto key = [this](const QKeySequence& keys, auto action) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, action);
    };
    key(QKeySequence(Qt::Key_F3), [this] { findNext(); });
    key(QKeySequence(Qt::SHIFT | Qt::Key_F3), [this] { findNext(true); });
    key(QKeySequence::Find, [this] {
        m_find->setFocus();
        m_find->selectAll();
    });
    key(QKeySequence(Qt::Key_Escape), [this] { close(); });
}

void HelpViewer::showFile(const QString& helpFile) {
    if (helpFile != m_file) {
        load(helpFile);
    }
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != this) {
        stayUsableBeside(modal);
    }
    show();
    raise();
    activateWindow();
}

void HelpViewer::load(const QString& helpFile) {
    const ReadResult r = FileLayer::readAll(helpFile);
    if (r.exists && r.result) {
        m_file = helpFile;
        m_text->setMarkdown(QString::fromUtf8(r.data));
    } else {
        // Not remembered: the next F1 tries the file again.
        m_file.clear();
        m_text->setPlainText(QStringLiteral("The help file \"%1\" could not be read.\n\n%2")
                                 .arg(helpFile, r.exists ? r.result.message()
                                                         : QStringLiteral("The file is missing.")));
    }
    fillContents();
}

void HelpViewer::fillContents() {
    m_contents->clear();
    std::array<QTreeWidgetItem*, 7> parents{};
    for (QTextBlock b = m_text->document()->begin(); b.isValid(); b = b.next()) {
        const int level = b.blockFormat().headingLevel();
        if (level < 1 || level > 6) {
            continue;
        }
        QTreeWidgetItem* above = nullptr;
        for (int up = level - 1; up >= 1 && !above; --up) {
            above = parents.at(static_cast<size_t>(up));
        }
        auto* item = above ? new QTreeWidgetItem(above) : new QTreeWidgetItem(m_contents);
        item->setText(0, b.text());
        item->setData(0, kBlockRole, b.position());
        parents.at(static_cast<size_t>(level)) = item;
        for (size_t deeper = static_cast<size_t>(level) + 1; deeper < parents.size(); ++deeper) {
            parents.at(deeper) = nullptr;
        }
    }
    m_contents->expandAll();
    // Every heading whole: the list is as wide as its longest one, or
    // scrolls sideways when the user makes it narrower.
    m_contents->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_contents->header()->setStretchLastSection(false);
    if (auto* split = qobject_cast<QSplitter*>(m_contents->parentWidget())) {
        const auto* view = static_cast<const QAbstractItemView*>(m_contents);
        const int wanted = view->sizeHintForColumn(0) + 2 * m_contents->frameWidth() +
                           m_contents->verticalScrollBar()->sizeHint().width();
        const QList<int> sizes = split->sizes();
        const int total = sizes.value(0) + sizes.value(1);
        split->setSizes({wanted, qMax(total - wanted, total / 2)});
    }
}

void HelpViewer::jumpTo(QTreeWidgetItem* item) {
    if (!item) {
        return;
    }
    const QTextBlock block = m_text->document()->findBlock(item->data(0, kBlockRole).toInt());
    QTextCursor at(block);
    m_text->setTextCursor(at);
    // The heading goes to the top of the view, not just somewhere in sight.
    const QRectF r = m_text->document()->documentLayout()->blockBoundingRect(block);
    m_text->verticalScrollBar()->setValue(static_cast<int>(r.top()));
}

bool HelpViewer::findNext(bool backwards) {
    const QString wanted = m_find->text();
    if (wanted.isEmpty()) {
        return false;
    }
    const QTextDocument::FindFlags flags =
        backwards ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    bool found = m_text->find(wanted, flags);
    if (!found) {
        // Go round: from the other end of the text.
        const QTextCursor keep = m_text->textCursor();
        QTextCursor from(m_text->document());
        from.movePosition(backwards ? QTextCursor::End : QTextCursor::Start);
        m_text->setTextCursor(from);
        found = m_text->find(wanted, flags);
        if (!found) {
            m_text->setTextCursor(keep);
        }
    }
    if (found) {
        // The match in the middle of the view, with the lines around it.
        const int off = m_text->cursorRect().center().y() - m_text->viewport()->height() / 2;
        m_text->verticalScrollBar()->setValue(m_text->verticalScrollBar()->value() + off);
    }
    m_status->setText(found ? QString() : QStringLiteral("Not found"));
    m_status->setVisible(!found);
    return found;
}

void HelpViewer::stayUsableBeside(QWidget* modal) {
    // A modal dialog blocks every window but its own: while it is open, the
    // help window becomes one of the dialog's windows.
    if (m_modal == modal) {
        return;
    }
    leaveModal();
    const QPoint at = pos();
    setParent(modal, windowFlags());
    move(at);
    m_modal = modal;
    modal->installEventFilter(this);
}

void HelpViewer::leaveModal() {
    if (!m_modal) {
        return;
    }
    m_modal->removeEventFilter(this);
    m_modal = nullptr;
    const bool shown = isVisible();
    const QPoint at = pos();
    setParent(nullptr, windowFlags());
    move(at);
    if (shown) {
        show();
    }
}

bool HelpViewer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_modal && event->type() == QEvent::Hide) {
        // Out of the dialog before it goes, so that it does not take the help
        // window with it; then beside whichever dialog is still modal.
        leaveModal();
        m_reattach->start();
    }
    return QWidget::eventFilter(watched, event);
}
