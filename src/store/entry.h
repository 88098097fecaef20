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
