#pragma once

#include <QString>

// A spreadsheet runs a cell that starts with "=", "@", "+" or "-" (or a tab or carriage
// return before one) as a formula: an imported "=HYPERLINK(…)" would be a link to anywhere.
// Such a field is written with a single quote before it, which spreadsheets show as text.
// Phone numbers ("+90 532 …", "-5") stay as they are: a sign before a digit, a space or
// "(" is no formula. A field already starting with quotes before such a text gets one
// more, so that removing one on the way back always gives the field written.
QString guardedAgainstFormulas(const QString &field);
// The field as it was before guardedAgainstFormulas.
QString withoutFormulaGuard(const QString &field);
