// The directory server on the generated books: reading the book into memory, a caller's
// name looked up as the server's handler answers it and over HTTP on the loopback, each
// beside a floor from the same run (a request for a path the server does not have), a
// directory made, and a change made by another connection until it is served.
// Usage: bench_directory DATA_DIR N... [--markdown FILE]
#include "directory/phonedirectory.h"
#include "directoryserver/bookfollower.h"
#include "directoryserver/directoryhttp.h"
#include "directoryserver/directoryrequest.h"
#include "directoryserver/servedbook.h"
#include "platform/freedmemory.h"
#include "search/folding.h"
#include "store/entries.h"
#include "store/phonebookdb.h"

#include "residentmemory.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUrl>
#include <QVariant>

#include <httplib.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace
{

struct Spread {
    double median = 0;
    double p99 = 0;
    double most = 0;
};

// Microseconds of each run, spread.
Spread microseconds(int times, const std::function<void(int)> &once)
{
    std::vector<double> us;
    us.reserve(std::size_t(times));
    for (int i = 0; i < times; ++i) {
        QElapsedTimer timer;
        timer.start();
        once(i);
        us.push_back(double(timer.nsecsElapsed()) / 1e3);
    }
    std::sort(us.begin(), us.end());
    return {us[us.size() / 2], us[us.size() * 99 / 100], us.back()};
}

// Numbers callers call from: the book's own, written as stored, with +90 and with 0090,
// and one in four that nobody has.
QStringList callingNumbers(const QVector<Entry> &entries, int count)
{
    QRandomGenerator random(20261209);
    QStringList numbers;
    while (numbers.size() < count) {
        const Entry &entry = entries.at(random.bounded(entries.size()));
        const QString stored = random.bounded(2) ? entry.telefon : entry.cep;
        const QByteArray key = phoneNumberKey(stored);
        if (key.isEmpty())
            continue;
        switch (random.bounded(4)) {
        case 0:
            numbers << stored;
            break;
        case 1:
            numbers << QStringLiteral("+90 ") + QString::fromLatin1(key);
            break;
        case 2:
            numbers << QStringLiteral("0090") + QString::fromLatin1(key);
            break;
        default:
            numbers << QStringLiteral("0999 ") + QString::number(random.bounded(9999999));
        }
    }
    return numbers;
}

struct Results {
    int entries = 0;
    double readMs = 0;
    double memoryMb = 0;
    Spread lookup, lookupFloor, http, httpFloor;
    double directoryMs = 0, cachedMs = 0, directoryMb = 0;
    Spread live;
    int found = 0;
};

Results measure(const QString &folder)
{
    Results results;
    QDir::setCurrent(folder);
    if (openPhoneBook() != PhoneBookOpening::Opened)
        qFatal("cannot open %s", qPrintable(folder));
    ServedBook book;
    const double before = residentMegabytes();
    QElapsedTimer timer;
    timer.start();
    QVector<Entry> read;
    readEveryEntry(phoneBookDb, [&read](const Entry &entry) {
        read << entry;
        return true;
    });
    book.replace(read);
    results.readMs = double(timer.nsecsElapsed()) / 1e6;
    results.entries = book.size();
    const QStringList numbers = callingNumbers(read, 20000);
    read = QVector<Entry>();
    releaseFreedMemory();
    results.memoryMb = residentMegabytes() - before;

    const DirectoryCredentials open;
    DirectoryRequest request;
    request.method = "GET";
    results.lookup = microseconds(numbers.size(), [&](int i) {
        request.path = "/arayan";
        request.number = numbers.at(i).toStdString();
        if (answerDirectoryRequest(request, book, open).status == 200)
            ++results.found;
    });
    results.lookupFloor = microseconds(numbers.size(), [&](int) {
        request.path = "/yok";
        answerDirectoryRequest(request, book, open);
    });

    ServeOptions options;
    options.port = 0;
    options.requestsPerSecond = 1e9;
    DirectoryHttpServer server(book, options);
    QString error;
    if (!server.bind(error))
        qFatal("%s", qPrintable(error));
    server.start();
    httplib::Client client("127.0.0.1", server.port());
    client.set_keep_alive(true);
    const int overHttp = 5000;
    results.http = microseconds(overHttp, [&](int i) {
        const std::string path =
            "/arayan?numara=" + QUrl::toPercentEncoding(numbers.at(i)).toStdString();
        client.Get(path.c_str());
    });
    results.httpFloor = microseconds(overHttp, [&](int) { client.Get("/yok"); });

    timer.restart();
    const QByteArray directory = book.directory(DirectoryLayout::Yealink);
    results.directoryMs = double(timer.nsecsElapsed()) / 1e6;
    results.directoryMb = double(directory.size()) / (1024.0 * 1024.0);
    timer.restart();
    book.directory(DirectoryLayout::Yealink);
    results.cachedMs = double(timer.nsecsElapsed()) / 1e6;

    // Another program's insert, until the server answers with it.
    BookFollower follower(book);
    follower.start();
    QSqlDatabase side = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("yan"));
    side.setDatabaseName(folder + QStringLiteral("/database.db"));
    side.open();
    results.live = microseconds(10, [&](int i) {
        const QString number = QStringLiteral("0850 77%1").arg(i, 5, 10, QLatin1Char('0'));
        QSqlQuery insert(side);
        insert.prepare(QStringLiteral("INSERT INTO TELEFON (adsoyad, telefon) VALUES (?, ?)"));
        insert.addBindValue(QStringLiteral("Canlı %1").arg(i));
        insert.addBindValue(number);
        insert.exec();
        const QByteArray key = phoneNumberKey(number);
        while (book.callerNames(key).isEmpty())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    });
    QSqlQuery(side).exec(QStringLiteral("DELETE FROM TELEFON WHERE adsoyad LIKE 'Canlı %'"));
    side.close();
    side = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("yan"));
    server.stop();
    closePhoneBook();
    return results;
}

QString row(const Results &r)
{
    const auto us = [](double value) { return QString::number(value, 'f', 1); };
    return QStringLiteral("| %1 | %2 ms, %3 MB | %4 / %5 / %6 µs | %7 µs | %8 | %9 / %10 µs | "
                          "%11 µs | %12 | %13 ms (%14 MB), %15 ms again | %16 / %17 ms |")
        .arg(QLocale(QLocale::English).toString(r.entries))
        .arg(r.readMs, 0, 'f', 0)
        .arg(r.memoryMb, 0, 'f', 0)
        .arg(us(r.lookup.median), us(r.lookup.p99), us(r.lookup.most), us(r.lookupFloor.median))
        .arg(r.lookup.median / r.lookupFloor.median, 0, 'f', 1)
        .arg(us(r.http.median), us(r.http.p99), us(r.httpFloor.median))
        .arg(r.http.median / r.httpFloor.median, 0, 'f', 2)
        .arg(r.directoryMs, 0, 'f', 0)
        .arg(r.directoryMb, 0, 'f', 1)
        .arg(r.cachedMs, 0, 'f', 3)
        .arg(r.live.median / 1e3, 0, 'f', 0)
        .arg(r.live.most / 1e3, 0, 'f', 0);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QStringList arguments = application.arguments().mid(1);
    QString markdown;
    const int option = int(arguments.indexOf(QStringLiteral("--markdown")));
    if (option >= 0) {
        markdown = arguments.value(option + 1);
        arguments = arguments.mid(0, option);
    }
    if (arguments.size() < 2) {
        std::fputs("Usage: bench_directory DATA_DIR N... [--markdown FILE]\n", stderr);
        return 2;
    }
    const QString data = QDir(arguments.takeFirst()).absolutePath();
    QStringList table = {
        QStringLiteral("| Entries | Book read into memory | Lookup: median / p99 / longest | Floor "
                       "(a path it lacks) | Ratio | Over HTTP: median / p99 | Floor over "
                       "HTTP | Ratio | yealink.xml made | A change served: median / "
                       "longest |"),
        QStringLiteral("|---|---|---|---|---|---|---|---|---|---|")};
    for (const QString &size : arguments) {
        const Results results = measure(data + QLatin1Char('/') + size);
        table << row(results);
        std::printf("%s\n(%d of 20000 lookups found a name)\n", qPrintable(table.last()),
                    results.found);
        std::fflush(stdout);
    }
    if (!markdown.isEmpty()) {
        QFile file(markdown);
        if (file.open(QIODevice::WriteOnly))
            file.write(table.join(QLatin1Char('\n')).toUtf8() + '\n');
    }
    return 0;
}
