#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// What a spreadsheet's column holds when its header does not say it in words the program
// knows: someone chooses, in the window's column dialog or with --sutunlar.
enum class ColumnRole { FullName, FirstName, LastName, Phone, Mobile, Mail, Ignored };
// One role a column, in the file's order; columns past its end are ignored.
using ColumnChoice = QVector<ColumnRole>;

// Every role in the order a choice lists them, and how the window names each.
const QVector<ColumnRole> &columnRoles();
QString roleLabel(ColumnRole role);

// The role a header's name suggests (Ignored for a name the program does not know).
ColumnRole guessedRole(const QString &header);

// The command line's words: adsoyad, ad, soyad, telefon, cep, mail, yok, separated by
// commas. False, with the word in the error, for one it does not know.
bool parseColumnChoice(const QString &text, ColumnChoice &choice, QString &error);
QString columnChoiceWords();
