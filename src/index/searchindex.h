#pragma once

#include "index/entrybitmaps.h"
#include "store/entry.h"

#include <QString>
#include <QVector>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The phone book held in memory for the search: per entry its id, its folded name and
// mail, and the keys of its numbers, in contiguous buffers in stored order (ascending
// ids), with a bitmap per letter and digit of which entries hold it. A keystroke reads
// the bitmaps of its letters, then either looks into the few entries that hold them all
// or scans the buffer, a few tens of megabytes at a million entries, instead of the file.
// It answers exactly what the search functions on the connection answer (see
// SearchQuery), for valid text.
class SearchIndex
{
public:
    // A book of at least parallelFrom entries is searched in two halves on two threads.
    // Every sparedEvery-th entry appended is followed by room to spare for entries that grow.
    explicit SearchIndex(std::size_t parallelFrom = 100000, std::size_t sparedEvery = 1024)
        : parallelFrom(parallelFrom), sparedEvery(sparedEvery)
    {
    }

    // Entries come in ascending order of their ids, as a scan of the table yields them.
    void append(const Entry &entry);

    // The entries the search text finds, a bit each in stored order (that of allIds()),
    // and how many.
    struct Found {
        std::vector<std::uint64_t> bits;
        std::size_t count = 0;
    };
    Found find(const QString &text) const;
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
    // The same changes in a new index, this one left as it is (read on another thread).
    SearchIndex mergedWith(const QVector<Entry> &present, const QVector<qint64> &gone) const;
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
    // Whether the index holds the entry as it is (by its digest): a change read again, or
    // this program's own, is no change.
    bool holds(const Entry &entry) const;
    bool holds(qint64 id) const;

private:
    struct Word;
    struct Query;
    using Bits = std::uint64_t;
    using Positions = std::vector<std::uint32_t>;
    // Each of these takes the entries from firstWord * 64 to before lastWord * 64, a bit
    // each in found: those whose texts hold every word, and those whose numbers hold the
    // key as well.
    void searchRange(const Query &query, std::size_t firstWord, std::size_t lastWord,
                     Bits *found) const;
    void keepEntriesWithWords(const Query &query, std::size_t firstWord, std::size_t lastWord,
                              Bits *found) const;
    void addEntriesWithNumber(const Query &query, std::size_t firstWord, std::size_t lastWord,
                              Bits *found) const;
    bool holds(std::size_t entry, const Word &word) const;
    // Where the second half begins, in words of bits: a book of parallelFrom entries or
    // more is searched in two halves at once.
    std::size_t halfWords() const;
    void write(std::size_t at, const Entry &entry, bool replace);
    // The byte that fills room to spare in a buffer, how much of it an entry gets, and
    // whether every entry's bytes end in one of it as well.
    struct Spare {
        std::uint8_t byte;
        std::size_t bytes;
        bool endsEntries;
    };
    // Writes an entry's part of a buffer: over its old bytes, into room to spare nearby,
    // or with the rest of the buffer moved.
    void splice(std::string &buffer, Positions &starts, Spare spare, std::size_t at, bool replace,
                const std::string &part, bool spared);
    static std::size_t spareAfter(const std::string &buffer, const Positions &starts, Spare spare,
                                  std::size_t entry);
    // The entries from first to before last of another index, after those held.
    void appendRun(const SearchIndex &from, std::size_t first, std::size_t last);

    std::size_t parallelFrom;
    std::size_t sparedEvery;
    // Shared with the lists made of every id (allIds) until either changes.
    QVector<qint64> ids;
    // Per entry the folded name and mail in UTF-8, parted by a byte that UTF-8 never
    // holds (0xFE) and ended by another (0xFF), so that no word can match across them; and
    // the keys of the phone and the mobile, two digits to a byte.
    std::string texts;
    std::string numbers;
    // Where each entry's text and numbers start; one more at the end.
    Positions textStart{0};
    Positions numberStart{0};
    // Per entry: bit 0 the name is NULL, bit 1 the mail is.
    std::vector<std::uint8_t> nulls;
    std::vector<std::uint32_t> entryDigests;
    EntryBitmaps kinds;
    // How often each byte occurs in the texts: a word is looked for by its rarest byte.
    std::vector<std::uint64_t> byteCounts = std::vector<std::uint64_t>(256, 0);
};
