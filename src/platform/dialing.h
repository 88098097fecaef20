#pragma once

#include <QString>

// A number handed to the desktop's program for tel: addresses (a softphone), as
// xdg-open hands it on whatever the desktop.
enum class Dialing {
    Handed,
    // No program for tel: addresses is set on this desktop.
    NoHandler,
};

// The number as a phone dials it ("+905321112233") in a tel: address.
Dialing dialOnDesktop(const QString &dialled);
