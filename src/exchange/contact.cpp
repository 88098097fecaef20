#include "exchange/contact.h"

#include <QStringList>

void assignNumbers(Contact &contact, const QStringList &mobiles, const QStringList &others)
{
    contact.cep = mobiles.value(0);
    contact.telefon = !others.isEmpty() ? others.first() : mobiles.value(1);
}
