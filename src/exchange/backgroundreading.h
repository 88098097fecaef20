#pragma once

#include "exchange/columnchoice.h"
#include "exchange/contact.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>

#include <atomic>

class QThread;

// Reads contact files on a thread of its own, so that a window stays responsive over a
// large or hostile file. Destroyed while still reading, it stops the thread at its next
// line and waits for it.
class BackgroundReading : public QObject
{
    Q_OBJECT

public:
    // A spreadsheet's columns are those chosen for its path, if any, else its header's.
    explicit BackgroundReading(const QList<QByteArray> &paths,
                               const QHash<QByteArray, ColumnChoice> &choices = {},
                               QObject *parent = nullptr);
    ~BackgroundReading() override;
    void start();
    // Stops the reading at its next line; nothing it read is kept.
    void cancel();
    // How far the reading has come, in thousandths.
    int permille() const { return done.load(); }
    // After finished: whether every file was read, and then what they hold, or else why not.
    bool succeeded() const { return ok; }
    const ContactFile &contacts() const { return read; }
    QString error() const { return failure; }
    // After a refusal for a spreadsheet's header: that file's columns and first rows.
    const UnknownColumns &unknownColumns() const { return read.unknown; }

signals:
    void finished();

private:
    void run();

    const QList<QByteArray> paths;
    const QHash<QByteArray, ColumnChoice> choices;
    QThread *thread;
    std::atomic<bool> stopping{false};
    std::atomic<int> done{0};
    // Written by the thread only, read only after it has finished.
    ContactFile read;
    QString failure;
    bool ok = false;
};
