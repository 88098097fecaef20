#pragma once
// What both window benchmarks measure the same way: a keystroke to the first screen
// repainted, medians and 95th percentiles, the process's resident memory.
#include "index/phonebookindex.h"
#include "residentmemory.h"
#include "window/mainwindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <vector>

namespace
{

template <typename T> T *child(QWidget *window, const char *name)
{
    return window->findChild<T *>(QString::fromLatin1(name));
}

struct Figures {
    double median = 0;
    double p95 = 0;
};

// Runs the measurement the given number of times; each returns milliseconds.
Figures measure(int times, const std::function<double()> &once)
{
    std::vector<double> ms;
    for (int i = 0; i < times; ++i)
        ms.push_back(once());
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[std::min(ms.size() - 1, (ms.size() * 95 + 99) / 100 - 1)]};
}

double since(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// Until the window's search index is ready: what start-up leaves running.
double waitForIndex(MainWindow &window)
{
    auto *index = window.findChild<PhoneBookIndex *>();
    QElapsedTimer timer;
    timer.start();
    while (!index->ready() && timer.elapsed() < 600000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return since(timer);
}

// Replaces the search text and waits until the list has repainted its first screen.
double keystroke(MainWindow &window, const QString &text)
{
    auto *search = child<QLineEdit>(&window, "txt_ara");
    auto *list = child<QTableView>(&window, "tbl_liste");
    QElapsedTimer timer;
    timer.start();
    search->setText(text);
    list->viewport()->repaint();
    const double ms = since(timer);
    QCoreApplication::processEvents(); // what the event loop does between keystrokes
    return ms;
}

// Closes the next modal box (a save's "Kaydedildi") from inside its own event loop.
void closeBoxWhenShown()
{
    QTimer::singleShot(0, [] {
        if (QWidget *box = QApplication::activeModalWidget())
            box->close();
        else
            closeBoxWhenShown();
    });
}

// One new entry saved through the form, as a user does: the time of the click, its
// message box shown and closed at once.
double saveNewEntry(MainWindow &window)
{
    child<QAbstractButton>(&window, "btn_yeni")->click();
    child<QLineEdit>(&window, "txt_adsoyad")->setText(QStringLiteral("Ölçüm Kaydı"));
    closeBoxWhenShown();
    QElapsedTimer timer;
    timer.start();
    child<QAbstractButton>(&window, "btn_kaydet")->click();
    return since(timer);
}

Figures keystrokes(MainWindow &window, const QString &first, const QString &second)
{
    bool odd = false;
    keystroke(window, second); // the page cache and the allocator reach their working size
    return measure(15, [&] { return keystroke(window, (odd = !odd) ? first : second); });
}

} // namespace
