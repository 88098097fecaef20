#pragma once

#include <QByteArray>
#include <QString>

class QFile;

// Files named by the system's own bytes: a command line's argument need not be valid in
// any encoding, and a name turned into text and back may name another file.

// How a message shows such a name: its last part, invalid bytes replaced.
QString shownFileName(const QByteArray &path);

// Opens a regular file for reading. Anything else (a FIFO, a device, a folder, a socket)
// is refused before it is opened, so that nothing waits for a writer or wakes a device;
// why then says what it is.
bool openRegularFile(const QByteArray &path, QFile &file, QString &why);

// Replaces the file with the content atomically: written beside it under a temporary
// name, then renamed over it, so that a failure leaves the old file or none.
bool replaceFile(const QByteArray &path, const QByteArray &content, QString &why);

// Why a file was not written when its progress said stop.
QString stoppedWriting();

// A file beside the target under a temporary name, for a writer that takes a name (a
// library, a printer): it replaces the target as a whole when done, with the permissions
// a new file gets or those of the file replaced, and is removed otherwise.
class ScratchFile
{
public:
    explicit ScratchFile(const QByteArray &target);
    ~ScratchFile();
    ScratchFile(const ScratchFile &) = delete;
    ScratchFile &operator=(const ScratchFile &) = delete;
    // False, with why, when it could not be made.
    bool exists(QString &why) const;
    QByteArray path() const { return name; }
    bool replaceTarget(QString &why);

private:
    QByteArray target;
    QByteArray name;
    int madeError = 0;
    bool pending = false;
};
