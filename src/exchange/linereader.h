#pragma once

#include <QByteArray>
#include <QFile>

// Reads a file line by line, keeping only the current line in memory, and counts lines
// so that a message can say where a file went wrong.
class LineReader
{
public:
    explicit LineReader(QFile &file) : file(file) {}
    // The next line without its line break; false at the end of the file.
    bool next(QByteArray &line)
    {
        if (file.atEnd())
            return false;
        line = file.readLine();
        ++number;
        if (line.endsWith('\n'))
            line.chop(1);
        if (line.endsWith('\r'))
            line.chop(1);
        return true;
    }
    int lineNumber() const { return number; }

private:
    QFile &file;
    int number = 0;
};
