// The .xlsx reader on any bytes: a zip archive whose parts are XML, or anything else.
#include "exchange/workbookreader.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    ContactFile contacts;
    QString error;
    const bool read = readWorkbook(bytes, {}, contacts, error);
    // A refusal always says why; what is read has a name, and no NUL in any text.
    if (!read && error.isEmpty())
        std::abort();
    for (const Contact &contact : contacts.contacts) {
        if (contact.adsoyad.isEmpty())
            std::abort();
        for (const QString *text :
             {&contact.adsoyad, &contact.telefon, &contact.cep, &contact.mail})
            if (text->contains(QChar(0)))
                std::abort();
    }
    return 0;
}
