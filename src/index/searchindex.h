#pragma once

#include "store/entry.h"

#include <QString>
#include <QVector>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The phone book held in memory for the search: per entry its id, its folded name and
// mail, and the keys of its numbers, in contiguous buffers in stored order (ascending
// ids), so that a keystroke is a scan of a few tens of megabytes at a million entries
// instead of a scan of the file. It answers exactly what the search functions on the
// connection answer (see SearchQuery), for valid text.
class SearchIndex
{
public:
    // A book of at least parallelFrom entries is searched in two halves on two threads.
    explicit SearchIndex(std::size_t parallelFrom = 100000) : parallelFrom(parallelFrom) {}

    // Entries come in ascending order of their ids, as a scan of the table yields them.
    void append(const Entry &entry);

    // The ids of the entries the search text finds, in stored order.
    QVector<qint64> search(const QString &text) const;
    QVector<qint64> allIds() const;
    int size() const { return int(ids.size()); }
    // What the buffers take, in bytes.
    std::size_t bytes() const;

    // Puts a new or changed entry in its place; forgets a deleted one.
    void place(const Entry &entry);
    void forget(qint64 id);

private:
    struct Word;
    using Positions = std::vector<std::uint32_t>;
    // The entries (indices) from first to before last whose text holds every word, or
    // whose numbers hold the key.
    Positions entriesWithWords(const std::vector<Word> &words, std::size_t first,
                               std::size_t last) const;
    Positions entriesWithNumber(const std::string &key, std::size_t first, std::size_t last) const;
    Positions entriesFound(const std::vector<Word> &words, const std::string &key,
                           std::size_t first, std::size_t last) const;
    bool holds(std::size_t entry, const Word &word) const;
    void write(std::size_t at, const Entry &entry, bool replace);

    std::size_t parallelFrom;
    std::vector<qint64> ids;
    // Per entry the folded name and mail in UTF-8, and the keys of the phone and the
    // mobile, each pair parted by a byte that UTF-8 never holds (0xFE) and ended by
    // another (0xFF): no word can match across them.
    std::string texts;
    std::string numbers;
    // Where each entry's text and numbers start; one more at the end.
    Positions textStart{0};
    Positions numberStart{0};
    // Per entry: bit 0 the name is NULL, bit 1 the mail is.
    std::vector<std::uint8_t> nulls;
    // How often each byte occurs in the texts: a word is looked for by its rarest byte.
    std::vector<std::uint64_t> byteCounts = std::vector<std::uint64_t>(256, 0);
};
