#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// Which entries hold each letter and digit: per kind of byte one bitmap, a bit an entry in
// stored order. A search reads the bitmaps of its words' bytes, 64 entries to a machine
// word, and looks into the texts only of the entries that hold them all; a word of one
// such byte needs no look at all. About six bytes an entry.
class EntryBitmaps
{
public:
    // The kinds an entry holds, a bit each: the letters a to z and the digits of its folded
    // texts, and the digits of its number keys. Other bytes have no kind.
    using Kinds = std::uint64_t;
    static Kinds textKinds(const char *bytes, std::size_t size);
    static Kinds numberKinds(const char *bytes, std::size_t size);
    // Whether a byte of a folded text has a kind of its own.
    static bool textHasKind(char byte);

    std::size_t size() const { return count; }
    // A new entry at this place; those after it move up one.
    void insert(std::size_t at, Kinds kinds);
    void replace(std::size_t at, Kinds kinds);
    void erase(std::size_t at);
    // The bits of another's entries from first to before last, after those held.
    void appendRun(const EntryBitmaps &from, std::size_t first, std::size_t last);
    std::size_t bytes() const;
    void releaseSpare();

    // Into out, a bit an entry from firstWord * 64 to before lastWord * 64 (the end at
    // most): whether the entry holds every kind given.
    void holdingAll(Kinds kinds, std::size_t firstWord, std::size_t lastWord,
                    std::uint64_t *out) const;

private:
    static constexpr int kindCount = 46;
    std::size_t count = 0;
    std::array<std::vector<std::uint64_t>, kindCount> bitmaps;
};
