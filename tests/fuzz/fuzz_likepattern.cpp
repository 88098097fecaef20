// The search's LIKE matcher against a plain one, and in time linear in the input.
// Input: the pattern, a zero byte, the text (without a zero byte the input is both).
#include "search/folding.h"
#include "search/likepattern.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <time.h>
#include <vector>

namespace
{

constexpr std::uint32_t invalidByte = 0xFFFFFFFF;

// Well-formed UTF-8 by its definition: the length the lead byte announces, continuation
// bytes after it, the shortest form, no surrogate, nothing above U+10FFFF. Anything
// else is one unit per byte.
std::vector<std::uint32_t> decode(const std::string &bytes)
{
    std::vector<std::uint32_t> units;
    for (std::size_t i = 0; i < bytes.size();) {
        const unsigned lead = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = lead < 0x80       ? 1
                                   : lead >> 5 == 6  ? 2
                                   : lead >> 4 == 14 ? 3
                                   : lead >> 3 == 30 ? 4
                                                     : 0;
        std::uint32_t value = length == 1 ? lead : lead & (0x7Fu >> length);
        bool wellFormed = length > 0 && i + length <= bytes.size();
        for (std::size_t k = 1; wellFormed && k < length; ++k) {
            const unsigned next = static_cast<unsigned char>(bytes[i + k]);
            wellFormed = (next & 0xC0) == 0x80;
            value = (value << 6) | (next & 0x3F);
        }
        const std::uint32_t shortest[] = {0, 0, 0x80, 0x800, 0x10000};
        wellFormed = wellFormed && value >= shortest[length] && value <= 0x10FFFF &&
                     !(value >= 0xD800 && value <= 0xDFFF);
        units.push_back(wellFormed ? foldForSearch(char32_t(value)) : invalidByte);
        i += wellFormed ? length : 1;
    }
    return units;
}

// LIKE by dynamic programming: which pattern prefixes match which text prefixes.
bool likeMatches(const std::vector<std::uint32_t> &pattern, const std::vector<std::uint32_t> &text)
{
    std::vector<char> row(text.size() + 1, 0), next(text.size() + 1);
    row[0] = 1;
    for (std::uint32_t p : pattern) {
        next.assign(text.size() + 1, 0);
        for (std::size_t t = 0; t <= text.size(); ++t) {
            if (p == '%')
                next[t] = row[t] || (t > 0 && next[t - 1]);
            else if (t > 0)
                next[t] = row[t - 1] && (p == '_' || p == text[t - 1]);
        }
        row.swap(next);
    }
    return row[text.size()];
}

double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char *>(data), size);
    const std::size_t zero = input.find('\0');
    const std::string pattern = input.substr(0, zero);
    const std::string text = zero == std::string::npos ? input : input.substr(zero + 1);

    bool matched = false;
    // What the matcher promises: time linear in the input, and for "_" between letters
    // a 64th of the pattern per character of the text. Generous for that under the
    // sanitizers; a pattern compared again at each place of a long text takes far longer.
    // Measured twice before it counts, on this thread's own processor time, so that a
    // busy machine is no finding.
    const double allowed =
        0.02 + 5e-6 * double(size) + 1e-7 * double(text.size()) * double(pattern.size() / 64 + 1);
    double seconds = allowed;
    for (int attempt = 0; attempt < 2 && seconds >= allowed; ++attempt) {
        const double started = threadSeconds();
        const FoldedLikePattern compiled(pattern.data(), int(pattern.size()));
        matched = compiled.matches(text.data(), int(text.size()));
        seconds = threadSeconds() - started;
    }
    if (seconds >= allowed) {
        std::fprintf(stderr, "%.3f s for %zu bytes: not linear\n", seconds, size);
        std::abort();
    }

    // The plain matcher is quadratic itself, so it only checks inputs it answers quickly.
    if (pattern.size() * text.size() > 4000000)
        return 0;
    if (matched != likeMatches(decode(pattern), decode(text))) {
        std::fprintf(stderr, "matched %d, expected the opposite\n", int(matched));
        std::abort();
    }
    return 0;
}
