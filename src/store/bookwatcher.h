#pragma once

#include <QObject>
#include <QSqlDriver>

class QTimer;

// Tells when another program may have changed the book: another desk on the server, as
// the server notifies; another program on the same database.db, as SQLite's data version
// shows on a short timer. This program's own changes never count. On a server it also
// makes a lost connection again, and listens again on the new one.
class BookWatcher : public QObject
{
    Q_OBJECT

public:
    explicit BookWatcher(QObject *parent = nullptr);
    // Starts watching the book phoneBookDb has open.
    void start();

signals:
    // bookVersion() may have moved since it was last read.
    void changedElsewhere();

private:
    void check();
    void notified(const QString &name, QSqlDriver::NotificationSource source);

    QTimer *timer = nullptr;
    qint64 lastVersion = -1;
    quint64 listeningOn = 0;
};
