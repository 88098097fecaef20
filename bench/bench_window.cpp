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

// Until the window's search index is ready: what start-up leaves running.
double waitForIndex(MainWindow &window)
{
    auto *index = window.findChild<PhoneBookIndex *>();
    QElapsedTimer timer;
    timer.start();
    while (!index->ready() && timer.elapsed() < 600000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return since(timer);
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

// Another program's commit of one entry, until the window's index has taken it in: the
// book read again beside the index, that one entry merged.
double takeInAnotherProgramsChange(MainWindow &window, long entries)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(databaseFile(entries).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    QString typed;
    const double median =
        measure(3, [&] {
            sqlite3_exec(db, "UPDATE TELEFON SET mail = mail || 'x' WHERE id = 2", nullptr, nullptr,
                         nullptr);
            QElapsedTimer timer;
            timer.start();
            typed = typed == QStringLiteral("a") ? QStringLiteral("e") : QStringLiteral("a");
            keystroke(window, typed);
            waitForIndex(window);
            return since(timer);
        }).median;
    sqlite3_close(db);
    return median;
}

// A save's cost beside the change log: with the log's triggers taken away, as before the
// book kept one, and with a million changes logged beside the entries, as a long-used book
// has them. The logged rows made for it are taken out again.
std::pair<double, double> saveBesideTheLog(long entries, const std::function<double()> &save)
{
    const QString name = QStringLiteral("bench-log");
    double without = 0, with = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(QString::fromLocal8Bit(databaseFile(entries)));
        db.open();
        QSqlQuery query(db);
        for (const char *trigger : {"ekle", "sil", "degistir", "yeni_kimlik"})
            query.exec(QStringLiteral("DROP TRIGGER TELEFON_gecmis_%1").arg(trigger));
        without = measure(9, save).median;
        ensureBookLog(query);
        query.exec(QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000000) "
            "INSERT INTO TELEFON_GECMIS (zaman, kim, islem, kayit, eski_adsoyad, yeni_adsoyad) "
            "SELECT strftime('%Y-%m-%dT%H:%M:%fZ', 'now'), 'ölçüm', 'degistir', i, 'a', 'b' "
            "FROM n"));
        with = measure(9, save).median;
        query.exec(QStringLiteral("DELETE FROM TELEFON_GECMIS WHERE kim = 'ölçüm'"));
        query.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return {without, with};
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

    auto *save = child<QAbstractButton>(&window, "btn_kaydet");
    const auto saveOnce = [&] {
        child<QAbstractButton>(&window, "btn_yeni")->click();
        child<QLineEdit>(&window, "txt_adsoyad")->setText(QStringLiteral("Ölçüm Kaydı"));
        closeBoxWhenShown();
        QElapsedTimer timer;
        timer.start();
        save->click();
        return since(timer);
    };
    f["save"] = measure(9, saveOnce);
    std::tie(f["save_unlogged"].median, f["save_logged"].median) = saveBesideTheLog(n, saveOnce);
    f["change_elsewhere"].median = takeInAnotherProgramsChange(window, n);
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
                                              "save_logged"};
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
