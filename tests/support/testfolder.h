#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <initializer_list>
#include <sys/stat.h>

// A fresh folder for one test, with helpers for the byte images of files.
class TestFolder final {
public:
    TestFolder();
    QString path() const { return m_dir.path() + QLatin1Char('/'); }
    QString file(const QString& name) const { return path() + name; }
    QByteArray read(const QString& name) const;
    // Every file of the folder (not of its subfolders) with its bytes.
    QMap<QString, QByteArray> snapshot(bool hidden = false) const;
    // The names of every file, hidden ones too, in the folder or in its subfolder `sub`.
    QStringList files(const QString& sub = QString()) const;
    bool exists(const QString& name) const;
    void write(const QString& name, const QByteArray& bytes) const;
    QString mkdir(const QString& name) const;
    // Copies the built program (and its help file) into this folder, so it
    // runs with this folder as its program folder; returns its path.
    QString installProgram() const;

private:
    QTemporaryDir m_dir;
};

// The temporary folder where every folder above lets others through and
// anyone may make a folder, so a test's child that drops root can reach its
// files and make its own; /tmp where it does not (a TMPDIR in a private home).
QString reachableTempPath();
// The folder holding the built program and tools.
QString binDir();
// The ordinary account a test's child drops root to.
constexpr int kNobody = 65534;
// A file's permission bits; 0 when it is not there.
mode_t modeOf(const QString& path);
// Integers as the settings file holds them: little-endian.
QByteArray le16(int v);
QByteArray le32(quint32 v);
// A note file's bytes: the text and its word-wrap flag.
QByteArray storedNote(const QByteArray& text, char wrap = 1);
// A 40-byte name field.
QByteArray field(const QByteArray& name);
// An index file: these names first, blank fields up to `count`.
QByteArray names(std::initializer_list<QByteArray> first, int count);
// Writes a settings file: the defaults with `change` applied.
class SettingsRecord;
void writeSettings(const TestFolder& dir, const std::function<void(SettingsRecord&)>& change);
// Settings for network mode on the folder "net" of `dir`, made here and named
// without its closing separator; its path (with it).
QString useNetworkFolder(const TestFolder& dir);
