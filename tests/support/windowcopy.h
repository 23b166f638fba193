#pragma once

#include <QByteArray>
#include <QMap>
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
// The files of a copy's local store, by name: what no action begun in the
// network store may change.
QMap<QString, QByteArray> localStoreFiles(const QString& folder);
// The copy that wrote a soak text last: its last word is "c<copy>n<count>".
int lastWriter(const QString& text);
