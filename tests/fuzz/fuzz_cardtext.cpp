// A contact card as a CardDAV server (or whoever wrote on it) holds it, with an entry's values
// put in: no crash, no leak, the name read back as put, and once the entry takes what the
// card then says (another number of its kind may stand in for one emptied), putting that in
// changes nothing.
// Input: the card, a zero byte, then the name, phone, mobile and mail parted by zero bytes.
#include "carddav/cardtext.h"

#include <QByteArrayList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace
{

void fail(const char *what)
{
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayList parts =
        QByteArray(reinterpret_cast<const char *>(data), int(size)).split('\0');
    const auto part = [&parts](int i) {
        return QString::fromUtf8(parts.value(i)).remove(QLatin1Char('\r')).remove('\n').trimmed();
    };
    const Entry entry{1, part(1), part(2), part(3), part(4)};
    const QByteArray card = cardWithEntry(parts.value(0), entry, QStringLiteral("uid"));
    if (QString::fromUtf8(card).toUtf8() != card &&
        QString::fromUtf8(parts.value(0)).toUtf8() == parts.value(0))
        fail("a card of valid UTF-8 written as invalid UTF-8");
    const CardFields read = fieldsOf(card);
    if (!entry.adsoyad.isEmpty() && read.name != entry.adsoyad)
        fail("the name did not read back");
    const Entry settled{1, read.name, read.phone, read.mobile, read.mail};
    if (cardWithEntry(card, settled, QStringLiteral("uid")) != card)
        fail("putting the card's own values in changed it");
    return 0;
}
