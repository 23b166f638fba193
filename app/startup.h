#pragma once

class Module1;
class edit;

// Start-up, after the single-instance check: reads the settings, applies
// them to the main window, chooses the store folder, takes the lock in
// network mode and loads the store.
void InitialLoad(Module1& m, edit& w);
// Places the main window at the top-left corner and shows it, minimised if
// the settings say so.
void ShowMainWindow(Module1& m, edit& w);
// A second copy asked this one to show itself: restore and raise the window.
void RestoreAndRaise(edit& w);
