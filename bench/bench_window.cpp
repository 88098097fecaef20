// Runs the real MainWindow headless on generated phone books and measures what a user
// waits for, each beside its floors from the same run: the plain search statement through
// the SQLite C API, and a bare scan of the folded names held in memory.
// Usage: bench_window DATA_DIR N... [--csv FILE]
// DATA_DIR/N/database.db must exist for every N (see generate_phonebook).
#include "index/phonebookindex.h"
#include "search/folding.h"
#include "store/booklog.h"
#include "window/mainwindow.h"

#include "benchsupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTimer>

#include <sqlite3.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <utility>

namespace
{

QString dataDir;

void enter(long entries)
{
    QDir::setCurrent(dataDir + QLatin1Char('/') + QString::number(entries));
}

QByteArray databaseFile(long entries)
{
    return (dataDir + QLatin1Char('/') + QString::number(entries) + "/database.db").toUtf8();
}

// The floor of the store: the plain search statement through SQLite, every row scanned.
double plainStatementScan(long entries, const QByteArray &pattern)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(databaseFile(entries).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    const Figures figures = measure(9, [&] {
        QElapsedTimer timer;
        timer.start();
        sqlite3_stmt *statement = nullptr;
        sqlite3_prepare_v2(db, "SELECT *FROM TELEFON WHERE adsoyad LIKE ?", -1, &statement,
                           nullptr);
        sqlite3_bind_text(statement, 1, pattern.constData(), -1, SQLITE_STATIC);
        while (sqlite3_step(statement) == SQLITE_ROW)
            for (int column = 0; column < 5; ++column)
                sqlite3_column_text(statement, column);
        sqlite3_finalize(statement);
        return since(timer);
    });
    sqlite3_close(db);
    return figures.median;
}

// The physical limit: the folded names, one buffer in memory, scanned for the text.
double bareMemoryScan(long entries, const QString &text)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(databaseFile(entries).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT adsoyad FROM TELEFON", -1, &statement, nullptr);
    std::string names;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        const auto *name = reinterpret_cast<const char *>(sqlite3_column_text(statement, 0));
        names += foldForSearch(QString::fromUtf8(name)).toUtf8().constData();
        names += '\n';
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    const QByteArray needle = foldForSearch(text).toUtf8();
    return measure(9,
                   [&] {
                       QElapsedTimer timer;
                       timer.start();
                       std::size_t found = 0;
                       const char *at = names.data(), *end = at + names.size();
                       while (const void *hit =
                                  memmem(at, std::size_t(end - at), needle.constData(),
                                         std::size_t(needle.size()))) {
                           ++found;
                           at = static_cast<const char *>(hit) + needle.size();
                       }
                       volatile std::size_t kept = found;
                       (void)kept;
                       return since(timer);
                   })
        .median;
}

struct Row {
    long entries = 0;
    std::map<std::string, Figures> figures;
    double value(const std::string &name) const
    {
        const auto found = figures.find(name);
        return found == figures.end() ? 0 : found->second.median;
    }
};

// The window's thread between one moment and the next: the processor time it took, and
// the longest it left a timer of 1 ms waiting (what a key pressed then would have waited).
class WindowThreadTime
{
public:
    explicit WindowThreadTime(bool probing)
    {
        clock.start();
        startedCpu = threadCpu();
        if (!probing)
            return;
        probe.setInterval(1);
        QObject::connect(&probe, &QTimer::timeout, [this] {
            const qint64 now = clock.nsecsElapsed();
            longestGap = std::max(longestGap, now - lastTick);
            lastTick = now;
        });
        probe.start();
    }
    double busy() const { return double(threadCpu() - startedCpu) / 1e6; }
    double longest() const { return double(longestGap) / 1e6; }
    double elapsed() const { return since(clock); }

private:
    static qint64 threadCpu()
    {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
    }
    QElapsedTimer clock;
    qint64 startedCpu = 0;
    QTimer probe;
    qint64 lastTick = 0, longestGap = 0;
};

struct FollowedChange {
    double shown = 0;   // from the commit until the list shows it
    double busy = 0;    // the window's thread's work in that time
    double longest = 0; // its longest stretch without answering
};

// Another program commits, and the window follows on its own, as it does while the user
// only looks: until the list of what the search box finds has the expected rows.
FollowedChange followCommit(MainWindow &window, sqlite3 *db, const char *statement, int rows,
                            bool probing = false)
{
    QAbstractItemModel *model = child<QTableView>(&window, "tbl_liste")->model();
    sqlite3_exec(db, statement, nullptr, nullptr, nullptr);
    WindowThreadTime time(probing);
    // The window's watcher wakes the loop on its own timer.
    while (model->rowCount() != rows && time.elapsed() < 600000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    FollowedChange followed;
    followed.shown = time.elapsed();
    followed.busy = time.busy();
    followed.longest = time.longest();
    return followed;
}

// A colleague's save of one entry, followed by the list and its search: once as found, once
// gone again, the median of both.
FollowedChange followAnotherProgramsSave(MainWindow &window, long entries)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(databaseFile(entries).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    child<QLineEdit>(&window, "txt_ara")->setText(QStringLiteral("zqxw"));
    std::vector<FollowedChange> all;
    for (int i = 0; i < 5; ++i) {
        all.push_back(followCommit(
            window, db, "UPDATE TELEFON SET adsoyad = 'Zqxw ' || adsoyad WHERE id = 2", 1));
        all.push_back(followCommit(
            window, db, "UPDATE TELEFON SET adsoyad = substr(adsoyad, 6) WHERE id = 2", 0));
    }
    sqlite3_close(db);
    const auto median = [&](double FollowedChange::*figure) {
        std::vector<double> values;
        for (const FollowedChange &one : all)
            values.push_back(one.*figure);
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    return {median(&FollowedChange::shown), median(&FollowedChange::busy),
            median(&FollowedChange::longest)};
}

// A colleague's import of 10,000 entries in one commit, followed by the list; taken out
// again afterwards.
FollowedChange followAnotherProgramsImport(MainWindow &window, long entries)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(databaseFile(entries).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    child<QLineEdit>(&window, "txt_ara")->setText(QStringLiteral("zqxw"));
    const FollowedChange followed = followCommit(
        window, db,
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 10000) "
        "INSERT INTO TELEFON (adsoyad, telefon) SELECT 'Zqxw İthal ' || i, '0212 555 ' || i "
        "FROM n",
        10000, true);
    followCommit(window, db, "DELETE FROM TELEFON WHERE adsoyad LIKE 'Zqxw İthal %'", 0);
    sqlite3_close(db);
    return followed;
}

// A save's cost beside the change log, with a million changes logged beside the entries,
// as a long-used book has them: once with the log's triggers taken away, as before the
// book kept one, once with them, by turns, so that the disk's own changes of speed (each
// commit waits for its sync) fall on both alike. The logged rows made for it are taken out
// again. Each time the window has followed the change to the file first, as a desk that
// has long been open would have.
std::pair<double, double> saveBesideTheLog(long entries, MainWindow &window,
                                           const std::function<double()> &save)
{
    const auto followed = [&window] {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 1000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        waitForIndex(window);
        // The index answers while it reads the change beside it: the reading's thread would
        // take the processor from the saves measured.
        auto *index = window.findChild<PhoneBookIndex *>();
        while (index->readingChanges() && timer.elapsed() < 600000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    };
    const QString name = QStringLiteral("bench-log");
    std::vector<double> without, with;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(QString::fromLocal8Bit(databaseFile(entries)));
        db.open();
        QSqlQuery query(db);
        query.exec(QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000000) "
            "INSERT INTO TELEFON_GECMIS (zaman, kim, islem, kayit, eski_adsoyad, yeni_adsoyad) "
            "SELECT strftime('%Y-%m-%dT%H:%M:%fZ', 'now'), 'ölçüm', 'degistir', i, 'a', 'b' "
            "FROM n"));
        // Written over months, the log went through the file's checkpoints long ago.
        query.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        for (int round = 0; round < 9; ++round) {
            for (const char *trigger : {"ekle", "sil", "degistir", "yeni_kimlik"})
                query.exec(QStringLiteral("DROP TRIGGER TELEFON_gecmis_%1").arg(trigger));
            followed();
            without.push_back(save());
            ensureBookLog(query);
            followed();
            with.push_back(save());
        }
        query.exec(QStringLiteral("DELETE FROM TELEFON_GECMIS WHERE kim = 'ölçüm'"));
        followed();
        query.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    const auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    return {median(without), median(with)};
}

// The whole program's resident memory in a process of its own, as a user's would be and
// as ps shows it: once the window is shown, once the index is built, and once the list is
// sorted by name as well.
std::tuple<double, double, double> residentInFreshProcess(long entries)
{
    QProcess run;
    run.start(QCoreApplication::applicationFilePath(),
              {dataDir, QStringLiteral("--memory"), QString::number(entries)});
    run.waitForFinished(600000);
    const QList<QByteArray> figures = run.readAllStandardOutput().trimmed().split(' ');
    return {figures.value(0).toDouble(), figures.value(1).toDouble(), figures.value(2).toDouble()};
}

// The resident set as ps reports it, in MB.
double residentAsPsShows()
{
    QProcess ps;
    ps.start(QStringLiteral("ps"),
             {QStringLiteral("-o"), QStringLiteral("rss="), QStringLiteral("-p"),
              QString::number(QCoreApplication::applicationPid())});
    ps.waitForFinished(30000);
    return ps.readAllStandardOutput().trimmed().toDouble() / 1024;
}

int reportMemory(long entries)
{
    enter(entries);
    MainWindow window;
    window.show();
    child<QTableView>(&window, "tbl_liste")->viewport()->repaint();
    QCoreApplication::processEvents();
    const double shown = residentAsPsShows();
    waitForIndex(window);
    const double built = residentAsPsShows();
    emit child<QTableView>(&window, "tbl_liste")->horizontalHeader()->sectionClicked(1);
    QCoreApplication::processEvents();
    std::printf("%.1f %.1f %.1f\n", shown, built, residentAsPsShows());
    return 0;
}

Row measureBook(long n)
{
    Row row;
    row.entries = n;
    auto &f = row.figures;
    enter(n);
    f["startup"] = measure(5, [] {
        QElapsedTimer timer;
        timer.start();
        MainWindow window;
        child<QTableView>(&window, "tbl_liste")->viewport()->repaint();
        return since(timer);
    });
    f["statement_floor"].median = plainStatementScan(n, "%zqxw%");
    f["memory_floor"].median = bareMemoryScan(n, QStringLiteral("zqxw"));
    f["memory_floor_letter"].median = bareMemoryScan(n, QStringLiteral("a"));

    MainWindow window;
    // The store's own search, before the index is ready: stopped for the measurement.
    QCoreApplication::processEvents();
    window.findChild<PhoneBookIndex *>()->stop();
    f["store_nomatch"] = keystrokes(window, "zqxw", "zqxv");
    f["store_number"] = keystrokes(window, "0599 123 45", "0599 123 46");

    child<QLineEdit>(&window, "txt_ara")->setText(QStringLiteral("x"));
    // Another program's change, as it would come: the index is built again.
    window.findChild<PhoneBookIndex *>()->rebuild();
    f["index_build"].median = waitForIndex(window);
    f["index_mb"].median = double(window.findChild<PhoneBookIndex *>()->ready()->bytes()) / 1048576;

    f["nomatch"] = keystrokes(window, "zqxw", "zqxv");
    f["name"] = keystrokes(window, "ayşe", "mehmet");
    f["letter"] = keystrokes(window, "a", "e");
    f["words"] = keystrokes(window, "yılmaz ay", "öz meh");
    f["number"] = keystrokes(window, "0599 123 45", "0599 123 46");
    // Wildcards: found by a run of letters, or with none longer than one letter.
    f["pattern"] = keystrokes(window, "ay_e", "meh%et");
    f["pattern_letters"] = keystrokes(window, "a_a", "e_e");
    QHeaderView *header = child<QTableView>(&window, "tbl_liste")->horizontalHeader();
    f["header_click"] = measure(n >= 1000000 ? 3 : 5, [&] {
        QElapsedTimer timer;
        timer.start();
        emit header->sectionClicked(1);
        child<QTableView>(&window, "tbl_liste")->viewport()->repaint();
        const double ms = since(timer);
        emit header->sectionClicked(1);
        emit header->sectionClicked(1);
        return ms;
    });
    emit header->sectionClicked(1);
    f["sorted_letter"] = keystrokes(window, "a", "e");
    f["sorted_nomatch"] = keystrokes(window, "zqxw", "zqxv");
    f["sorted_words"] = keystrokes(window, "yılmaz ay", "öz meh");
    emit header->sectionClicked(1);
    emit header->sectionClicked(1);

    const auto saveOnce = [&window] { return saveNewEntry(window); };
    f["save"] = measure(9, saveOnce);
    std::tie(f["save_unlogged"].median, f["save_logged"].median) =
        saveBesideTheLog(n, window, saveOnce);
    const FollowedChange saved = followAnotherProgramsSave(window, n);
    f["change_elsewhere"].median = saved.shown;
    f["change_elsewhere_busy"].median = saved.busy;
    emit header->sectionClicked(1);
    const FollowedChange sorted = followAnotherProgramsSave(window, n);
    f["sorted_change_elsewhere"].median = sorted.shown;
    f["sorted_change_elsewhere_busy"].median = sorted.busy;
    emit header->sectionClicked(1);
    emit header->sectionClicked(1);
    const FollowedChange imported = followAnotherProgramsImport(window, n);
    f["import_elsewhere"].median = imported.shown;
    f["import_elsewhere_longest"].median = imported.longest;
    child<QLineEdit>(&window, "txt_ara")->clear();
    std::tie(f["rss_shown_mb"].median, f["rss_mb"].median, f["rss_sorted_mb"].median) =
        residentInFreshProcess(n);
    const double growthBefore = residentMegabytes();
    for (int i = 0; i < 2000; ++i)
        keystroke(window, i % 2 ? QStringLiteral("a") : QStringLiteral("e"));
    f["growth_mb"].median = residentMegabytes() - growthBefore;
    return row;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    dataDir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    if (argc == 4 && QByteArray(argv[2]) == "--memory")
        return reportMemory(QByteArray(argv[3]).toLong());
    std::vector<long> sizes;
    QString csvPath;
    for (int i = 2; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--csv" && i + 1 < argc)
            csvPath = QString::fromLocal8Bit(argv[++i]);
        else
            sizes.push_back(arg.toLong());
    }
    const std::vector<std::string> columns = {"startup",
                                              "index_build",
                                              "index_mb",
                                              "rss_mb",
                                              "rss_sorted_mb",
                                              "nomatch",
                                              "name",
                                              "letter",
                                              "words",
                                              "number",
                                              "sorted_letter",
                                              "sorted_nomatch",
                                              "sorted_words",
                                              "header_click",
                                              "change_elsewhere",
                                              "store_nomatch",
                                              "store_number",
                                              "statement_floor",
                                              "memory_floor",
                                              "memory_floor_letter",
                                              "save",
                                              "growth_mb",
                                              "rss_shown_mb",
                                              "save_unlogged",
                                              "save_logged",
                                              "change_elsewhere_busy",
                                              "sorted_change_elsewhere",
                                              "sorted_change_elsewhere_busy",
                                              "import_elsewhere",
                                              "import_elsewhere_longest"};
    QFile csv(csvPath);
    const bool writeCsv = !csvPath.isEmpty() && csv.open(QIODevice::WriteOnly);
    std::string header = "entries";
    for (const std::string &column : columns)
        header += "," + column +
                  (column.size() > 3 && column.substr(column.size() - 3) == "_mb" ? "" : "_ms");
    header += ",nomatch_p95_ms,letter_p95_ms,sorted_letter_p95_ms,words_p95_ms,pattern_ms,"
              "pattern_letters_ms\n";
    if (writeCsv)
        csv.write(header.c_str());
    std::printf("%s", header.c_str());
    for (const long n : sizes) {
        const Row row = measureBook(n);
        std::string line = std::to_string(n);
        for (const std::string &column : columns)
            line += QString::asprintf(",%.3f", row.value(column)).toStdString();
        for (const char *name : {"nomatch", "letter", "sorted_letter", "words"})
            line += QString::asprintf(",%.3f", row.figures.at(name).p95).toStdString();
        for (const char *name : {"pattern", "pattern_letters"})
            line += QString::asprintf(",%.3f", row.value(name)).toStdString();
        line += "\n";
        std::printf("%s", line.c_str());
        std::fflush(stdout);
        if (writeCsv)
            csv.write(line.c_str());
    }
    return 0;
}
