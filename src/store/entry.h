#pragma once

#include <QString>
#include <QVector>

// One stored entry. A null text is SQL NULL (another program may store one).
struct Entry {
    qint64 id = 0;
    QString adsoyad;
    QString telefon;
    QString cep;
    QString mail;

    // Same id and the same four texts: what a change made elsewhere would break.
    bool operator==(const Entry &other) const
    {
        return id == other.id && adsoyad == other.adsoyad && telefon == other.telefon &&
               cep == other.cep && mail == other.mail;
    }
    bool operator!=(const Entry &other) const { return !(*this == other); }
};

// The columns of an entry a list shows, as stored.
enum class EntryColumn { Name = 1, Phone = 2, Mobile = 3, Mail = 4 };

inline QString textIn(const Entry &entry, EntryColumn column)
{
    switch (column) {
    case EntryColumn::Name:
        return entry.adsoyad;
    case EntryColumn::Phone:
        return entry.telefon;
    case EntryColumn::Mobile:
        return entry.cep;
    case EntryColumn::Mail:
        break;
    }
    return entry.mail;
}

inline QVector<qint64> idsOf(const QVector<Entry> &entries)
{
    QVector<qint64> ids;
    ids.reserve(entries.size());
    for (const Entry &entry : entries)
        ids << entry.id;
    return ids;
}
