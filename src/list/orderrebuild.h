#pragma once

#include "list/listorder.h"
#include "store/phonebookdb.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>

class QThread;

// Reads the column of every entry on a connection of its own to the book and orders them:
// for a thread. False when the book could not be read or going stopped it.
bool buildFromBook(ListOrder &order, const BookAddress &book, const ListOrder::Going &going);

// The order of a large book built afresh on a thread of its own, on a connection of its
// own, while the list goes on with the order it has (whose unknown entries come last):
// what another program changed beyond following entry by entry. This program's own
// changes meanwhile are put into the new order before it is handed over.
class OrderRebuild : public QObject
{
    Q_OBJECT

public:
    using Built = std::function<void(std::unique_ptr<ListOrder> order)>;
    explicit OrderRebuild(QObject *parent = nullptr);
    ~OrderRebuild() override;

    // Reads the column and sorts it; built is called in this object's thread. A build
    // under way is stopped first: it may have read too early.
    void start(const BookAddress &book, EntryColumn column, Qt::SortOrder direction,
               const ListOrder::ValueOf &valueOf, const Built &built);
    // Stops a build under way and waits for its thread, which holds a connection.
    void stop();
    void noteOwnChange(const QVector<Entry> &present, const QVector<qint64> &gone);

private:
    std::unique_ptr<QThread> builder;
    std::shared_ptr<std::atomic<bool>> cancelled;
    quint64 generation = 0;
    // This program's changes since the build began, in order.
    struct Change {
        Entry entry;
        bool gone = false;
    };
    QVector<Change> changes;
};
