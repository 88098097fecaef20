#pragma once

#include <QString>

// The name of the desktop user running the program, as the system knows them: what the
// book's change log records for this program's own changes to database.db.
QString desktopUserName();
