#pragma once

#include "ui/main/searchstate.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <array>

class Module1;

// The search's fixed pass through the store, step for step as the window
// would go through it: the note on display from `SearchPos` on, the rest of
// the starting group's items, then each following named group from the
// starting item round. It goes over the files, not the window: each visited
// group's names and each named item's note are read and compared in memory,
// and the window is left for the caller to bring up to date where the walk
// stops. Reads that fail are reported (through `Module1::report`) and the
// note or group is passed over. The caller holds the lock in network mode.
class SearchWalk final {
public:
    // Where the walk starts: what the window shows.
    struct Start {
        std::array<QString, 31> groups; // the group captions
        std::array<QString, 62> items;  // the item captions of `group`
        QString note;                   // the text of the note on display
        qint16 group = 0;
        std::array<qint16, 31> currentItem{};
        qint16 wordWrap = 1;
    };
    enum class Stop { Match, PassComplete };
    struct Result {
        Stop stop = Stop::PassComplete;
        qint16 group = 0;
        std::array<qint16, 31> currentItem{};
        qint16 wordWrap = 1;      // as the notes read on the way left it
        qsizetype matchAt = -1;   // 0-based, in the note where the walk stopped
        bool steppedItem = false; // it went on to another item of a group
        bool steppedGroup = false;
    };

    SearchWalk(Module1& module, SearchState& state) : m(module), s(state) {}
    // Runs from `start` until a match or the end of the pass, leaving the
    // search state where Find Next resumes.
    Result run(const Start& start);

    // A text folded for comparing: one byte per character, the same byte for
    // characters that are the same in upper case, each character taken on
    // its own (so "ß" stays one character). Positions stay those of the text.
    // A character no note can hold folds to `Unheld`.
    static QByteArray fold(QStringView text);
    // The text of a note file (without its word-wrap flag) folded as the
    // note box shows it.
    static QByteArray foldNoteBytes(const QByteArray& fileText);
    static constexpr char Unheld = '\xFF';

private:
    void readItems(int group);
    void readNote(int group, int item, qint16& wordWrap);

    Module1& m;
    SearchState& s;
    std::array<QString, 62> m_items; // names of the group being walked
    QByteArray m_note;               // its note being scanned, folded
};
