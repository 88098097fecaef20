#include "changelog/logpruning.h"

#include "changelog/changelog.h"
#include "store/phonebookdb.h"

#include <QDateTime>
#include <QThread>
#include <QTimer>

namespace
{

constexpr int hourMs = 60 * 60 * 1000;

} // namespace

LogPruning::LogPruning(QObject *parent) : QObject(parent), timer(new QTimer(this))
{
    connect(timer, &QTimer::timeout, this, &LogPruning::prune);
}

LogPruning::~LogPruning()
{
    stop();
}

void LogPruning::start()
{
    stop();
    if (!changeLogPresent())
        return;
    timer->start(hourMs);
    prune();
}

void LogPruning::stop()
{
    timer->stop();
    if (worker) {
        worker->wait();
        worker.reset();
    }
}

void LogPruning::prune()
{
    // One at a time: an hour is plenty for the one before.
    if (worker && !worker->isFinished())
        return;
    worker.reset(QThread::create([this, book = bookAddress()] {
        int rows = -1;
        writeOnOwnConnection(book, [&rows](const QSqlDatabase &db) {
            rows = pruneLog(db, QDateTime::currentDateTimeUtc());
        });
        QMetaObject::invokeMethod(
            this, [this, rows] { emit pruned(rows); }, Qt::QueuedConnection);
    }));
    worker->start(QThread::LowPriority);
}
