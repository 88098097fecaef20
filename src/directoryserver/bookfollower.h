#pragma once

#include <QObject>

class BookWatcher;
class ServedBook;
class QTimer;

// Keeps the served book as the book is: read whole once, then each change another
// program or desk commits, by the change log's revision, within a moment of its commit.
// The book stays open on phoneBookDb, on the thread that made this.
class BookFollower : public QObject
{
    Q_OBJECT

public:
    BookFollower(ServedBook &book, QObject *parent = nullptr);
    void start();

signals:
    // The book could not be read (the connection lost, say): it is tried again shortly,
    // the served book answering as it was meanwhile.
    void readingFailed(const QString &why);

private:
    void readWhole();
    void readChanges();
    void tryAgain();

    ServedBook &book;
    BookWatcher *watcher = nullptr;
    QTimer *retry = nullptr;
    // The log's newest revision the served book holds everything up to; -1 when unknown,
    // and the book is read whole at each change.
    qint64 revision = -1;
    qint64 seenVersion = -1;
    quint64 connectionsSeen = 0;
    bool wholeWanted = true;
};
