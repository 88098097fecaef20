#pragma once

#include <QByteArray>
#include <QList>

class QCoreApplication;

// "sun [--adres ADRES:PORT] [--kullanici AD] [--istek-siniri N]": the book served live to
// desk phones (their remote directories) and the switchboard (the caller's name), until a
// termination signal.
bool isServeCommand(const QByteArray &command);
// The words after "sun"; false on wrong usage, with the reason when there is one to say.
bool serveCommandWellFormed(const QList<QByteArray> &words, QString &wrong);
// Serves on the open book; the exit status: 0 stopped by a signal, 1 the address could not
// be taken.
int runServeCommand(const QList<QByteArray> &words, QCoreApplication &application);
