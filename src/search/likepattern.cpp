#include "search/likepattern.h"

#include "search/folding.h"

namespace
{

// Outside Unicode, so no folded character can equal them.
constexpr char32_t anyRun = 0xFFFFFFFF;
constexpr char32_t anyOne = 0xFFFFFFFE;
constexpr char32_t invalid = 0xFFFFFFFD;

// Reads one character at text (never past end), folded; an invalid byte reads alone.
char32_t decodeFolded(const unsigned char *&text, const unsigned char *end)
{
    const unsigned char lead = *text++;
    if (lead < 0x80)
        return foldForSearch(char32_t(lead));
    int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    if (more < 0 || end - text < more)
        return invalid;
    char32_t c = lead & (0x3F >> more);
    for (; more > 0 && (*text & 0xC0) == 0x80; --more)
        c = (c << 6) | (*text++ & 0x3F);
    return more == 0 ? foldForSearch(c) : invalid;
}

void decodeAll(const unsigned char *text, const unsigned char *end, std::vector<char32_t> &out,
               bool wildcards)
{
    out.clear();
    out.reserve(std::size_t(end - text));
    while (text < end) {
        if (wildcards && (*text == '%' || *text == '_'))
            out.push_back(*text++ == '%' ? anyRun : anyOne);
        else
            out.push_back(decodeFolded(text, end));
    }
}

// Glob matching with backtracking to the last "%": never exponential.
bool globMatches(const std::vector<char32_t> &pattern, const std::vector<char32_t> &text)
{
    const std::size_t pn = pattern.size(), tn = text.size();
    std::size_t p = 0, t = 0, starP = pn, starT = 0;
    while (t < tn) {
        if (p < pn && pattern[p] == anyRun) {
            starP = p++;
            starT = t;
        } else if (p < pn && (pattern[p] == anyOne || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (starP < pn) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pn && pattern[p] == anyRun)
        ++p;
    return p == pn;
}

} // namespace

FoldedLikePattern::FoldedLikePattern(const char *utf8, int bytes)
{
    const auto *begin = reinterpret_cast<const unsigned char *>(utf8);
    decodeAll(begin, begin + bytes, units, true);

    std::size_t first = 0, last = units.size();
    while (first < last && units[first] == anyRun)
        ++first;
    while (last > first && units[last - 1] == anyRun)
        --last;
    literal.assign(units.begin() + std::ptrdiff_t(first), units.begin() + std::ptrdiff_t(last));
    substringSearch = first > 0 && last < units.size() && !literal.empty() &&
                      literal.front() != anyOne && literal.front() != invalid;
    for (char32_t unit : literal)
        substringSearch = substringSearch && unit != anyRun;
    if (!substringSearch)
        return;
    // Which bytes may start a character that folds to the literal's first one: ASCII
    // exactly, two-byte leads by trying their 64 characters, longer leads always.
    const char32_t wanted = literal.front();
    for (int byte = 0; byte < 0x80; ++byte)
        mayStart[std::size_t(byte)] = foldForSearch(char32_t(byte)) == wanted;
    for (int lead = 0xC0; lead < 0xE0; ++lead)
        for (char32_t low = 0; low < 0x40 && !mayStart[std::size_t(lead)]; ++low)
            mayStart[std::size_t(lead)] = foldForSearch(((lead & 0x1F) << 6) | low) == wanted;
    for (int lead = 0xE0; lead < 0x100; ++lead)
        mayStart[std::size_t(lead)] = true;
}

bool FoldedLikePattern::containsLiteral(const unsigned char *text, const unsigned char *end) const
{
    for (;;) {
        while (text < end && !mayStart[*text])
            ++text;
        if (text >= end)
            return false;
        const unsigned char *next = text;
        const char32_t first = decodeFolded(next, end);
        if (first == literal.front()) {
            const unsigned char *at = next;
            std::size_t i = 1;
            for (; i < literal.size(); ++i) {
                if (at >= end)
                    return false; // fewer characters left than the literal has
                const char32_t c = decodeFolded(at, end);
                if (literal[i] != anyOne && literal[i] != c)
                    break;
            }
            if (i == literal.size())
                return true;
        }
        text = next;
    }
}

bool FoldedLikePattern::matches(const char *utf8, int bytes) const
{
    const auto *text = reinterpret_cast<const unsigned char *>(utf8);
    if (substringSearch)
        return containsLiteral(text, text + bytes);
    thread_local std::vector<char32_t> folded;
    decodeAll(text, text + bytes, folded, false);
    return globMatches(units, folded);
}
