#include "store/bookwatcher.h"

#include "server/serverschema.h"
#include "store/listing.h"
#include "store/phonebookdb.h"
#include "store/serverbook.h"

#include <QTimer>

namespace
{

// Another program's change shows within a few hundred milliseconds: the check is one
// pragma, a few microseconds on the window's thread.
constexpr int fileCheckMs = 100;
constexpr int serverCheckMs = 1000;

} // namespace

BookWatcher::BookWatcher(QObject *parent) : QObject(parent), timer(new QTimer(this))
{
    connect(timer, &QTimer::timeout, this, &BookWatcher::check);
}

void BookWatcher::start()
{
    listeningOn = 0;
    lastVersion = bookVersion();
    timer->start(bookIsLocal() ? fileCheckMs : serverCheckMs);
    check();
}

void BookWatcher::check()
{
    if (!phoneBookDb.isOpen() && bookIsLocal())
        return;
    if (!bookIsLocal()) {
        QString error;
        if (!keepPhoneBookConnection(error))
            return;
        // The driver forgets its subscriptions with a connection that is gone.
        if (listeningOn != serverConnectionCount()) {
            listeningOn = serverConnectionCount();
            QSqlDriver *driver = phoneBookDb.driver();
            disconnect(driver, nullptr, this, nullptr);
            connect(
                driver,
                QOverload<const QString &, QSqlDriver::NotificationSource, const QVariant &>::of(
                    &QSqlDriver::notification),
                this, [this](const QString &name, QSqlDriver::NotificationSource source) {
                    notified(name, source);
                });
            driver->subscribeToNotification(changeChannel());
            // What changed before it listened is read once it does.
            noteServerChange();
        }
        takeWaitingNotifications(changeChannel());
    }
    const qint64 version = bookVersion();
    if (version != lastVersion) {
        lastVersion = version;
        emit changedElsewhere();
    }
}

void BookWatcher::notified(const QString &name, QSqlDriver::NotificationSource source)
{
    if (name != changeChannel() || source == QSqlDriver::SelfSource)
        return;
    noteServerChange();
    lastVersion = bookVersion();
    emit changedElsewhere();
}
