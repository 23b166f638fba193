#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

// What the window soak checks in a store folder, shared by its copies and
// the test: every named item's note (and slot's note) starts with its name,
// as the soak types them, so a note carried under another's name shows.
// A kept "(mine)" note starts with the name it was kept from.
// A note that holds a text a copy typed into that very note is no
// disagreement: a save repeated after the access check refreshed the names
// writes the user's text where it was typed. `typed` holds
// "<folder>|<group>|<item>\t<text>" lines.
QStringList namesAndNotesDisagree(const QString& folder, const QSet<QString>& typed = {});
// A store for the window soak: these groups, and in the first six items
// "<prefix><i>" whose notes begin with their names and end with `tail`.
void seedStore(const QString& folder, const QStringList& groups, const QString& prefix,
               const QString& tail);
