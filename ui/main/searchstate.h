#pragma once

#include <QString>

// What a search goes on from: "Find" sets it, every stop of the walk leaves
// it where "Find Next" resumes.
struct SearchState final {
    QString SearchText;          // empty: there is no search to continue
    qint32 SearchPos = 1;        // 1-based position in the note on display
    qint16 SearchStartGroup = 0; // the group and item the search started from
    qint16 SearchStartItem = 0;
    qint16 GroupScanned = 0;  // a note of this group was scanned since entering it
    qint16 ItemStepped = 0;   // the walk stepped to another item since entering this group
    qint16 GroupStepped = 0;  // the walk has left its starting group
    qint16 NoMoreMatches = 0; // the last pass ended without a further match
};
