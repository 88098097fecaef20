#include "index/foldedbytepattern.h"

#include <cstring>

namespace
{

// The first byte of the next character.
const char *nextCharacter(const char *at, const char *to)
{
    ++at;
    while (at < to && (static_cast<unsigned char>(*at) & 0xC0) == 0x80)
        ++at;
    return at;
}

// The first byte of the character before, from one after from.
const char *previousCharacter(const char *at, const char *from)
{
    --at;
    while (at > from && (static_cast<unsigned char>(*at) & 0xC0) == 0x80)
        --at;
    return at;
}

} // namespace

std::optional<FoldedBytePattern> FoldedBytePattern::of(const std::string &pattern)
{
    FoldedBytePattern compiled;
    Part part;
    std::size_t partBytes = 0;
    const auto endPart = [&] {
        if (!part.empty())
            compiled.parts.push_back(std::move(part));
        part.clear();
        partBytes = 0;
    };
    for (const char c : pattern) {
        if (c == '%') {
            endPart();
            continue;
        }
        const bool anyOne = c == '_';
        if (part.empty() || anyOne != part.back().run.empty())
            part.emplace_back();
        if (anyOne)
            ++part.back().anyOnes;
        else
            part.back().run += c;
        if (++partBytes > longestPart)
            return std::nullopt;
    }
    endPart();
    return compiled;
}

const char *FoldedBytePattern::endOfPartAt(const Part &part, const char *from, const char *to)
{
    for (const Piece &piece : part) {
        if (piece.run.empty()) {
            for (int i = 0; i < piece.anyOnes; ++i) {
                if (from == to)
                    return nullptr;
                from = nextCharacter(from, to);
            }
            continue;
        }
        const std::size_t length = piece.run.size();
        if (std::size_t(to - from) < length || std::memcmp(from, piece.run.data(), length) != 0)
            return nullptr;
        from += length;
    }
    return from;
}

bool FoldedBytePattern::matches(const char *from, const char *to) const
{
    for (const Part &part : parts) {
        const char *end = nullptr;
        // A part of _ alone lies where the text begins, or nowhere.
        const std::size_t runAt = part.front().run.empty() ? 1 : 0;
        if (runAt == part.size()) {
            end = endOfPartAt(part, from, to);
        } else {
            // Found where its first run lies, as many characters back as there are _
            // before it: a run found in well-formed UTF-8 begins a character.
            const std::string &run = part[runAt].run;
            const int back = runAt == 1 ? part.front().anyOnes : 0;
            for (const char *at = from; !end && at < to; at = nextCharacter(at, to)) {
                at = static_cast<const char *>(
                    memmem(at, std::size_t(to - at), run.data(), run.size()));
                if (!at)
                    return false;
                const char *begin = at;
                for (int i = 0; i < back && begin; ++i)
                    begin = begin == from ? nullptr : previousCharacter(begin, from);
                if (begin)
                    end = endOfPartAt(part, begin, to);
            }
        }
        if (!end)
            return false;
        from = end;
    }
    return true;
}
