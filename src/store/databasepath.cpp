#include "store/databasepath.h"

#include <QDir>
#include <QFile>

#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace
{

// Whether Qt's name for the working directory leads back to the directory itself.
bool nameIsUsable(const QString &directory)
{
    if (directory.isEmpty())
        return false;
    const std::unique_ptr<char, decltype(&std::free)> actual(::getcwd(nullptr, 0), &std::free);
    return actual && QFile::encodeName(directory) == QByteArray(actual.get());
}

} // namespace

QString databasePathIn(const QString &directory, QChar nativeSeparator)
{
    QString path = directory + QStringLiteral("/database.db");
    if (nativeSeparator != QLatin1Char('/'))
        path.replace(QLatin1Char('/'), nativeSeparator);
    return path;
}

QString databasePath()
{
    const QString directory = QDir::currentPath();
    if (!nameIsUsable(directory))
        return QStringLiteral("database.db");
    return databasePathIn(directory, QDir::separator());
}
