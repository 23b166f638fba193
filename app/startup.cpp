#include "app/startup.h"

#include "core/filelayer.h"
#include "store/module1.h"
#include "store/uiservices.h"
#include "core/nameindex.h"
#include "core/storejournal.h"
#include "store/vbcolor.h"
#include "ui/main/buttonlabel.h"
#include "ui/main/edit.h"
#include "ui/main/notebox.h"
#include "ui/programicon.h"

#include <QApplication>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTimer>

#include <clocale>
#include <cstdlib>
#include <dlfcn.h>
#include <sched.h>
#include <system_error>

namespace {

void applyFonts(const Module1& m, edit& w) {
    const bool bold = m.S.BoldText == 1;
    const auto setBold = [bold](QWidget* widget) {
        QFont f = widget->font();
        f.setBold(bold);
        widget->setFont(f);
    };
    for (QWidget* g : w.Group) {
        setBold(g);
    }
    for (QWidget* i : w.Item) {
        setBold(i);
    }
    setBold(w.Txt[0]);
    setBold(w.Txt[1]);
}

void applyColours(const Module1& m, edit& w) {
    VbColor::paint(w.Txt[0], m.S.PadColor);
    VbColor::paint(w.Txt[1], m.S.PadColor);
    for (QWidget* t : w.Trans) {
        VbColor::paint(t, m.S.TransColor);
    }
    w.paintSelection();
}

} // namespace

FontConfigPreload::FontConfigPreload() {
    // On one processor the two would only take turns, and the switching
    // costs more than it saves.
    cpu_set_t usable;
    if (sched_getaffinity(0, sizeof usable, &usable) != 0 || CPU_COUNT(&usable) < 2) {
        return;
    }
    // A launcher's start-up id is taken out of the environment by the
    // platform as it connects to the display, while the reader looks up its
    // own variables there: nothing may change the environment under it.
    if (std::getenv("DESKTOP_STARTUP_ID") != nullptr ||
        std::getenv("XDG_ACTIVATION_TOKEN") != nullptr) {
        return;
    }
    // The application object sets the locale from the environment; set
    // first here, the reader's numbers are never parsed while it changes.
    std::setlocale(LC_ALL, "");
    // Looked up rather than linked: the font configuration library is the
    // one the GUI library is linked against. Started twice (a platform
    // theme asked first), it keeps one and drops the other.
    using ReadFn = int (*)();
    if (auto* read = reinterpret_cast<ReadFn>(dlsym(RTLD_DEFAULT, "FcInit"))) {
        try {
            m_reader = std::thread(read);
        } catch (const std::system_error&) {
            // No thread to be had: the window's first font reads it, as
            // on one processor.
        }
    }
}

FontConfigPreload::~FontConfigPreload() {
    wait();
}

void FontConfigPreload::wait() {
    if (m_reader.joinable()) {
        m_reader.join();
    }
}

void InitialLoad(Module1& m, edit& w) {
    // The buttons keep quiet while the window is hidden: the note is named
    // once, after the settings and the names are in, on every way out.
    const auto nameNote = qScopeGuard([&w] { w.nameNote(); });
    // Only this copy uses its program folder, so what a crash left half-way
    // there is undone before anything is read (without a journal this is
    // one failed open).
    StoreJournal::recover(m.AppFolder);
    // A missing or damaged settings file gives the defaults, written once
    // the window is shown (FinishStartUp); one that cannot be read is left as
    // it is, and the user told.
    m.ReadSettings(false);
    w.ApplySizePreset();
    m.NetFolder = Module1::withSeparator(NameIndex::trimmed(m.S.NetworkFolder));
    w.NetOption.at(m.S.NetworkMode == 1 ? 1 : 0)->setChecked(true);
    if (m.S.NetworkMode == 1) {
        m.EnterStoreFolder();
    }
    m.StoreFolder = m.S.NetworkMode == 1 ? m.NetFolder : m.AppFolder;
    w.refreshtimer->setInterval(qBound(2, int(m.S.RefreshSeconds), 60) * 1000);
    m.HighlightedGroup = m.S.CurrentGroup;
    m.HighlightedItem = m.S.currentItem();
    applyColours(m, w);
    m.showNoteBox();
    applyFonts(m, w);
    if (m.S.NetworkMode == 1) {
        m.AcquireAccessToLoad();
        if (m.S.NetworkMode == 0) {
            m.LoadTransferIndex();
            return;
        }
    }
    m.LoadGroupIndex();
    m.LoadItemIndex();
    m.LoadNote();
    m.LoadTransferIndex();
    m.CloseAllFiles();
}

void ShowMainWindow(Module1& m, edit& w) {
    w.move(0, 0);
    if (m.S.StartMinimised == 1) {
        w.showMinimized();
    } else {
        w.show();
    }
    // The window's map goes out to the display, and its first paint, before
    // the rest; the user's keys and clicks wait.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    FinishStartUp(m, w);
}

void FinishStartUp(Module1& m, edit& w) {
    // The program's icon, for every window, once the main one is out.
    QApplication::setWindowIcon(programIcon());
    // The temporaries a crash left in the program folder, a first run's
    // settings and the trash's count of runs (each a synced write) are
    // nothing the window needs to be drawn: they wait until it has been
    // asked for.
    FileLayer::removeLeftovers(m.AppFolder);
    m.WriteDefaultSettings();
    m.trash.startRun();
    m.CheckShare();
    // Text a crash kept from its note is offered before anything is typed.
    w.OfferRecovery();
    m.endOperation();
}

void RestoreAndRaise(edit& w) {
    w.setWindowState((w.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    w.showNormal();
    w.raise();
    w.activateWindow();
}
