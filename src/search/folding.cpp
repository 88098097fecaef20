#include "search/folding.h"

#include <QVector>

#include <array>
#include <string>
#include <string_view>

namespace
{

// The Latin range that loses its diacritics; above it only the case is folded.
constexpr char32_t latinEnd = 0x250;

char32_t baseLetter(char32_t c)
{
    while (QChar::decompositionTag(c) == QChar::Canonical)
        c = QChar::decomposition(c).toUcs4().value(0, c);
    return c;
}

// Built once at start-up: the search folds every character of every name it scans.
const std::array<char32_t, latinEnd> latinFolded = [] {
    std::array<char32_t, latinEnd> folded{};
    for (char32_t c = 0; c < latinEnd; ++c)
        folded[c] = c == U'ı' ? U'i' : QChar::toLower(baseLetter(c));
    return folded;
}();

bool isSeparator(char32_t c)
{
    return c == ' ' || c == '+' || c == '-' || c == '.' || c == '(' || c == ')';
}

// Where UTF-8 text starts once the white space QString::trimmed removes is skipped.
const char *firstNonBlank(const char *c, const char *end)
{
    const auto byte = [&c, end](std::ptrdiff_t i) {
        return c + i < end ? static_cast<unsigned char>(c[i]) : 0;
    };
    while (c < end) {
        if (byte(0) == ' ' || (byte(0) >= '\t' && byte(0) <= '\r'))
            c += 1;
        else if (byte(0) == 0xC2 && (byte(1) == 0x85 || byte(1) == 0xA0))
            c += 2; // U+0085, U+00A0
        else if ((byte(0) == 0xE1 && byte(1) == 0x9A && byte(2) == 0x80) ||
                 (byte(0) == 0xE2 && byte(1) == 0x80 &&
                  ((byte(2) >= 0x80 && byte(2) <= 0x8A) || byte(2) == 0xA8 || byte(2) == 0xA9 ||
                   byte(2) == 0xAF)) ||
                 (byte(0) == 0xE2 && byte(1) == 0x81 && byte(2) == 0x9F) ||
                 (byte(0) == 0xE3 && byte(1) == 0x80 && byte(2) == 0x80))
            c += 3; // U+1680, U+2000..200A, U+2028, U+2029, U+202F, U+205F, U+3000
        else
            break;
    }
    return c;
}

// The digits without the country or trunk prefix. A "+" before them means the
// number starts with its country code.
std::string_view withoutPrefix(std::string_view digits, bool international)
{
    std::size_t prefix = 0;
    if (international)
        prefix = digits.substr(0, 2) == "90" ? 2 : 0;
    else if (digits.substr(0, 4) == "0090")
        prefix = 4;
    else if (digits.substr(0, 1) == "0")
        prefix = 1;
    return digits.substr(prefix);
}

// The key of a number stored as UTF-8, its digits written to the buffer (as many bytes
// as the number has).
std::string_view keyOf(const char *utf8, int bytes, char *digits)
{
    int count = 0;
    const char *const end = utf8 + bytes;
    for (const char *c = utf8; c < end; ++c)
        if (*c >= '0' && *c <= '9')
            digits[count++] = *c;
    const char *const first = firstNonBlank(utf8, end);
    return withoutPrefix(std::string_view(digits, std::size_t(count)),
                         first < end && *first == '+');
}

} // namespace

char32_t foldForSearch(char32_t codePoint)
{
    if (codePoint < latinEnd)
        return latinFolded[codePoint];
    return QChar::toLower(codePoint);
}

QString foldForSearch(const QString &text)
{
    QVector<uint> codePoints = text.toUcs4();
    for (uint &c : codePoints)
        c = foldForSearch(char32_t(c));
    return QString::fromUcs4(codePoints.constData(), codePoints.size());
}

bool looksLikePhoneNumber(const QString &text)
{
    for (const QChar c : text)
        if (!(c >= QLatin1Char('0') && c <= QLatin1Char('9')) && !isSeparator(c.unicode()))
            return false;
    return true;
}

QByteArray phoneNumberKey(const QString &number)
{
    const QByteArray utf8 = number.toUtf8();
    std::string digits(std::size_t(utf8.size()), '\0');
    const std::string_view key = keyOf(utf8.constData(), utf8.size(), &digits[0]);
    return QByteArray(key.data(), int(key.size()));
}

bool phoneNumberContains(const char *utf8, int bytes, const char *key, int keyLength)
{
    if (keyLength <= 0)
        return false;
    // Called for every row the search scans: digits go to the stack for any usual
    // number, and no allocation happens once the spare buffer has grown.
    char onStack[64];
    thread_local std::string spare;
    char *digits = onStack;
    if (bytes > int(sizeof onStack)) {
        spare.resize(std::size_t(bytes));
        digits = &spare[0];
    }
    const std::string_view number = keyOf(utf8, bytes, digits);
    // A plain loop: for a dozen digits it beats the library's vectorised search.
    const std::size_t length = std::size_t(keyLength);
    for (std::size_t at = 0; at + length <= number.size(); ++at) {
        std::size_t i = 0;
        while (i < length && number[at + i] == key[i])
            ++i;
        if (i == length)
            return true;
    }
    return false;
}
