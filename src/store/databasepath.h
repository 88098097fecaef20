#pragma once

#include <QChar>
#include <QString>

// The phone book is "database.db" in the given directory ("/"-separated, as QDir
// reports it), written with the platform's separator.
QString databasePathIn(const QString &directory, QChar nativeSeparator);

// The phone book of the current working directory, for this platform. When the
// directory has no name Qt can give (deleted, longer than the system allows, not valid
// in the locale's encoding), the name is relative: the file is still the one in the
// working directory, and never "/database.db".
QString databasePath();
