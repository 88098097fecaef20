// The contact-file reader on any bytes: vCard, CSV, whatever the file holds.
#include "exchange/contactfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // The reader takes a path: each input is written to the same file in a directory of
    // the fuzzer's own, removed at exit.
    static QTemporaryDir directory;
    static const QString path = directory.filePath(QStringLiteral("kisiler"));
    QFile file(path);
    if (!directory.isValid() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
        std::abort();
    file.close();

    ContactFile contacts;
    QString error;
    const bool read = readContactFile(path, contacts, error);
    // A refusal always says why.
    if (!read && error.isEmpty())
        std::abort();
    return 0;
}
