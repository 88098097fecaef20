// The phone number key and the search in numbers against plain ones.
// Input: the stored number, a zero byte, the search text (without a zero byte, both).
#include "search/folding.h"

#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{

// The digits, without "90" after a leading "+" (white space before it aside), else
// without a leading "0090", else without one leading "0".
std::string plainKey(const std::string &number)
{
    std::string digits;
    for (char c : number)
        if (c >= '0' && c <= '9')
            digits += c;
    const bool international =
        QString::fromUtf8(number.data(), int(number.size())).trimmed().startsWith(QLatin1Char('+'));
    for (const char *prefix : {international ? "90" : "0090", international ? "" : "0"}) {
        const std::string start(prefix);
        if (!start.empty() && digits.compare(0, start.size(), start) == 0)
            return digits.substr(start.size());
    }
    return digits;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char *>(data), size);
    const std::size_t zero = input.find('\0');
    const std::string number = input.substr(0, zero);
    const std::string search = zero == std::string::npos ? input : input.substr(zero + 1);

    const QByteArray key = phoneNumberKey(QString::fromUtf8(search.data(), int(search.size())));
    const std::string expectedKey = plainKey(search);
    if (key.toStdString() != expectedKey) {
        std::fprintf(stderr, "key '%s', expected '%s'\n", key.constData(), expectedKey.c_str());
        std::abort();
    }
    const bool found =
        phoneNumberContains(number.data(), int(number.size()), key.constData(), key.size());
    const bool expected = !key.isEmpty() && plainKey(number).find(expectedKey) != std::string::npos;
    if (found != expected) {
        std::fprintf(stderr, "found %d, expected the opposite\n", int(found));
        std::abort();
    }
    return 0;
}
