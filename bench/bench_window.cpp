// Runs the real MainWindow headless on generated phone books and measures what a user
// waits for, each beside its floor: the same SQL through the SQLite C API directly.
// Usage: bench_window DATA_DIR N... [--csv FILE] [benchmark options]
// DATA_DIR/N/database.db must exist for every N (see generate_phonebook).
#include "window/mainwindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QTableView>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <memory>

namespace
{

QString dataDir;
constexpr int repetitions = 5;

void enter(long entries)
{
    QDir::setCurrent(dataDir + QLatin1Char('/') + QString::number(entries));
}

double residentMegabytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

template <typename T> T *child(QWidget *window, const char *name)
{
    return window->findChild<T *>(QString::fromLatin1(name));
}

// Replaces the search text and waits until the list has repainted.
double keystroke(MainWindow &window, const QString &text)
{
    auto *search = child<QLineEdit>(&window, "txt_ara");
    auto *list = child<QTableView>(&window, "tbl_liste");
    QElapsedTimer timer;
    timer.start();
    search->setText(text);
    list->viewport()->repaint();
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    QCoreApplication::processEvents(); // what the event loop does between keystrokes
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return seconds;
}

int visibleRows(MainWindow &window)
{
    auto *list = child<QTableView>(&window, "tbl_liste");
    const int last = list->rowAt(list->viewport()->height() - 1);
    return last < 0 ? list->model()->rowCount() : last + 1;
}

void startup(benchmark::State &state)
{
    enter(state.range(0));
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        auto window = std::make_unique<MainWindow>();
        child<QTableView>(window.get(), "tbl_liste")->viewport()->repaint();
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
    }
}

void searchKeystroke(benchmark::State &state, QString first, QString second)
{
    enter(state.range(0));
    MainWindow window;
    bool odd = false;
    for (auto _ : state) {
        state.SetIterationTime(keystroke(window, (odd = !odd) ? first : second));
    }
}

// The same keystrokes with the list sorted by name (A–Z), as a header click leaves it.
void sortedKeystroke(benchmark::State &state, QString first, QString second)
{
    enter(state.range(0));
    MainWindow window;
    emit child<QTableView>(&window, "tbl_liste")->horizontalHeader()->sectionClicked(1);
    bool odd = false;
    for (auto _ : state) {
        state.SetIterationTime(keystroke(window, (odd = !odd) ? first : second));
    }
}

// The click that sorts the whole list by name, until it has repainted; two more clicks
// (Z–A, then the stored order) bring it back untimed.
void headerClick(benchmark::State &state)
{
    enter(state.range(0));
    MainWindow window;
    auto *list = child<QTableView>(&window, "tbl_liste");
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        emit list->horizontalHeader()->sectionClicked(1);
        list->viewport()->repaint();
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        emit list->horizontalHeader()->sectionClicked(1);
        emit list->horizontalHeader()->sectionClicked(1);
    }
}

// The floor: the search statement straight through SQLite, stepping `rows` rows
// (all of them when rows is 0).
void searchFloor(benchmark::State &state, QByteArray pattern, int rows)
{
    const QByteArray path = (dataDir + QLatin1Char('/') + QString::number(state.range(0)) +
                             QStringLiteral("/database.db"))
                                .toUtf8();
    sqlite3 *db = nullptr;
    sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        sqlite3_stmt *statement = nullptr;
        sqlite3_prepare_v2(db, "SELECT *FROM TELEFON WHERE adsoyad LIKE ?", -1, &statement,
                           nullptr);
        sqlite3_bind_text(statement, 1, pattern.constData(), -1, SQLITE_STATIC);
        int stepped = 0;
        while ((rows == 0 || stepped < rows) && sqlite3_step(statement) == SQLITE_ROW) {
            for (int column = 0; column < 5; ++column)
                benchmark::DoNotOptimize(sqlite3_column_text(statement, column));
            ++stepped;
        }
        sqlite3_finalize(statement);
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
    }
    sqlite3_close(db);
}

void closeBoxWhenShown()
{
    QTimer::singleShot(0, [] {
        if (QWidget *box = QApplication::activeModalWidget())
            box->close();
        else
            closeBoxWhenShown();
    });
}

void saveNewEntry(benchmark::State &state)
{
    enter(state.range(0));
    MainWindow window;
    auto *save = child<QAbstractButton>(&window, "btn_kaydet");
    for (auto _ : state) {
        child<QAbstractButton>(&window, "btn_yeni")->click();
        child<QLineEdit>(&window, "txt_adsoyad")->setText(QStringLiteral("Ölçüm Kaydı"));
        closeBoxWhenShown();
        QElapsedTimer timer;
        timer.start();
        save->click();
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
    }
}

void doubleClickLoad(benchmark::State &state)
{
    enter(state.range(0));
    MainWindow window;
    auto *list = child<QTableView>(&window, "tbl_liste");
    for (auto _ : state) {
        const QModelIndex index = list->model()->index(int(state.iterations() % 5), 2);
        QElapsedTimer timer;
        timer.start();
        emit list->doubleClicked(index);
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
    }
}

void memoryGrowth(benchmark::State &state)
{
    enter(state.range(0));
    MainWindow window;
    for (int i = 0; i < 200; ++i) // warm-up: caches and allocator reach their working size
        keystroke(window, i % 2 ? QStringLiteral("a") : QStringLiteral("e"));
    double before = 0, after = 0;
    for (auto _ : state) {
        before = residentMegabytes();
        for (int i = 0; i < 2000; ++i)
            keystroke(window, i % 2 ? QStringLiteral("a") : QStringLiteral("e"));
        after = residentMegabytes();
    }
    state.counters["rss_before_MB"] = before;
    state.counters["rss_after_MB"] = after;
    state.counters["growth_MB"] = after - before;
}

// Keeps the medians, to print each figure beside its floor once everything has run.
class SummaryReporter : public benchmark::ConsoleReporter
{
public:
    SummaryReporter() : ConsoleReporter(OO_Tabular) {}
    std::map<std::string, double> medians; // name -> milliseconds
    std::map<std::string, double> growth;  // name -> megabytes

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            const std::string name = run.benchmark_name();
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians[name.substr(0, name.find("_median"))] = run.GetAdjustedRealTime();
            if (run.counters.count("growth_MB"))
                growth[name] = run.counters.at("growth_MB");
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    dataDir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    std::vector<long> sizes;
    QString csvPath;
    std::vector<char *> rest = {argv[0]};
    for (int i = 2; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--csv" && i + 1 < argc)
            csvPath = QString::fromLocal8Bit(argv[++i]);
        else if (arg.startsWith("--"))
            rest.push_back(argv[i]);
        else
            sizes.push_back(arg.toLong());
    }

    int visible = 0;
    {
        enter(sizes.front());
        MainWindow window;
        visible = visibleRows(window);
    }

    for (const long n : sizes) {
        auto timed = [](benchmark::internal::Benchmark *b, long n, int iterations) {
            b->Arg(n)
                ->Iterations(iterations)
                ->Repetitions(repetitions)
                ->ReportAggregatesOnly()
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
        };
        const int scans = n >= 1000000 ? 5 : 20;
        timed(benchmark::RegisterBenchmark("startup", startup), n, 5);
        timed(benchmark::RegisterBenchmark("keystroke_nomatch", searchKeystroke,
                                           QStringLiteral("zqxw"), QStringLiteral("zqxv")),
              n, scans);
        timed(benchmark::RegisterBenchmark("floor_nomatch", searchFloor, QByteArray("%zqxw%"), 0),
              n, scans);
        timed(benchmark::RegisterBenchmark("keystroke_number", searchKeystroke,
                                           QStringLiteral("0599 123 45"),
                                           QStringLiteral("0599 123 46")),
              n, scans);
        timed(benchmark::RegisterBenchmark("floor_number", searchFloor, QByteArray("%0599 123 45%"),
                                           0),
              n, scans);
        timed(benchmark::RegisterBenchmark("keystroke_match", searchKeystroke, QStringLiteral("a"),
                                           QStringLiteral("e")),
              n, 20);
        timed(benchmark::RegisterBenchmark("floor_match", searchFloor, QByteArray("%a%"), visible),
              n, 20);
        timed(benchmark::RegisterBenchmark("keystroke_sorted", sortedKeystroke, QStringLiteral("a"),
                                           QStringLiteral("e")),
              n, 20);
        timed(benchmark::RegisterBenchmark("keystroke_words", searchKeystroke,
                                           QStringLiteral("yılmaz ay"), QStringLiteral("öz meh")),
              n, scans);
        timed(benchmark::RegisterBenchmark("header_click", headerClick), n, n >= 1000000 ? 2 : 5);
        timed(benchmark::RegisterBenchmark("save", saveNewEntry), n, 10);
        timed(benchmark::RegisterBenchmark("load", doubleClickLoad), n, 50);
        benchmark::RegisterBenchmark("memory_2000_keystrokes", memoryGrowth)
            ->Arg(n)
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }

    int benchArgc = int(rest.size());
    benchmark::Initialize(&benchArgc, rest.data());
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\nMedians in ms; floor = the same SQL through the SQLite C API "
                "(all rows for no match, the %d rows the list shows for a match)\n",
                visible);
    std::printf("%9s %9s %11s %9s %6s %9s %9s %6s %11s %9s %6s %8s %6s %8s %8s %8s %8s %10s\n",
                "entries", "startup", "no-match", "floor", "ratio", "number", "floor", "ratio",
                "match", "floor", "ratio", "sorted", "ratio", "words", "header", "save", "load",
                "mem (MB)");
    QFile csv(csvPath);
    const bool writeCsv = !csvPath.isEmpty() && csv.open(QIODevice::WriteOnly);
    if (writeCsv)
        csv.write("entries,startup_ms,nomatch_ms,nomatch_floor_ms,number_ms,number_floor_ms,"
                  "match_ms,match_floor_ms,save_ms,load_ms,memory_growth_mb,sorted_ms,words_ms,"
                  "header_click_ms\n");
    for (const long n : sizes) {
        auto median = [&](const char *name) {
            const std::string k = std::string(name) + "/" + std::to_string(n) + "/iterations:";
            for (const auto &[full, value] : reporter.medians)
                if (full.rfind(k, 0) == 0)
                    return value;
            return 0.0;
        };
        double growth = 0;
        for (const auto &[full, value] : reporter.growth)
            if (full.rfind("memory_2000_keystrokes/" + std::to_string(n) + "/", 0) == 0)
                growth = value;
        const double nomatch = median("keystroke_nomatch"), nomatchFloor = median("floor_nomatch");
        const double number = median("keystroke_number"), numberFloor = median("floor_number");
        const double match = median("keystroke_match"), matchFloor = median("floor_match");
        const double sorted = median("keystroke_sorted");
        std::printf("%9ld %9.2f %11.2f %9.2f %6.2f %9.2f %9.2f %6.2f %11.2f %9.3f %6.1f %8.2f "
                    "%6.2f %8.2f %8.2f %8.2f %8.3f %10.3f\n",
                    n, median("startup"), nomatch, nomatchFloor, nomatch / nomatchFloor, number,
                    numberFloor, number / numberFloor, match, matchFloor, match / matchFloor,
                    sorted, sorted / match, median("keystroke_words"), median("header_click"),
                    median("save"), median("load"), growth);
        if (writeCsv)
            csv.write(QString::asprintf("%ld,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.4f,%.3f,%.4f,%.3f,"
                                        "%.3f,%.3f,%.3f\n",
                                        n, median("startup"), nomatch, nomatchFloor, number,
                                        numberFloor, match, matchFloor, median("save"),
                                        median("load"), growth, sorted, median("keystroke_words"),
                                        median("header_click"))
                          .toUtf8());
    }
    return 0;
}
