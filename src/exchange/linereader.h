#pragma once

#include "exchange/progress.h"

#include <QByteArray>
#include <QIODevice>

// Reads a file line by line, keeping only the current line in memory, and counts lines
// so that a message can say where a file went wrong. Tells the progress where it is in
// the file (after base bytes of work before it) and stops when told to.
class LineReader
{
public:
    explicit LineReader(QIODevice &file, const Progress &progress = {}, qint64 base = 0,
                        qint64 total = 0)
        : file(file), progress(progress), base(base), total(total)
    {
    }
    // The next line with its line break; false at the end of the file or when stopped.
    bool nextWithBreak(QByteArray &line)
    {
        if (file.atEnd() || halted)
            return false;
        if (progress && !progress(base + file.pos(), total)) {
            halted = true;
            return false;
        }
        line = file.readLine();
        ++number;
        return true;
    }
    // The next line without its line break.
    bool next(QByteArray &line)
    {
        if (!nextWithBreak(line))
            return false;
        if (line.endsWith('\n'))
            line.chop(1);
        if (line.endsWith('\r'))
            line.chop(1);
        return true;
    }
    int lineNumber() const { return number; }
    bool stopped() const { return halted; }

private:
    QIODevice &file;
    const Progress progress;
    qint64 base, total;
    int number = 0;
    bool halted = false;
};
