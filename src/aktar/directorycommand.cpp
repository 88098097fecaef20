#include "aktar/directorycommand.h"

#include "directory/phonedirectory.h"
#include "search/turkishorder.h"
#include "store/entries.h"
#include "store/phonebookdb.h"

#include <QFile>
#include <QSaveFile>

#include <cstdio>
#include <optional>

namespace
{

struct Wanted {
    std::optional<DirectoryLayout> layout;
    QByteArray path;
};

// The layout and the file, the option before or after the file, "--bicim=…" too.
Wanted parse(const QList<QByteArray> &words)
{
    Wanted wanted;
    QList<QByteArray> rest;
    bool named = false;
    for (int i = 0; i < words.size(); ++i) {
        const QByteArray &word = words.at(i);
        if ((word == "--bicim" && i + 1 < words.size()) || word.startsWith("--bicim=")) {
            const QByteArray name = word == "--bicim" ? words.at(++i) : word.mid(8);
            wanted.layout = directoryLayoutNamed(QString::fromUtf8(name).toLower());
            named = true;
        } else {
            rest << word;
        }
    }
    if (!named || rest.size() != 1)
        wanted.layout.reset();
    else
        wanted.path = rest.first();
    return wanted;
}

void tell(FILE *stream, const QString &line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stream);
}

} // namespace

bool isDirectoryCommand(const QByteArray &command)
{
    return command == "rehber";
}

bool directoryCommandWellFormed(const QList<QByteArray> &words)
{
    return parse(words).layout.has_value();
}

int runDirectoryCommand(const QList<QByteArray> &words)
{
    const Wanted wanted = parse(words);
    QVector<Entry> entries;
    if (!readEveryEntry(phoneBookDb, [&entries](const Entry &entry) {
            entries << entry;
            return true;
        })) {
        tell(stderr, QStringLiteral("telefon-defteri-aktar: defter okunamadı"));
        return 1;
    }
    const QByteArray xml = directoryXml(*wanted.layout, inTurkishOrder(entries));
    QSaveFile file(QFile::decodeName(wanted.path));
    if (!file.open(QIODevice::WriteOnly) || file.write(xml) != xml.size() || !file.commit()) {
        tell(stderr, QStringLiteral("telefon-defteri-aktar: %1 yazılamadı: %2")
                         .arg(QFile::decodeName(wanted.path), file.errorString()));
        return 1;
    }
    tell(stdout,
         QStringLiteral("Rehber %1 dosyasına yazıldı.").arg(QFile::decodeName(wanted.path)));
    return 0;
}
