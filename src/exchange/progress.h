#pragma once

#include <QtGlobal>

#include <functional>

// Told how far a long job has come (done of total); answers false to stop it, for a
// cancel button or a termination signal. An empty one lets the job run to its end.
using Progress = std::function<bool(qint64 done, qint64 total)>;
