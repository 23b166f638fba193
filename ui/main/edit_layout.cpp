// The window's fixed size, its place against the screen edges, the note
// width and the two ways out.

#include "store/uiservices.h"
#include "core/filelayer.h"
#include "store/module1.h"
#include "core/textfile.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/edit.h"
#include "ui/main/notebox.h"
#include "ui/twips.h"

#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QTimer>

int edit::widthTwips() const {
    return Twips::fromPx(width());
}
int edit::leftTwips() const {
    return Twips::fromPx(frameGeometry().x());
}
int edit::topTwips() const {
    return Twips::fromPx(frameGeometry().y());
}

bool edit::isNormalState() const {
    return !(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
}

void edit::ApplySizePreset() {
    const bool large = m.S.LargeLayout == 1;
    const auto setFrame = [](QGroupBox* f, int left, int width, int height) {
        Twips::place(f, left, Twips::fromPx(f->y()), width, height);
    };
    if (large) {
        setFixedSize(Twips::toPx(LargeWidth), Twips::toPx(8892));
        setFrame(Frame2, Twips::fromPx(Frame2->x()), 4548, 8148);
        setFrame(Frame3, 9420, Twips::fromPx(Frame3->width()), 8148);
        Frame4->show();
    } else {
        setFixedSize(Twips::toPx(SmallWidth), Twips::toPx(SmallHeight));
        setFrame(Frame2, Twips::fromPx(Frame2->x()), 2290, Twips::fromPx(Frame2->height()));
        setFrame(Frame3, 7160, Twips::fromPx(Frame3->width()), Twips::fromPx(Frame3->height()));
        Frame4->hide();
    }
    for (int k = 24; k < 62; ++k) {
        Item[k]->setVisible(large);
    }
    // In the small layout groups 25 to 30 lie below the window's lower
    // edge: hidden, so that no sliver of them shows or takes a click.
    for (int k = 24; k < 31; ++k) {
        Group[k]->setVisible(large);
    }
    // Setting the size raises the resize handler, which settles the size.
    Form_Resize();
}

void edit::Form_Resize() {
    if (m_inResize) {
        return;
    }
    m_inResize = true;
    if (m.S.NetworkMode == 0 || !isNormalState()) {
        refreshtimer->stop();
    } else if (!refreshtimer->isActive()) {
        refreshtimer->start();
    }
    if (isNormalState()) {
        const bool large = m.S.LargeLayout == 1;
        setFixedSize(Twips::toPx(large ? LargeWidth : SmallWidth),
                     Twips::toPx(large ? LargeHeight : SmallHeight));
        if (isVisible()) {
            m.focusNote();
        }
    }
    m_inResize = false;
}

void edit::fsize_Click() {
    const auto w = static_cast<float>(Twips::fromPx(Txt[0]->width()));
    const auto W = static_cast<float>(widthTwips());
    const int wide = widthTwips() - 210;
    const int next = (W - 210.0F == w) ? NarrowNote : wide;
    for (NoteBox* box : Txt) {
        box->resize(Twips::toPx(next), box->height());
    }
}

void edit::Minimise_Click() {
    setWindowState(windowState() | Qt::WindowMinimized);
}

void edit::Timer1_Timer() {
    if (!isNormalState()) {
        return;
    }
    QPoint at = frameGeometry().topLeft();
    if (topTwips() < 300) {
        at.setY(0);
    }
    if (leftTwips() > -300 && leftTwips() < 300) {
        at.setX(0);
    }
    if (at != frameGeometry().topLeft()) {
        move(at);
    }
}

void edit::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void edit::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        Form_Resize();
    } else if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        // Back at the window after a log-out was cancelled: the close box
        // minimises again.
        m_sessionEnding = false;
    }
}

void edit::sessionEnding() {
    m_sessionEnding = true;
}

void edit::Form_QueryUnload(qint16& Cancel, qint16 UnloadMode) {
    if (UnloadMode == 0) {
        Cancel = -1;
        setWindowState(windowState() | Qt::WindowMinimized);
    }
}

void edit::closeEvent(QCloseEvent* event) {
    qint16 cancel = 0;
    // The user's close box or control menu minimise; only the session's end
    // closes the window for real, without saving.
    const qint16 mode = m_sessionEnding ? 1 : 0;
    Form_QueryUnload(cancel, mode);
    if (cancel != 0) {
        event->ignore();
    } else {
        event->accept();
    }
}

void edit::unload_Click() {
    if (m.noteChanged()) {
        if (m.AccessCheckAbandons(false)) {
            return;
        }
        m.SaveNote();
        const QString why = m.SaveFailed ? m.takeMessages() : QString();
        m.CloseAllFiles();
        // The save stands only once its operation ends: that can fail too.
        if (m.noteText() != m.storedText() &&
            !mayQuitUnsaved(why.isEmpty() ? QStringLiteral("The note could not be saved.") : why)) {
            // The note could not be written: nothing ends without the user's word.
            return;
        }
    }
    m.CloseAllFiles();
    // Saved, kept in a text file or given up: nothing is left to recover
    // (also not typing undone since the recovery file was last written).
    m.DropRecovery(true);
    emit endProgram();
}

// A way out when the note cannot be saved: keep it as a text file, give it
// up, or stay. (The clipboard is no way out: its text ends with the program.)
bool edit::mayQuitUnsaved(QString why) {
    for (;;) {
        const int answer = m.services.ask(
            this,
            why + QStringLiteral("\n\nThe note on screen has not been saved. You can save it as "
                                 "a text file and quit, quit without saving it, or keep "
                                 "editing."),
            {QStringLiteral("Save as Text File..."), QStringLiteral("Quit Without Saving"),
             QStringLiteral("Keep Editing")});
        if (answer == 1) {
            return true;
        }
        if (answer != 0) {
            m.focusNote();
            return false;
        }
        const std::optional<FileResult> written = saveAsTextFile(m.noteText());
        if (!written) {
            continue;
        }
        if (*written) {
            return true;
        }
        why = written->message();
    }
}
