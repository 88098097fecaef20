#pragma once

#include "directoryserver/directoryrequest.h"

#include <QString>

#include <memory>
#include <string>

class ServedBook;

struct ServeOptions {
    // The loopback address unless told otherwise: the book is not shown to the network
    // by accident.
    std::string host = "127.0.0.1";
    // 0: any free port, which port() then tells.
    int port = 8080;
    DirectoryCredentials credentials;
    // Requests a client may make each second, on average.
    double requestsPerSecond = 50;
};

// The directory server over HTTP, on threads of its own: read-only, the request's size and
// each client's rate bounded, slow and idle connections dropped.
class DirectoryHttpServer
{
public:
    DirectoryHttpServer(const ServedBook &book, ServeOptions options);
    ~DirectoryHttpServer();

    // Takes the address; false with the reason when it is taken or not this machine's.
    bool bind(QString &error);
    int port() const;
    // Answers on threads of its own until stopped.
    void start();
    void stop();

private:
    struct Listening;
    std::unique_ptr<Listening> listening;
};
