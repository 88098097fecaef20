#include "search/searchquery.h"

#include "search/folding.h"

QString withoutLoneSurrogates(const QString &text)
{
    QString valid;
    valid.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            valid.append(c).append(text.at(++i));
        else if (!c.isSurrogate())
            valid.append(c);
    }
    return valid;
}

QStringList searchWords(const QString &text)
{
    QStringList words;
    int start = -1;
    for (int i = 0; i <= text.size(); ++i) {
        const bool space = i == text.size() || text.at(i).isSpace();
        if (space && start >= 0) {
            words << text.mid(start, i - start);
            start = -1;
        } else if (!space && start < 0) {
            start = i;
        }
    }
    return words;
}

SearchQuery::SearchQuery(const QString &text)
{
    for (const QString &word : searchWords(text)) {
        const QByteArray pattern = '%' + word.toUtf8() + '%';
        words.emplace_back(pattern.constData(), pattern.size());
    }
    if (looksLikePhoneNumber(text))
        numberKey = phoneNumberKey(text);
}

bool SearchQuery::matches(StoredText name, StoredText mail, StoredText phone,
                          StoredText mobile) const
{
    const auto found = [](const FoldedLikePattern &word, StoredText text) {
        return text.utf8 && word.matches(text.utf8, text.bytes);
    };
    bool all = true;
    for (const FoldedLikePattern &word : words) {
        if (!found(word, name) && !found(word, mail)) {
            all = false;
            break;
        }
    }
    if (all)
        return true;
    if (numberKey.isEmpty())
        return false;
    for (const StoredText number : {phone, mobile})
        if (number.utf8 &&
            phoneNumberContains(number.utf8, number.bytes, numberKey.constData(), numberKey.size()))
            return true;
    return false;
}
