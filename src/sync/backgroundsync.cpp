#include "sync/backgroundsync.h"

#include "store/phonebookdb.h"

#include <QMutexLocker>
#include <QThread>

#include <memory>

BackgroundSync::BackgroundSync(QObject *parent) : QObject(parent) {}

BackgroundSync::~BackgroundSync()
{
    cancel();
    if (thread) {
        thread->wait();
        delete thread;
    }
}

bool BackgroundSync::start(SyncRequest request)
{
    if (thread)
        return false;
    {
        QMutexLocker lock(&mutex);
        stopping = false;
    }
    lastPermille = -1;
    request.onBookThread = [this](const std::function<void()> &touch) { return handOff(touch); };
    request.readFrom = bookAddress();
    thread = QThread::create([this, request] {
        outcome = syncWithPhones(request,
                                 [this](qint64 part, qint64 whole) { return goOn(part, whole); });
    });
    connect(thread, &QThread::finished, this, [this] {
        thread->wait();
        delete thread;
        thread = nullptr;
        emit finished(outcome);
    });
    thread->start();
    return true;
}

void BackgroundSync::cancel()
{
    QMutexLocker lock(&mutex);
    stopping = true;
    answered.wakeAll();
}

// In the sync's thread.
bool BackgroundSync::goOn(qint64 part, qint64 whole)
{
    const int permille = whole > 0 ? int(1000 * part / whole) : 0;
    if (permille != lastPermille) {
        lastPermille = permille;
        QMetaObject::invokeMethod(
            this, [this, permille] { emit progressed(permille); }, Qt::QueuedConnection);
    }
    QMutexLocker lock(&mutex);
    return !stopping;
}

// In the sync's thread: the touch runs in this object's thread while the sync waits. Once
// begun it is waited for to its end (a question being answered, say); not begun when the
// sync is stopped, it never runs, for what it refers to goes with the sync.
bool BackgroundSync::handOff(const std::function<void()> &touch)
{
    struct Call {
        bool begun = false, done = false, abandoned = false;
    };
    const auto call = std::make_shared<Call>();
    QMetaObject::invokeMethod(
        this,
        [this, call, &touch] {
            {
                QMutexLocker lock(&mutex);
                if (call->abandoned || stopping)
                    return;
                call->begun = true;
            }
            touch();
            QMutexLocker lock(&mutex);
            call->done = true;
            answered.wakeAll();
        },
        Qt::QueuedConnection);
    QMutexLocker lock(&mutex);
    while (!call->done && !(stopping && !call->begun))
        answered.wait(&mutex);
    call->abandoned = !call->done;
    return call->done;
}
