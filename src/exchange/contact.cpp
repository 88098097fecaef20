#include "exchange/contact.h"

#include <QStringList>

void assignNumbers(Contact &contact, const QStringList &mobiles, const QStringList &others)
{
    contact.cep = mobiles.value(0);
    contact.telefon = !others.isEmpty() ? others.first() : mobiles.value(1);
    contact.unplaced = mobiles.mid(others.isEmpty() ? 2 : 1) + others.mid(1);
}

bool fieldTooLong(const QString &text)
{
    constexpr int longest = 64 * 1024;
    // A UTF-16 unit takes at most three bytes in UTF-8.
    return text.size() > longest || (text.size() > longest / 3 && text.toUtf8().size() > longest);
}

QString fieldTooLongAt(int line)
{
    return QStringLiteral("satır %1: bir alan 64 KiB'tan uzun, kişi bilgisi olamaz").arg(line);
}
