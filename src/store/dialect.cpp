#include "store/dialect.h"

#include "store/phonebookdb.h"

namespace
{

bool searchColumns = false;
bool changeLog = false;

} // namespace

Dialect bookDialect()
{
    return phoneBookDb.driverName() == QLatin1String("QPSQL") ? Dialect::Server : Dialect::Sqlite;
}

bool serverSearchColumns()
{
    return searchColumns;
}

void noteServerSearchColumns(bool present)
{
    searchColumns = present;
}

bool serverChangeLog()
{
    return changeLog;
}

void noteServerChangeLog(bool present)
{
    changeLog = present;
}
