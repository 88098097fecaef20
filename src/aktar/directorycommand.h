#pragma once

#include <QByteArray>
#include <QList>

// "rehber --bicim BİÇİM DOSYA": the book as a desk phone's remote phone book.
bool isDirectoryCommand(const QByteArray &command);
// The words after "rehber"; false on wrong usage.
bool directoryCommandWellFormed(const QList<QByteArray> &words);
// Writes the file whole or not at all; the exit status, the reason on stderr.
int runDirectoryCommand(const QList<QByteArray> &words);
