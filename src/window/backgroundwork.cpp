#include "window/backgroundwork.h"

#include "platform/terminationsignals.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <memory>

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
    dialog.setWindowTitle(title);
    dialog.setLabelText(label);
    dialog.setCancelButtonText(QStringLiteral("Vazgeç"));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(400);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setRange(0, 1000);
    dialog.setValue(0);
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
