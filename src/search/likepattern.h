#pragma once

#include <array>
#include <vector>

// A LIKE pattern as the search applies it: "%" matches any run of characters, "_"
// exactly one, and both the pattern and the text are folded for the search first.
// Works on UTF-8, as SQLite hands text to a function; an invalid byte counts as one
// character that matches only an invalid byte.
class FoldedLikePattern
{
public:
    FoldedLikePattern(const char *utf8, int bytes);
    bool matches(const char *utf8, int bytes) const;

private:
    bool containsLiteral(const unsigned char *text, const unsigned char *end) const;

    std::vector<char32_t> units;
    // The usual search, "%text%" with no "%" inside: the units between the two "%",
    // found by skipping every byte that cannot start a character folding to the first.
    bool substringSearch = false;
    std::vector<char32_t> literal;
    std::array<bool, 256> mayStart{};
};
