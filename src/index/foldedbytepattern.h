#pragma once

#include <optional>
#include <string>
#include <vector>

// A short LIKE pattern matched on folded, well-formed UTF-8 as it lies in the index,
// without decoding it: its runs of bytes compared as they are, each _ one whole
// character. Between two % each part is found as early as it can lie, which leaves the
// most text for the rest. The pattern and the text are folded already.
class FoldedBytePattern
{
public:
    // None for a pattern with a part longer than this many bytes: the part is tried at
    // every place it may start, so its length bounds the work a character.
    static constexpr std::size_t longestPart = 32;
    static std::optional<FoldedBytePattern> of(const std::string &pattern);

    bool matches(const char *from, const char *to) const;

private:
    // A run of bytes, or some _ when run is empty.
    struct Piece {
        std::string run;
        int anyOnes = 0;
    };
    using Part = std::vector<Piece>;
    // Where the part ends when it begins at from, or null.
    static const char *endOfPartAt(const Part &part, const char *from, const char *to);

    std::vector<Part> parts;
};
