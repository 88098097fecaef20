#pragma once

#include "search/likepattern.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// The text as it can be stored and searched: a lone surrogate (half an emoji that a length
// limit cut) is dropped, as UTF-8 cannot hold it and SQLite would merge it with the next
// character.
QString withoutLoneSurrogates(const QString &text);

// The words of a search text: split at white space, the spaces themselves dropped.
QStringList searchWords(const QString &text);

// A stored text as SQLite hands it to a function: UTF-8, or a null pointer for NULL.
struct StoredText {
    const char *utf8 = nullptr;
    int bytes = 0;
};

// What the search box asks, compiled once per text: an entry matches when every word is
// found, folded for the search, in its name or its mail (% and _ stay wildcards inside a
// word), or when the text reads as a phone number found in its phone or mobile. A text
// without words finds every entry.
class SearchQuery
{
public:
    explicit SearchQuery(const QString &text);
    bool matches(StoredText name, StoredText mail, StoredText phone, StoredText mobile) const;

private:
    std::vector<FoldedLikePattern> words;
    QByteArray numberKey;
};
