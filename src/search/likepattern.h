#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A LIKE pattern as the search applies it: "%" matches any run of characters, "_"
// exactly one, and both the pattern and the text are folded for the search first.
// Works on UTF-8, as SQLite hands text to a function; each byte that is not part of a
// well-formed character (an overlong form, a surrogate, a code point above U+10FFFF, a
// lead byte F8 to FF, a cut sequence) counts as one character that matches only such
// a byte, or "_".
// Matching takes time linear in the text for any pattern without "_" between two
// letters, and a 64th of the pattern's length per character of the text otherwise.
class FoldedLikePattern
{
public:
    FoldedLikePattern(const char *utf8, int bytes);
    bool matches(const char *utf8, int bytes) const;

private:
    // The pattern between two "%": folded characters and "_", in one place of the text.
    // "_" at its ends only moves where the rest may lie; the core between them is found
    // with a prefix table when it holds no "_", and bit-parallel otherwise.
    struct Segment {
        std::size_t begin = 0, end = 0;         // in units
        std::size_t coreBegin = 0, coreEnd = 0; // without the "_" at both ends
        bool coreHasAnyOne = false;
        std::vector<std::size_t> border; // longest proper border of each core prefix
        // For the bit-parallel search: the places of "_", and for each distinct character
        // of the core (sorted) its places. A character found in many places has its own
        // mask (at most 64 of them), any other has its places listed, so that either
        // costs at most about one pass over the state's words.
        std::size_t words = 0;
        std::vector<std::uint64_t> anyOneMask;
        std::vector<char32_t> letters;
        std::vector<std::size_t> asciiLetter; // ASCII to its letter, or letters.size()
        std::vector<std::size_t> placesBegin; // per letter, into places; one more at the end
        std::vector<std::size_t> places;
        std::vector<std::size_t> maskOf; // per letter, into masks, or noMask
        std::vector<std::uint64_t> masks;
        std::size_t length() const { return end - begin; }
        // Which of the letters the character is, or letters.size() for none.
        std::size_t letterIndex(char32_t c) const;
    };

    static void prepareBitParallel(Segment &segment, const char32_t *core, std::size_t length);
    bool matchesAt(const Segment &segment, const char32_t *text) const;
    // The first start at or after from where the segment lies wholly before limit, or
    // limit when there is none.
    std::size_t find(const Segment &segment, const char32_t *text, std::size_t from,
                     std::size_t limit) const;
    std::size_t findCore(const Segment &segment, const char32_t *text, std::size_t from,
                         std::size_t limit) const;
    std::size_t findCoreWithAnyOne(const Segment &segment, const char32_t *text, std::size_t from,
                                   std::size_t limit) const;

    std::vector<char32_t> units; // the pattern without its "%"
    std::vector<Segment> segments;
    bool hasAnyRun = false, anchoredStart = true, anchoredEnd = true;
    std::size_t unitsNeeded = 0;
};
