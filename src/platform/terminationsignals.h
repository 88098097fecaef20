#pragma once

class QCoreApplication;

// Log-out, shut-down, kill and Ctrl+C in a terminal (SIGTERM, SIGHUP, SIGINT) end the
// program the way closing its window does: every event loop ends, an open message box
// is answered as if closed, and the entry function tears the window down, which
// closes the phone book properly. Work that waits in a loop of its own (reading a large
// contact file) is stopped and waited for when that loop ends.
void quitOnTerminationSignals(QCoreApplication &application);

// Whether such a signal came before the event loop started (while a start-up message
// box was open, say); then there is no loop left to run.
bool terminationRequested();

// For a program without an event loop: the signals are only noted, and long work polls
// terminationSignal() to wind down cleanly by itself.
void noteTerminationSignals();
// The termination signal that came last, or 0.
int terminationSignal();
