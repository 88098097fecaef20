#include "exchange/formulaguard.h"

namespace
{

int leadingQuotes(const QString &field)
{
    int quotes = 0;
    while (quotes < field.size() && field.at(quotes) == QLatin1Char('\''))
        ++quotes;
    return quotes;
}

bool formulaAt(const QString &field, int at)
{
    if (at >= field.size())
        return false;
    const QChar c = field.at(at);
    if (c == QLatin1Char('=') || c == QLatin1Char('@') || c == QLatin1Char('\t') ||
        c == QLatin1Char('\r'))
        return true;
    if (c != QLatin1Char('+') && c != QLatin1Char('-'))
        return false;
    const QChar next = at + 1 < field.size() ? field.at(at + 1) : QChar();
    const bool digit = next >= QLatin1Char('0') && next <= QLatin1Char('9');
    return !digit && next != QLatin1Char(' ') && next != QLatin1Char('(');
}

} // namespace

QString guardedAgainstFormulas(const QString &field)
{
    return formulaAt(field, leadingQuotes(field)) ? QLatin1Char('\'') + field : field;
}

QString withoutFormulaGuard(const QString &field)
{
    const int quotes = leadingQuotes(field);
    return quotes > 0 && formulaAt(field, quotes) ? field.mid(1) : field;
}
