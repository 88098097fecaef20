#include "exchange/columnchoice.h"

#include "search/folding.h"

#include <QRegularExpression>

namespace
{

struct Role {
    ColumnRole role;
    const char *word;
    const char *label;
};

const Role roles[] = {
    {ColumnRole::FullName, "adsoyad", "Ad Soyad"},
    {ColumnRole::FirstName, "ad", "Ad"},
    {ColumnRole::LastName, "soyad", "Soyad"},
    {ColumnRole::Phone, "telefon", "Telefon"},
    {ColumnRole::Mobile, "cep", "Cep"},
    {ColumnRole::Mail, "mail", "Mail"},
    {ColumnRole::Ignored, "yok", "Yok say"},
};

// Bits of header names that give a column away, folded as the search folds: numbers and
// addresses inside words ("Cep Telefonu", "E-posta"), names as whole words only, so that
// "Adres" is no name.
bool mentions(const QString &folded, const std::initializer_list<const char *> &bits)
{
    for (const char *bit : bits)
        if (folded.contains(QLatin1String(bit)))
            return true;
    return false;
}

bool hasWord(const QStringList &words, const std::initializer_list<const char *> &names)
{
    for (const char *name : names)
        if (words.contains(QLatin1String(name)))
            return true;
    return false;
}

} // namespace

const QVector<ColumnRole> &columnRoles()
{
    static const QVector<ColumnRole> all = [] {
        QVector<ColumnRole> list;
        for (const Role &role : roles)
            list << role.role;
        return list;
    }();
    return all;
}

QString roleLabel(ColumnRole role)
{
    for (const Role &known : roles)
        if (known.role == role)
            return QString::fromUtf8(known.label);
    return {};
}

ColumnRole guessedRole(const QString &header)
{
    const QString folded = foldForSearch(header.simplified());
    if (mentions(folded, {"mail", "posta", "@"}))
        return ColumnRole::Mail;
    if (mentions(folded, {"cep", "gsm", "mobil", "cell"}))
        return ColumnRole::Mobile;
    if (mentions(folded, {"tel", "phone", "numara"}))
        return ColumnRole::Phone;
    const QStringList words =
        folded.split(QRegularExpression(QStringLiteral("[^a-z0-9]+")), Qt::SkipEmptyParts);
    const bool given = hasWord(words, {"ad", "adi", "isim", "name", "first", "kisi"});
    if (hasWord(words, {"soyad", "soyadi", "soyisim", "surname", "last"}))
        return given ? ColumnRole::FullName : ColumnRole::LastName;
    return given || hasWord(words, {"adsoyad", "isimsoyisim"}) ? ColumnRole::FullName
                                                               : ColumnRole::Ignored;
}

bool parseColumnChoice(const QString &text, ColumnChoice &choice, QString &error)
{
    choice.clear();
    for (const QString &part : text.split(QLatin1Char(','))) {
        const QString word = foldForSearch(part.trimmed());
        const Role *found = nullptr;
        for (const Role &role : roles)
            if (word == QLatin1String(role.word))
                found = &role;
        if (!found) {
            error = QStringLiteral("\"%1\" bir sütun adı değil; bilinenler: %2")
                        .arg(part.trimmed(), columnChoiceWords());
            return false;
        }
        // Two columns of one role: one column's values would vanish unsaid.
        if (found->role != ColumnRole::Ignored && choice.contains(found->role)) {
            error = QStringLiteral("\"%1\" iki kez verildi; yok dışındaki her sütun adı bir kez "
                                   "verilebilir")
                        .arg(part.trimmed());
            return false;
        }
        choice << found->role;
    }
    return true;
}

QString columnChoiceWords()
{
    QStringList words;
    for (const Role &role : roles)
        words << QString::fromLatin1(role.word);
    return words.join(QStringLiteral(", "));
}
