#include "window/backgroundwork.h"

#include "platform/terminationsignals.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <memory>

void setUpProgress(QProgressDialog &progress, const QString &title, const QString &label)
{
    progress.setWindowTitle(title);
    progress.setLabelText(label);
    progress.setCancelButtonText(QStringLiteral("Vazgeç"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(400);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setRange(0, 1000);
    progress.setValue(0);
}

bool runBehindProgress(QWidget *window, const QString &title, const QString &label,
                       const std::function<bool(const Progress &)> &job)
{
    std::atomic<bool> stopping{false};
    std::atomic<int> permille{0};
    bool done = false;
    const Progress progress = [&stopping, &permille](qint64 part, qint64 whole) {
        permille = whole > 0 ? int(1000 * part / whole) : 0;
        return !stopping.load();
    };
    const std::unique_ptr<QThread> thread(
        QThread::create([&done, &job, &progress] { done = job(progress); }));
    QProgressDialog dialog(window);
    setUpProgress(dialog, title, label);
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, &dialog,
                     [&dialog, &permille] { dialog.setValue(permille.load()); });
    // The loop also ends when a termination signal ends every loop.
    QEventLoop loop;
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QObject::connect(&dialog, &QProgressDialog::canceled, &loop, &QEventLoop::quit);
    thread->start();
    ticks.start(50);
    if (!thread->isFinished())
        loop.exec();
    const bool stopped = dialog.wasCanceled() || terminationRequested();
    stopping = stopped;
    thread->wait();
    return done && !stopped;
}
