// Runs the real MainWindow headless on a phone book shared on a private PostgreSQL server,
// loaded with COPY from the generated books, and measures each keystroke, answered by the
// server before the in-memory index is ready and by the index after, beside the server's
// own execution of the statement it would send (EXPLAIN ANALYZE through psql).
// Usage: bench_server DATA_DIR N... [--markdown FILE]
#include "privateserver.h"
#include "store/phonebookdb.h"
#include "store/statements.h"

#include "benchsupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTimer>

#include <cstdio>

namespace
{

struct Measured {
    QString name;
    QString typed;
    Figures byServer;
    Figures window;
    double firstScreen = 0;
    double whole = 0;
};

// A statement as the window sends it, its values written in, run by the server itself.
double serverExecution(const QString &database, const Statement &search)
{
    QString sql = search.text;
    for (const QVariant &value : search.values) {
        const QString literal = QLatin1Char('\'') +
                                value.toString().replace(QLatin1Char('\''), QStringLiteral("''")) +
                                QLatin1Char('\'');
        sql.replace(sql.indexOf(QLatin1Char('?')), 1, literal);
    }
    std::vector<double> ms;
    for (int i = 0; i < 5; ++i) {
        const QString plan =
            PrivateServer::instance().psql(database, QStringLiteral("EXPLAIN ANALYZE ") + sql);
        const QRegularExpressionMatch time =
            QRegularExpression(QStringLiteral("Execution Time: ([0-9.]+) ms")).match(plan);
        ms.push_back(time.captured(1).toDouble());
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

void load(const QString &database, const QString &file)
{
    QProcess copy;
    copy.start(QStringLiteral("sh"),
               {QStringLiteral("-c"),
                QStringLiteral("sqlite3 -csv '%1' 'SELECT adsoyad, telefon, cep, mail FROM "
                               "TELEFON ORDER BY id' | psql -X -q -h '%2' -U postgres -d %3 -c "
                               "'\\copy telefon (adsoyad, telefon, cep, mail) FROM STDIN "
                               "WITH (FORMAT csv)' && psql -X -q -h '%2' -U postgres -d %3 -c "
                               "'VACUUM ANALYZE telefon'")
                    .arg(file, PrivateServer::instance().socketDirectory(), database)});
    if (!copy.waitForFinished(-1) || copy.exitCode() != 0)
        qFatal("COPY failed: %s", copy.readAllStandardError().constData());
}

QString measureBook(const QString &dataDir, long n)
{
    PrivateServer &server = PrivateServer::instance();
    const QString database = server.createDatabase();
    usePhoneBookServer(server.uri(database));
    openPhoneBook(); // the schema, before the rows
    closePhoneBook();
    QElapsedTimer loading;
    loading.start();
    load(database, QStringLiteral("%1/%2/database.db").arg(dataDir).arg(n));
    const double loadSeconds = since(loading) / 1000;

    const Figures startup = measure(5, [] {
        QElapsedTimer timer;
        timer.start();
        MainWindow window;
        child<QTableView>(&window, "tbl_liste")->viewport()->repaint();
        return since(timer);
    });
    std::vector<Measured> rows = {
        {QStringLiteral("no match, 4 letters"), QStringLiteral("zqxw"), {}, {}},
        {QStringLiteral("no match, 2 letters"), QStringLiteral("zq"), {}, {}},
        {QStringLiteral("common name"), QStringLiteral("ayşe"), {}, {}},
        {QStringLiteral("one letter"), QStringLiteral("a"), {}, {}},
        {QStringLiteral("two words"), QStringLiteral("yılmaz ay"), {}, {}},
        {QStringLiteral("number"), QStringLiteral("0599 123 45"), {}, {}},
    };
    const QStringList others = {"zqxv", "zv", "mehmet", "e", "öz meh", "0599 123 46"};
    {
        // As before the index is ready: its reading stopped as soon as it begins.
        MainWindow byServer;
        QCoreApplication::processEvents();
        byServer.findChild<PhoneBookIndex *>()->stop();
        for (std::size_t i = 0; i < rows.size(); ++i)
            rows[i].byServer = keystrokes(byServer, rows[i].typed, others.at(int(i)));
    }
    MainWindow window;
    const double indexSeconds = waitForIndex(window) / 1000;
    const double indexMegabytes =
        double(window.findChild<PhoneBookIndex *>()->ready()->bytes()) / 1048576;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i].window = keystrokes(window, rows[i].typed, others.at(int(i)));
        // The first screen's statement, which the server's keystroke waits for; and the whole
        // result's, which the list reads a chunk at a time afterwards.
        rows[i].firstScreen =
            serverExecution(database, searchIdsAfterStatement(rows[i].typed, false, 0, 256));
        rows[i].whole = serverExecution(database, searchIdsStatement(rows[i].typed, false));
    }
    QHeaderView *header = child<QTableView>(&window, "tbl_liste")->horizontalHeader();
    emit header->sectionClicked(1);
    const Figures sorted = keystrokes(window, QStringLiteral("ayşe"), QStringLiteral("mehmet"));
    emit header->sectionClicked(1);
    emit header->sectionClicked(1);
    const double before = residentMegabytes();
    for (int i = 0; i < 2000; ++i)
        keystroke(window, i % 2 ? QStringLiteral("ayşe") : QStringLiteral("mehmet"));
    const double growth = residentMegabytes() - before;

    // A save's cost beside the change log, with a million changes logged beside the
    // entries: by turns with the log's trigger off, as before the book kept one, and on.
    const auto saveOnce = [&window] { return saveNewEntry(window); };
    const auto asServer = [&](const char *sql) { server.psql(database, QString::fromUtf8(sql)); };
    asServer("INSERT INTO telefon_gecmis (kim, islem, kayit, eski_adsoyad, yeni_adsoyad) SELECT "
             "'ölçüm', 'degistir', i, 'a', 'b' FROM generate_series(1, 1000000) i");
    asServer("VACUUM ANALYZE telefon_gecmis");
    // The window has followed the rows logged, as a desk long open has.
    QElapsedTimer settling;
    settling.start();
    while (settling.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    std::vector<double> without, with;
    for (int round = 0; round < 9; ++round) {
        asServer("ALTER TABLE telefon DISABLE TRIGGER telefon_defteri_gecmis");
        without.push_back(saveOnce());
        asServer("ALTER TABLE telefon ENABLE TRIGGER telefon_defteri_gecmis");
        with.push_back(saveOnce());
    }
    std::sort(without.begin(), without.end());
    std::sort(with.begin(), with.end());
    const double unlogged = without[4], logged = with[4];
    asServer("DELETE FROM telefon_gecmis WHERE kim = 'ölçüm'");

    QString table = QStringLiteral("\n#### %1 entries on the server\n\n").arg(n);
    table += QStringLiteral("Loaded with COPY in %1 s; start-up to the first screen %2 ms; "
                            "the index read in %3 s (%4 MB); resident memory %5 MB, %6 MB more "
                            "after 2,000 keystrokes; a keystroke sorted by name (\"ayşe\") "
                            "%7 ms (p95 %8 ms).\n\n")
                 .arg(loadSeconds, 0, 'f', 1)
                 .arg(startup.median, 0, 'f', 1)
                 .arg(indexSeconds, 0, 'f', 2)
                 .arg(indexMegabytes, 0, 'f', 0)
                 .arg(residentMegabytes(), 0, 'f', 0)
                 .arg(growth, 0, 'f', 1)
                 .arg(sorted.median, 0, 'f', 1)
                 .arg(sorted.p95, 0, 'f', 1);
    table += QStringLiteral("A save: %1 ms with the change log's trigger off, %2 ms with it on "
                            "and a million changes logged (%3 times).\n\n")
                 .arg(unlogged, 0, 'f', 2)
                 .arg(logged, 0, 'f', 2)
                 .arg(logged / qMax(unlogged, 0.001), 0, 'f', 3);
    table += QStringLiteral(
        "| keystroke | typed | window median ms (index) | p95 ms | before the index: median "
        "ms | server's own execution of the first screen's statement ms | ratio, index to "
        "server | the whole result's statement ms |\n"
        "| --- | --- | --- | --- | --- | --- | --- | --- |\n");
    for (const Measured &row : rows)
        table += QStringLiteral("| %1 | `%2` | %3 | %4 | %5 | %6 | %7 | %8 |\n")
                     .arg(row.name, row.typed)
                     .arg(row.window.median, 0, 'f', 2)
                     .arg(row.window.p95, 0, 'f', 2)
                     .arg(row.byServer.median, 0, 'f', 1)
                     .arg(row.firstScreen, 0, 'f', 1)
                     .arg(row.window.median / qMax(row.firstScreen, 0.001), 0, 'f', 3)
                     .arg(row.whole, 0, 'f', 1);
    closePhoneBook();
    usePhoneBookServer(QString());
    server.dropDatabase(database);
    return table;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QString dataDir = QString::fromLocal8Bit(argv[1]);
    QString markdownPath;
    std::vector<long> sizes;
    for (int i = 2; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--markdown" && i + 1 < argc)
            markdownPath = QString::fromLocal8Bit(argv[++i]);
        else
            sizes.push_back(arg.toLong());
    }
    QString report;
    for (const long n : sizes) {
        const QString table = measureBook(dataDir, n);
        std::printf("%s", qPrintable(table));
        std::fflush(stdout);
        report += table;
    }
    QFile markdown(markdownPath);
    if (!markdownPath.isEmpty() && markdown.open(QIODevice::WriteOnly))
        markdown.write(report.toUtf8());
    return 0;
}
