#include "exchange/backgroundreading.h"

#include "exchange/contactfile.h"

#include <QThread>

BackgroundReading::BackgroundReading(const QList<QByteArray> &paths,
                                     const QHash<QByteArray, ColumnChoice> &choices,
                                     QObject *parent)
    : QObject(parent), paths(paths), choices(choices), thread(QThread::create([this] { run(); }))
{
    thread->setParent(this);
    connect(thread, &QThread::finished, this, &BackgroundReading::finished);
}

BackgroundReading::~BackgroundReading()
{
    cancel();
    thread->wait();
}

void BackgroundReading::start()
{
    thread->start();
}

void BackgroundReading::cancel()
{
    stopping = true;
}

void BackgroundReading::run()
{
    ContactFile all;
    for (int i = 0; i < paths.size(); ++i) {
        const Progress progress = [this, i](qint64 part, qint64 whole) {
            const qint64 file = whole > 0 ? 1000 * part / whole : 0;
            done = int((1000 * i + file) / paths.size());
            return !stopping.load();
        };
        if (!readContactFileAt(paths.at(i), all, failure, progress, choices.value(paths.at(i)))) {
            read.unknown = all.unknown;
            return;
        }
    }
    if (stopping)
        return;
    read = all;
    ok = true;
}
