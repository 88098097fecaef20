#pragma once

#include <QChar>
#include <QString>

// The phone book is "database.db" in the given directory ("/"-separated, as QDir
// reports it), written with the platform's separator.
QString databasePathIn(const QString &directory, QChar nativeSeparator);

// The phone book of the current working directory, for this platform.
QString databasePath();
