#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

class ServedBook;

// A request to the directory server, as the HTTP library has read it: the path and the
// number decoded, the headers that matter.
struct DirectoryRequest {
    std::string method;
    std::string path;
    std::optional<std::string> number;
    // Wants JSON: an Accept of application/json, or ?bicim=json.
    bool json = false;
    std::string authorization;
};

struct DirectoryReply {
    int status = 200;
    std::string contentType;
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
};

// Who may ask, when the server asks at all: basic authentication.
struct DirectoryCredentials {
    std::string user;
    std::string password;
    bool required() const { return !user.empty(); }
};

// The answer to any request: a directory (/rehber/<layout>.xml), a caller's name
// (/arayan?numara=…), and for the rest a refusal that tells nothing of the book.
DirectoryReply answerDirectoryRequest(const DirectoryRequest &request, const ServedBook &book,
                                      const DirectoryCredentials &credentials);
