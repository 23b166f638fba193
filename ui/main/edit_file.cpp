// The File menu: the note on display exchanged with ordinary text files.
// Open reads a file into an empty note, which is then saved to the store
// like typed text; Save As and Save write the note out and change nothing
// in the store. Files are read as UTF-8 when they are valid UTF-8, else as
// Windows-1252, and written as UTF-8 with CR LF line breaks, atomically.

#include "store/uiservices.h"
#include "core/filelayer.h"
#include "store/module1.h"
#include "store/notetext.h"
#include "core/textfile.h"
#include "ui/dialogs/cant.h"
#include "ui/main/edit.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QStandardPaths>

#include <cerrno>
#include <unistd.h>

namespace {

// "All Files" first, "Text Files" second: the file filter indexes 1 and 2.
const QString kFilter = QStringLiteral("All Files (*);;Text Files (*.txt *.doc *.bat *.ini)");

// Where a file dialog opens: the file last chosen in one, or at first the
// user's documents folder (the home folder when there is none), never the
// program folder among the notes' own files.
QString dialogFolder(const QString& lastChosen) {
    if (!lastChosen.isEmpty()) {
        return lastChosen;
    }
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

} // namespace

// A text can be opened only into an empty note, only a note with text can
// be saved under a new name, and "Save" is offered only for the file last
// opened or saved, until the user turns to another note.
void edit::file_Click() {
    const bool empty = m.noteText().isEmpty();
    Fopen->setEnabled(empty);
    Fsaveas->setEnabled(!empty);
    Fsave->setEnabled(!TextFileName.isEmpty());
}

// Only the first Open of a run preselects "Text Files"; every later one,
// after OK or Cancel alike, "All Files".
void edit::Fopen_Click() {
    if (FileFilterIndex == 0) {
        FileFilterIndex = 2;
    }
    m_fileFilter = kFilter;
    m_fileFilterChosen = FileFilterIndex;
    const QString path =
        m.services.openFileName(this, QStringLiteral("Open"), dialogFolder(m_fileDialogPath),
                                m_fileFilter, &m_fileFilterChosen);
    FileFilterIndex = 1;
    if (path.isEmpty()) {
        return;
    }
    m_fileDialogPath = path;
    if (!readTextFile(path)) {
        m.services.beep();
        cant box(this);
        m.services.execModal(box);
        return;
    }
    TextFileName = path;
    Fsave->setEnabled(true);
}

// Puts the file's text into the visible note box. A name that does not
// exist yet is created as an empty file, and the note stays empty. False
// when the file cannot be read or cannot be a note: anything but a regular
// file (a device or a pipe may never end) or a file over the size limit,
// which is refused before it is read rather than freezing the window.
bool edit::readTextFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        return FileLayer::writeAtomic(path, QByteArray()).ok();
    }
    if (!info.isFile() || info.size() > MaxTextFileBytes) {
        return false;
    }
    // A link the user chose is followed here, and only here: this file is
    // the user's pick, not a name in the program's folders.
    const ReadResult r = FileLayer::readAll(info.canonicalFilePath());
    if (!r.result || !r.exists || r.data.size() > MaxTextFileBytes) {
        return false;
    }
    // The box turns what the store cannot hold into '?' as the text enters.
    NoteText::set(m.noteBox(), TextFile::decode(r.data));
    return true;
}

// The dialog shows the filters of the last Open of this run, none before.
void edit::Fsaveas_Click() {
    const QString path = m.services.saveFileName(
        this, QStringLiteral("Save As"), dialogFolder(m_fileDialogPath), m_fileFilter,
        m_fileFilter.isEmpty() ? nullptr : &m_fileFilterChosen);
    if (path.isEmpty()) {
        return;
    }
    m_fileDialogPath = path;
    TextFileName = path;
    writeTextFile();
}

void edit::Fsave_Click() {
    if (TextFileName.isEmpty()) {
        Fsaveas_Click();
        return;
    }
    writeTextFile();
}

// Writes the note to `TextFileName`, replacing the file whole: a crash or a
// full disk leaves the old file or the new one, never a torn one or an old
// tail. A failure is told to the user; the note stays as it is.
void edit::writeTextFile() {
    const QFileInfo info(TextFileName);
    // Through a link the file it names is rewritten; the link stays a link.
    const QString target =
        info.isSymLink() && info.exists() ? info.canonicalFilePath() : TextFileName;
    FileResult written;
    // A file the user made read-only is not replaced behind its back.
    if (info.exists() && ::access(QFile::encodeName(target).constData(), W_OK) != 0) {
        written = FileResult::failure(QStringLiteral("save"), TextFileName, errno);
    } else {
        written = FileLayer::writeAtomic(target, TextFile::encode(m.noteText()));
    }
    if (!m.report(written)) {
        m.showMessages();
    }
}
