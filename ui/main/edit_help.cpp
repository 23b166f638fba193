// The help key, the help entries and the about box.

#include "store/uiservices.h"
#include "store/module1.h"
#include "ui/dialogs/about.h"
#include "ui/main/edit.h"
#include "ui/main/helpkey.h"

#include <QApplication>

void edit::Fhelpcontents_Click() {
    // The same as pressing F1: the key is queued and handled after this.
    m_helpKey->send(QApplication::focusWidget());
}

void edit::Help_Click() {
    // F1 is queued to the note, where the focus now is: once the help window
    // is seen to, typing goes on into the note.
    m.focusNote();
    m_helpKey->send(QApplication::focusWidget());
}

void edit::fabout_Click() {
    about box(this);
    m.services.execModal(box);
}
