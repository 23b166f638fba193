#pragma once

#include <thread>

class Module1;
class edit;

// Reading the font configuration is a third of start-up and needs no
// display: a second thread reads it while the main one connects to the
// display and claims the program. wait() before the first font is used,
// and before the application object goes on a way out that uses none.
class FontConfigPreload {
public:
    FontConfigPreload();
    ~FontConfigPreload();
    FontConfigPreload(const FontConfigPreload&) = delete;
    FontConfigPreload& operator=(const FontConfigPreload&) = delete;
    void wait();

private:
    std::thread m_reader;
};

// Start-up, after the single-instance check: reads the settings, applies
// them to the main window, chooses the store folder, takes the lock in
// network mode and loads the store.
void InitialLoad(Module1& m, edit& w);
// Places the main window at the top-left corner and shows it, minimised if
// the settings say so.
// Then does what need not come before the window (through FinishStartUp).
void ShowMainWindow(Module1& m, edit& w);
// The rest of start-up, once the window is shown and before any of its
// events runs: gives the program's icon, clears the program folder's
// leftovers, writes a first run's settings, counts the trash's run, checks
// the network folder's file system and offers recovered text.
void FinishStartUp(Module1& m, edit& w);
// A second copy asked this one to show itself: restore and raise the window.
void RestoreAndRaise(edit& w);
