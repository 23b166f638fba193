#include "soakmodel.h"

#include "soak.h"

#include "core/filelayer.h"
#include "core/nameindex.h"
#include "core/notefile.h"

#include <QDir>
#include <QUrl>

#include <algorithm>

namespace {

QString trimmedName(const QString& s) {
    QString t = s.left(40);
    while (t.endsWith(QLatin1Char(' '))) {
        t.chop(1);
    }
    return t;
}

QString unesc(const QString& s) {
    return QUrl::fromPercentEncoding(s.toLatin1());
}

// An unnamed item is named after its note: leading characters up to the
// blank go, then the first 40 of the text with CR LF breaks.
QString nameFromText(const QString& text) {
    QString crlf = text;
    crlf.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    qsizetype start = 0;
    while (start < crlf.size() && crlf.at(start).unicode() <= 32) {
        ++start;
    }
    return trimmedName(crlf.mid(start, 40));
}

} // namespace

SoakModel::SoakModel() : m_groups(31) {}

QStringList& SoakModel::items(int g) {
    Index& index = m_items[g];
    if (!index) {
        index = QStringList(62);
    }
    return *index;
}

void SoakModel::keep(int g, int i, History::What what) {
    const QByteArray text = m_notes.value(note(g, i));
    if (text.isEmpty()) {
        return;
    }
    History::Entry e;
    e.group = g;
    e.item = i;
    e.groupName = m_groupsBefore.value(g);
    e.itemName = m_itemsBefore.value(g).value_or(QStringList()).value(i);
    e.what = what;
    e.account = History::account();
    m_kept.append(e);
    m_keptText.append(text);
}

// Carrying a file: the destination goes; a source with content moves or is
// copied there; an empty or missing source leaves neither. What goes or
// moves away is kept.
void SoakModel::carry(const QString& from, const QString& to, bool byCopy) {
    const auto place = [](const QString& name) { return name.mid(4).split(QLatin1Char('.')); };
    keep(place(to)[0].toInt(), place(to)[1].toInt(), History::What::MovedAway);
    m_notes.remove(to);
    if (m_notes.value(from).isEmpty()) {
        m_notes.remove(from);
        return;
    }
    m_notes.insert(to, m_notes.value(from));
    if (!byCopy) {
        keep(place(from)[0].toInt(), place(from)[1].toInt(), History::What::MovedAway);
        m_notes.remove(from);
    }
}

void SoakModel::untitled(int g) {
    if (m_groups[g].trimmed().isEmpty()) {
        m_groups[g] = QStringLiteral("Untitled");
    }
}

bool SoakModel::apply(const QString& entry) {
    const QStringList f = entry.split(QLatin1Char('\t'));
    if (f.size() < 2) {
        return false;
    }
    const int copy = f[0].toInt();
    const QString& op = f[1];
    m_groupsBefore = m_groups;
    m_itemsBefore = m_items;
    const auto n = [&f](int k) { return f.value(k).toInt(); };
    const bool move = f.value(2) == QLatin1String("move");
    if (op == QLatin1String("save") && f.size() == 7) {
        const QString text = soakText(f[5].toULongLong(), n(6));
        const QByteArray bytes = NoteFile::encode(text, static_cast<qint16>(n(4)));
        if (m_notes.value(note(n(2), n(3))) != bytes) {
            keep(n(2), n(3), History::What::SavedOver);
        }
        m_notes.insert(note(n(2), n(3)), bytes);
        if (items(n(2))[n(3)].isEmpty()) {
            items(n(2))[n(3)] = nameFromText(text);
        }
        untitled(n(2));
    } else if (op == QLatin1String("name-group") && f.size() == 4) {
        QString name = trimmedName(unesc(f[3]));
        if (name.isEmpty() && std::any_of(items(n(2)).begin(), items(n(2)).end(),
                                          [](const QString& i) { return !i.isEmpty(); })) {
            name = QStringLiteral("Untitled");
        }
        m_groups[n(2)] = name;
    } else if (op == QLatin1String("name-item") && f.size() == 5) {
        QString name = trimmedName(unesc(f[4]));
        if (name.isEmpty()) {
            if (!m_notes.value(note(n(2), n(3))).isEmpty()) {
                name = QStringLiteral("Untitled");
            } else {
                m_notes.remove(note(n(2), n(3)));
            }
        }
        items(n(2))[n(3)] = name;
    } else if (op == QLatin1String("item") && f.size() == 8) {
        const int s = n(3), j = n(4), g = n(5), k = n(6);
        items(g)[k] = unesc(f[7]);
        if (move) {
            items(s)[j] = QString();
        }
        carry(note(s, j), note(g, k), !move);
        untitled(g);
    } else if (op == QLatin1String("group") && f.size() == 5) {
        const int j = n(3), k = n(4);
        m_groups[k] = m_groups[j];
        if (move) {
            m_groups[j] = QString();
        }
        for (int i = 0; i < 62; ++i) {
            carry(note(j, i), note(k, i), !move);
        }
        m_items[k] = m_items.value(j);
        if (move) {
            m_items.remove(j);
        }
    } else if (op == QLatin1String("erase-group") && f.size() == 3) {
        m_groups[n(2)] = QString();
        m_items.remove(n(2));
        for (int i = 0; i < 62; ++i) {
            keep(n(2), i, History::What::Erased);
            m_notes.remove(note(n(2), i));
        }
    } else if (op == QLatin1String("erase-item") && f.size() == 4) {
        keep(n(2), n(3), History::What::Erased);
        m_notes.remove(note(n(2), n(3)));
        items(n(2))[n(3)] = QString();
    } else if (op == QLatin1String("to-slot") && f.size() == 7) {
        Slots& held = m_slots[copy];
        held.names[size_t(n(5))] = unesc(f[6]);
        const QByteArray bytes = m_notes.value(note(n(3), n(4)));
        held.notes.remove(n(5));
        if (!bytes.isEmpty()) {
            held.notes.insert(n(5), bytes);
        }
        if (move) {
            items(n(3))[n(4)] = QString();
            keep(n(3), n(4), History::What::MovedAway);
            m_notes.remove(note(n(3), n(4)));
        }
    } else if (op == QLatin1String("from-slot") && f.size() == 7) {
        Slots& held = m_slots[copy];
        const int j = n(3), g = n(4), k = n(5);
        items(g)[k] = unesc(f[6]);
        keep(g, k, History::What::MovedAway);
        m_notes.remove(note(g, k));
        if (!held.notes.value(j).isEmpty()) {
            m_notes.insert(note(g, k), held.notes.value(j));
        }
        if (move) {
            held.names[size_t(j)] = QString();
            held.notes.remove(j);
        }
        untitled(g);
    } else {
        return false;
    }
    return true;
}

QStringList SoakModel::compare(const QString& store,
                               const QMap<int, QString>& programFolders) const {
    QStringList diffs;
    const auto names = [&diffs](const QString& path, int count) {
        const ReadResult r = FileLayer::readAll(path);
        if (r.exists && r.data.size() != count * 40) {
            diffs.append(QStringLiteral("%1 is %2 bytes").arg(path).arg(r.data.size()));
        }
        return NameIndex::decode(r.data, count);
    };
    if (names(store + "group.dir", 31) != m_groups) {
        diffs.append(QStringLiteral("group names differ"));
    }
    for (int g = 0; g < 31; ++g) {
        const QStringList expected = m_items.value(g).value_or(QStringList(62));
        if (names(store + QStringLiteral("items%1.dir").arg(g), 62) != expected) {
            diffs.append(QStringLiteral("item names of group %1 differ").arg(g));
        }
    }
    QStringList notes = QDir(store).entryList({"quil[0-9]*"}, QDir::Files) + m_notes.keys();
    notes.removeDuplicates();
    for (const QString& file : notes) {
        const ReadResult r = FileLayer::readAll(store + file);
        if (!r.exists || !m_notes.contains(file) || r.data != m_notes.value(file)) {
            diffs.append(file + (!r.exists                 ? QStringLiteral(" is missing")
                                 : !m_notes.contains(file) ? QStringLiteral(" should not exist")
                                                           : QStringLiteral(" differs")));
        }
    }
    for (const QString& stray : QDir(store).entryList(QDir::Files | QDir::Hidden)) {
        // (The soak's own log may leave a temporary of its entry; it is no store file.)
        if ((stray.startsWith(QLatin1Char('.')) && !stray.startsWith(QLatin1String(".soak."))) ||
            stray == QLatin1String("quillo.jnl")) {
            diffs.append(QStringLiteral("%1 was left behind").arg(stray));
        }
    }
    for (auto it = programFolders.begin(); it != programFolders.end(); ++it) {
        const Slots held = m_slots.value(it.key());
        QStringList expected(held.names.begin(), held.names.end());
        if (names(it.value() + "trans.dir", 12) != expected) {
            diffs.append(QStringLiteral("slot names of copy %1 differ").arg(it.key()));
        }
        for (int k = 0; k < 12; ++k) {
            const ReadResult r = FileLayer::readAll(it.value() + QStringLiteral("trans.%1").arg(k));
            if (r.data != held.notes.value(k)) {
                diffs.append(QStringLiteral("slot %1 of copy %2 differs").arg(k).arg(it.key()));
            }
        }
    }
    return diffs;
}

QStringList SoakModel::compareHistory(const QString& store) const {
    QStringList diffs;
    const History history(store);
    QList<History::Entry> kept = history.entries();
    std::reverse(kept.begin(), kept.end());
    if (kept.size() != m_kept.size()) {
        diffs.append(QStringLiteral("the history holds %1 entries, not %2")
                         .arg(kept.size())
                         .arg(m_kept.size()));
    }
    // An entry in words: its place, what became of it, its names and account.
    const auto said = [](const History::Entry& x) {
        return QStringLiteral("%1.%2 %3 \"%4\" \"%5\" by %6")
            .arg(x.group)
            .arg(x.item)
            .arg(History::whatName(x.what), x.groupName, x.itemName, x.account);
    };
    qint64 last = 0;
    for (qsizetype k = 0; k < std::min(kept.size(), m_kept.size()); ++k) {
        const History::Entry& e = kept[k];
        if (said(e) != said(m_kept[k]) || e.timeMs < last) {
            diffs.append(
                QStringLiteral("entry %1 is %2, not %3").arg(k).arg(said(e), said(m_kept[k])));
        } else if (history.text(e).data != m_keptText[k]) {
            diffs.append(QStringLiteral("entry %1's text differs").arg(k));
        }
        last = e.timeMs;
    }
    return diffs;
}
