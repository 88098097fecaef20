#include "exchange/contacttable.h"

#include "exchange/formulaguard.h"
#include "search/folding.h"

#include <QRegularExpression>

namespace
{

// Header names as people write them, compared folded: "SOYADI", "Soyadı" and "soyadi"
// are one name.
QString key(const QString &header)
{
    return foldForSearch(header.simplified());
}

struct KnownNames {
    QStringList fullNames, firstNames, middleNames, lastNames, organisations, mobiles, others,
        mails;
};

QStringList folded(const QStringList &names)
{
    QStringList keys;
    for (const QString &name : names)
        keys << key(name);
    return keys;
}

const KnownNames &knownNames()
{
    static const KnownNames names = {
        folded({"Ad Soyad", "Adsoyad", "Adı Soyadı", "İsim", "İsim Soyisim", "Name", "Full Name",
                "Display Name"}),
        // "Ad" alone is the whole name unless a surname column follows it.
        folded({"First Name", "Given Name", "Adı", "Ad (ilk)"}),
        folded({"Middle Name", "Additional Name", "İkinci Ad"}),
        folded({"Last Name", "Family Name", "Soyadı", "Soyad", "Soyisim"}),
        folded({"Organization Name", "Organization 1 - Name", "Company", "Şirket", "Kuruluş"}),
        folded({"Cep", "Cep Tel", "Cep Telefonu", "GSM", "Mobil", "Mobile Phone", "Mobile"}),
        folded({"Telefon", "Tel", "Ev Telefonu", "İş Telefonu", "Diğer Telefon", "Business Phone",
                "Home Phone", "Other Phone", "Primary Phone", "Company Main Phone", "Phone"}),
        folded({"Mail", "E-posta", "Eposta", "E-Posta Adresi", "E-mail Address", "E-mail 1 - Value",
                "Email", "E-mail", "E-mail 2 Address", "E-mail 2 - Value"}),
    };
    return names;
}

} // namespace

bool ContactTable::Columns::named() const
{
    return fullName >= 0 || !nameParts.isEmpty() || organisation >= 0;
}

ContactTable::ContactTable(Source source, const ColumnChoice &chosen)
    : source(source), choice(chosen)
{
}

ContactTable::Columns ContactTable::byName(const QStringList &header)
{
    static const QRegularExpression phoneType(QStringLiteral("^phone (\\d+) - (type|label)$"));
    static const QRegularExpression googleNumbered(
        QStringLiteral("^(e-mail|phone) \\d+ - (type|label|value)$"));
    static const QStringList googleOnly = {"group membership", "labels"};
    const KnownNames &known = knownNames();
    const QString ad = QStringLiteral("ad");

    Columns columns;
    QVector<int> first, middle, last;
    QStringList keys;
    for (const QString &name : header)
        keys << key(name);
    bool surname = false;
    for (const QString &name : keys)
        surname = surname || known.lastNames.contains(name);
    QHash<QString, int> firstNamed; // inserted from the end, so the first column wins
    for (int i = keys.size() - 1; i >= 0; --i)
        firstNamed.insert(keys.at(i), i);
    for (int i = 0; i < header.size(); ++i) {
        const QString &name = keys.at(i);
        columns.google =
            columns.google || googleOnly.contains(name) || googleNumbered.match(name).hasMatch();
        if (name == ad && surname)
            first << i;
        else if ((known.fullNames.contains(name) || name == ad) && columns.fullName < 0)
            columns.fullName = i;
        else if (known.firstNames.contains(name))
            first << i;
        else if (known.middleNames.contains(name))
            middle << i;
        else if (known.lastNames.contains(name))
            last << i;
        else if (known.organisations.contains(name) && columns.organisation < 0)
            columns.organisation = i;
        else if (known.mobiles.contains(name))
            columns.mobiles << i;
        else if (known.others.contains(name))
            columns.others << i;
        else if (known.mails.contains(name))
            columns.mails << i;
        else if (const auto match = phoneType.match(name); match.hasMatch()) {
            const int value =
                firstNamed.value(QStringLiteral("phone %1 - value").arg(match.captured(1)), -1);
            if (value >= 0)
                columns.typedPhones << qMakePair(i, value);
        }
    }
    columns.nameParts << first.mid(0, 1) << middle.mid(0, 1) << last.mid(0, 1);
    columns.ownExport = header == QStringList({"Ad Soyad", "Telefon", "Cep", "Mail"});
    return columns;
}

ContactTable::Columns ContactTable::chosen(const ColumnChoice &choice)
{
    Columns columns;
    int first = -1, last = -1;
    for (int i = 0; i < choice.size(); ++i) {
        switch (choice.at(i)) {
        case ColumnRole::FullName:
            if (columns.fullName < 0)
                columns.fullName = i;
            break;
        case ColumnRole::FirstName:
            if (first < 0)
                first = i;
            break;
        case ColumnRole::LastName:
            if (last < 0)
                last = i;
            break;
        case ColumnRole::Phone:
            columns.others << i;
            break;
        case ColumnRole::Mobile:
            columns.mobiles << i;
            break;
        case ColumnRole::Mail:
            columns.mails << i;
            break;
        case ColumnRole::Ignored:
            break;
        }
    }
    for (const int part : {first, last})
        if (part >= 0)
            columns.nameParts << part;
    return columns;
}

bool ContactTable::takeHeader(const QStringList &names)
{
    header = names;
    columns = choice.isEmpty() ? byName(names) : chosen(choice);
    columns.ownExport = columns.ownExport && source == Source::Csv;
    return columns.named();
}

QString ContactTable::refusal(int line) const
{
    // A text that is no table has one long "column": enough of it to recognise.
    constexpr int shownColumns = 20, shownLength = 40;
    QStringList found;
    for (const QString &name : header.mid(0, shownColumns))
        found << QStringLiteral("\"%1\"").arg(name.simplified().left(shownLength));
    if (header.size() > shownColumns)
        found << QStringLiteral("…");
    return QStringLiteral("satır %1: vCard ya da kişi CSV'si değil, başlık satırında ad sütunu yok "
                          "(sütunlar: %2; bilinen başlıklar: %3)")
        .arg(line)
        .arg(found.join(QStringLiteral(", ")), knownHeaderNames().join(QStringLiteral(", ")));
}

QStringList ContactTable::values(const QString &field) const
{
    QStringList split = columns.google ? field.split(QStringLiteral(" ::: ")) : QStringList(field);
    for (QString &value : split)
        value = value.trimmed();
    split.removeAll(QString());
    return split;
}

namespace
{

// One past a row's last column.
int widthOf(const QStringList &row)
{
    return row.size();
}

int widthOf(const QMap<int, QString> &cells)
{
    return cells.isEmpty() ? 0 : cells.lastKey() + 1;
}

} // namespace

void ContactTable::takeRow(const QStringList &row, ContactFile &result) const
{
    takeCells(row, result);
}

void ContactTable::takeRow(const QMap<int, QString> &cells, ContactFile &result) const
{
    takeCells(cells, result);
}

template <typename Row> void ContactTable::takeCells(const Row &row, ContactFile &result) const
{
    const int width = widthOf(row);
    auto field = [&row, this](int column) {
        const QString text = row.value(column).trimmed();
        return columns.ownExport ? withoutFormulaGuard(text) : text;
    };
    Contact contact;
    contact.adsoyad = field(columns.fullName);
    if (contact.adsoyad.isEmpty()) {
        QStringList parts;
        for (int column : columns.nameParts)
            parts << field(column);
        parts.removeAll(QString());
        contact.adsoyad = parts.join(QLatin1Char(' '));
    }
    if (contact.adsoyad.isEmpty())
        contact.adsoyad = values(field(columns.organisation)).value(0);
    // The columns go up in order: those past the row's end are empty, and a header naming
    // very many costs a short row nothing.
    QStringList mobiles, others;
    for (int column : columns.mobiles) {
        if (column >= width)
            break;
        mobiles << values(field(column));
    }
    for (int column : columns.others) {
        if (column >= width)
            break;
        others << values(field(column));
    }
    for (const auto &[type, value] : columns.typedPhones) {
        if (type >= width)
            break;
        const bool mobile = field(type).contains(QLatin1String("mobile"), Qt::CaseInsensitive) ||
                            field(type).contains(QLatin1String("cep"), Qt::CaseInsensitive);
        (mobile ? mobiles : others) << values(field(value));
    }
    assignNumbers(contact, mobiles, others);
    for (int column : columns.mails) {
        if (column >= width || !contact.mail.isEmpty())
            break;
        contact.mail = values(field(column)).value(0);
    }
    if (contact.adsoyad.isEmpty())
        ++result.unreadable;
    else
        result.contacts << contact;
}

QStringList knownHeaderNames()
{
    return {"Ad Soyad",     "Ad",   "Soyad",       "Soyadı",      "Adı Soyadı",   "İsim",
            "Telefon",      "Tel",  "Ev Telefonu", "İş Telefonu", "Cep",          "Cep Tel",
            "Cep Telefonu", "GSM",  "Mobil",       "E-posta",     "Eposta",       "E-Posta Adresi",
            "Mail",         "Name", "First Name",  "Last Name",   "Mobile Phone", "E-mail Address"};
}
