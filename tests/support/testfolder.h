#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A fresh folder for one test, with helpers for the byte images of files.
class TestFolder final {
public:
    TestFolder();
    QString path() const { return m_dir.path() + QLatin1Char('/'); }
    QString file(const QString& name) const { return path() + name; }
    QByteArray read(const QString& name) const;
    bool exists(const QString& name) const;
    void write(const QString& name, const QByteArray& bytes) const;
    QString mkdir(const QString& name) const;
    // Copies the built program (and its help file) into this folder, so it
    // runs with this folder as its program folder; returns its path.
    QString installProgram() const;

private:
    QTemporaryDir m_dir;
};

// The folder holding the built program and tools.
QString binDir();
// A 40-byte name field.
QByteArray field(const QByteArray& name);
