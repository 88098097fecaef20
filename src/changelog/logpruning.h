#pragma once

#include <QObject>

#include <memory>

class QThread;
class QTimer;

// Takes what the change log keeps past its kept days out of it, on a thread and a
// connection of its own, when the book is opened and every hour after, so that the log
// stays in bounds without the window waiting for it.
class LogPruning : public QObject
{
    Q_OBJECT

public:
    explicit LogPruning(QObject *parent = nullptr);
    ~LogPruning() override;
    // For the book phoneBookDb has open now; nothing without a log.
    void start();
    // Waits for a pruning under way, which holds a connection.
    void stop();

signals:
    // The rows taken out, -1 when the book refused (a role that may not delete from the log).
    void pruned(int rows);

private:
    void prune();

    QTimer *timer = nullptr;
    std::unique_ptr<QThread> worker;
};
