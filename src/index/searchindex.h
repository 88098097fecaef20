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
    QVector<qint64> allIds() const { return ids; }
    int size() const { return int(ids.size()); }
    // What the buffers take, in bytes.
    std::size_t bytes() const;

    // Puts a new or changed entry in its place; forgets a deleted one.
    void place(const Entry &entry);
    void forget(qint64 id);
    // Many changes at once, in one pass over the buffers: present holds new and changed
    // entries, gone the ids of deleted ones, each in ascending order of ids.
    void apply(const QVector<Entry> &present, const QVector<qint64> &gone);
    // Frees what the buffers reserved for growth, once a build is done.
    void releaseSpare();

    // Tells whether a stored entry is still what the index holds, without keeping its
    // texts: a hash of its four values, seeded afresh by each process, so that nobody can
    // make a changed entry look unchanged.
    static std::uint32_t digestOf(const Entry &entry);
    // Every id ascending, each with its entry's digest: what a reading of the book is
    // compared with to find another program's changes.
    struct Digests {
        QVector<qint64> ids;
        std::vector<std::uint32_t> digests;
    };
    Digests digests() const { return {ids, entryDigests}; }

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
    // Shared with the lists made of every id (allIds) until either changes.
    QVector<qint64> ids;
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
    std::vector<std::uint32_t> entryDigests;
    // How often each byte occurs in the texts: a word is looked for by its rarest byte.
    std::vector<std::uint64_t> byteCounts = std::vector<std::uint64_t>(256, 0);
};
