#include "mainwindowfixture.h"
#include "soon.h"

#include "store/notefile.h"
#include "store/recoveryfile.h"
#include "store/textfile.h"
#include "ui/main/buttonlabel.h"

#include <QFileInfo>
#include <QPushButton>
#include <QProcess>

#include <csignal>
#include <sys/stat.h>

namespace {

QString typedScript(int lines) {
    QString s;
    for (int k = 1; k <= lines; ++k) {
        s += QStringLiteral("line %1\n").arg(k);
    }
    return s;
}

} // namespace

class Recovery : public MainWindowFixture {
protected:
    QString rcv() const { return dir.file(QStringLiteral("quillo.rcv")); }
    void restart() {
        w.reset();
        m.reset();
        start();
    }
    void leaveRecovery(const QString& storeFolder, int group, int item, const QString& text) {
        RecoveryNote r;
        r.storeFolder = storeFolder;
        r.group = group;
        r.item = item;
        r.text = text;
        dir.write(QStringLiteral("quillo.rcv"), r.encode());
    }
};

// A copy killed while its user types leaves the typed text behind; the next
// start offers it, puts it back unsaved into its note, and the save on
// quitting ends it.
TEST_F(Recovery, TextTypedUntilAKillComesBackIntoItsNote) {
    QProcess typist;
    typist.start(QStringLiteral(QUILLO_BIN_DIR "/quillo_typist"), {dir.path()});
    ASSERT_TRUE(typist.waitForStarted());
    ASSERT_SOON_MS(QFileInfo(rcv()).size() > 80, 20000);
    ::kill(static_cast<pid_t>(typist.processId()), SIGKILL);
    typist.waitForFinished();

    const std::optional<RecoveryNote> kept =
        RecoveryNote::decode(dir.read(QStringLiteral("quillo.rcv")));
    ASSERT_TRUE(kept);
    EXPECT_TRUE(typedScript(1000).startsWith(kept->text)) << kept->text.toStdString();
    EXPECT_GT(kept->text.size(), 30);
    struct stat st {};
    ASSERT_EQ(::stat(rcv().toLocal8Bit().constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    ui.answers = {0}; // Restore It
    start();
    ASSERT_EQ(ui.questions.size(), 1);
    EXPECT_TRUE(ui.questions[0].contains(QStringLiteral("not saved")));
    EXPECT_EQ(ui.lastAnswers,
              (QStringList{QStringLiteral("Restore It"), QStringLiteral("Save as Text File..."),
                           QStringLiteral("Discard It")}));
    EXPECT_EQ(note(), kept->text);
    EXPECT_TRUE(m->noteChanged());
    EXPECT_TRUE(QFileInfo::exists(rcv()));

    click(w->unload);
    EXPECT_EQ(dir.read(QStringLiteral("quil0.0")), NoteFile::encode(kept->text, 1));
    EXPECT_FALSE(QFileInfo::exists(rcv()));
    EXPECT_TRUE(ui.errors.isEmpty()) << ui.errors.join('\n').toStdString();
}

// Typing keeps the file within moments; a text the note holds anyway is no
// question; another store's text can only go to a text file; Discard gives
// it up and leaves the note alone.
TEST_F(Recovery, OfferedOnlyWhenSomethingWouldBeLost) {
    start();
    click(w->Item[3]);
    type(QStringLiteral("typed"));
    ASSERT_SOON(QFileInfo::exists(rcv()));
    EXPECT_EQ(RecoveryNote::decode(dir.read(QStringLiteral("quillo.rcv")))->item, 3);
    click(w->Item[4]);
    EXPECT_FALSE(QFileInfo::exists(rcv()));

    leaveRecovery(m->StoreFolder, 0, 3, QStringLiteral("typed"));
    restart();
    EXPECT_TRUE(ui.questions.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(rcv()));

    leaveRecovery(dir.path() + QStringLiteral("elsewhere/"), 2, 5, QStringLiteral("far\naway"));
    ui.answers = {0};
    ui.nextFileName = dir.file(QStringLiteral("kept.txt"));
    restart();
    EXPECT_EQ(ui.lastAnswers,
              (QStringList{QStringLiteral("Save as Text File..."), QStringLiteral("Discard It")}));
    EXPECT_EQ(dir.read(QStringLiteral("kept.txt")), QByteArray("far\r\naway"));
    EXPECT_FALSE(QFileInfo::exists(rcv()));

    leaveRecovery(m->StoreFolder, 0, 3, QStringLiteral("not wanted"));
    ui.answers = {2};
    restart();
    EXPECT_EQ(ui.questions.size(), 2);
    EXPECT_FALSE(QFileInfo::exists(rcv()));
    EXPECT_EQ(dir.read(QStringLiteral("quil0.3")), NoteFile::encode(QStringLiteral("typed"), 1));
    EXPECT_FALSE(m->noteChanged());
}
