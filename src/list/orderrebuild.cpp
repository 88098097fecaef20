#include "list/orderrebuild.h"

#include "store/listing.h"

#include <QSqlDatabase>
#include <QThread>

bool buildFromBook(ListOrder &order, const BookAddress &book, const ListOrder::Going &going)
{
    QVector<QPair<qint64, QString>> values;
    bool read = false;
    readOnOwnConnection(book, [&](const QSqlDatabase &db) {
        read = readColumnValues(db, order.column(), values, [&going] { return going(0, 1); });
    });
    return read && order.build(std::move(values), going);
}

OrderRebuild::OrderRebuild(QObject *parent) : QObject(parent) {}

OrderRebuild::~OrderRebuild()
{
    stop();
}

void OrderRebuild::stop()
{
    ++generation;
    changes.clear();
    if (!builder)
        return;
    *cancelled = true;
    builder->wait();
    builder.reset();
}

void OrderRebuild::start(const BookAddress &book, EntryColumn column, Qt::SortOrder direction,
                         const ListOrder::ValueOf &valueOf, const Built &built)
{
    stop();
    cancelled = std::make_shared<std::atomic<bool>>(false);
    auto order = std::make_shared<std::unique_ptr<ListOrder>>(
        std::make_unique<ListOrder>(column, direction, valueOf));
    builder.reset(
        QThread::create([this, book, order, built, wanted = generation, stopped = cancelled] {
            const bool sorted =
                buildFromBook(**order, book, [&stopped](qint64, qint64) { return !*stopped; });
            QMetaObject::invokeMethod(
                this,
                [this, order, built, sorted, wanted] {
                    if (wanted != generation)
                        return;
                    builder->wait();
                    builder.reset();
                    // A book that could not be read keeps the order it has.
                    if (sorted) {
                        for (const Change &change : changes)
                            change.gone ? (*order)->forget(change.entry.id)
                                        : (*order)->place(change.entry);
                        built(std::move(*order));
                    }
                    changes.clear();
                },
                Qt::QueuedConnection);
        }));
    builder->start(QThread::LowPriority);
}

void OrderRebuild::noteOwnChange(const QVector<Entry> &present, const QVector<qint64> &gone)
{
    if (!builder)
        return;
    for (const qint64 id : gone)
        changes.append({Entry{id, {}, {}, {}, {}}, true});
    for (const Entry &entry : present)
        changes.append({entry, false});
}
