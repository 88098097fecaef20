#pragma once

#include "sync/phonesync.h"

#include <QMutex>
#include <QObject>
#include <QWaitCondition>

#include <functional>

class QThread;

// One sync with the phones on a thread of its own, started from the window's thread, so that
// the window goes on while the network is waited for. Its touches of the book, and its
// questions, come back to run in the starting thread, where the book's connection lives.
// Cancel, or the object's end, stops it between requests or cuts the current one off; a
// touch not yet begun is dropped, never waited for.
class BackgroundSync : public QObject
{
    Q_OBJECT

public:
    explicit BackgroundSync(QObject *parent = nullptr);
    ~BackgroundSync() override;

    // False when one is running already.
    bool start(SyncRequest request);
    bool running() const { return thread != nullptr; }
    void cancel();

signals:
    // How far it has come, in thousandths.
    void progressed(int permille);
    void finished(const SyncOutcome &outcome);

private:
    bool handOff(const std::function<void()> &touch);
    bool goOn(qint64 part, qint64 whole);

    QThread *thread = nullptr;
    SyncOutcome outcome;
    QMutex mutex;
    QWaitCondition answered;
    bool stopping = false;
    int lastPermille = -1;
};
