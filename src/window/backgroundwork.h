#pragma once

#include "exchange/progress.h"

#include <QString>

#include <functional>

class QProgressDialog;
class QWidget;

// A window-modal progress dialog from 0 to 1000, shown only when the work takes more than a
// moment, whose Vazgeç cancels it.
void setUpProgress(QProgressDialog &progress, const QString &title, const QString &label);

// Runs a job on a thread of its own behind a window-modal progress dialog, shown only
// when the job takes more than a moment, whose Vazgeç (or a termination signal) tells the
// job to stop and waits for it. The job must not touch the window or the phone book's
// connection. Returns what the job returned; false when it was stopped.
bool runBehindProgress(QWidget *window, const QString &title, const QString &label,
                       const std::function<bool(const Progress &)> &job);
