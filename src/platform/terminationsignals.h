#pragma once

class QCoreApplication;

// Log-out, shut-down, kill and Ctrl+C in a terminal (SIGTERM, SIGHUP, SIGINT) end the
// program the way closing its window does: every event loop ends, an open message box
// is answered as if closed, and the entry function tears the window down, which
// closes the phone book properly.
void quitOnTerminationSignals(QCoreApplication &application);

// Whether such a signal came before the event loop started (while a start-up message
// box was open, say); then there is no loop left to run.
bool terminationRequested();
