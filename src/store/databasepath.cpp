#include "store/databasepath.h"

#include <QDir>

QString databasePathIn(const QString &directory, QChar nativeSeparator)
{
    QString path = directory + QStringLiteral("/database.db");
    if (nativeSeparator != QLatin1Char('/'))
        path.replace(QLatin1Char('/'), nativeSeparator);
    return path;
}

QString databasePath()
{
    return databasePathIn(QDir::currentPath(), QDir::separator());
}
