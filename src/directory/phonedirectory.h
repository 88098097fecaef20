#pragma once

#include "store/entry.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <optional>

// The book as the remote phone book of an IP desk phone, in its maker's XML layout.
enum class DirectoryLayout {
    // YealinkIPPhoneDirectory: one DirectoryEntry with a Telephone for each number; Fanvil
    // phones read the same.
    Yealink,
    // CiscoIPPhoneDirectory: a DirectoryEntry for each number, as its phones take one.
    Cisco,
    // Grandstream's AddressBook: a Contact with its names apart and a Phone of each type.
    Grandstream,
    // Snom's tbook of version 2.0: a contact with its names apart and its numbers.
    Snom,
};

// The layout by the name the command line and the address take ("yealink", …).
std::optional<DirectoryLayout> directoryLayoutNamed(const QString &name);
QStringList directoryLayoutNames();

// A name as a phone or a switchboard shows it: on one line, without control characters.
QString listedName(const QString &name);
// A number as a phone dials it: its digits, and a leading + kept; empty when it has none.
QString dialledNumber(const QString &number);

// The entries, in the order given, as UTF-8 XML of the layout; those without a number that
// can be dialled are left out.
QByteArray directoryXml(DirectoryLayout layout, const QVector<Entry> &entries);
