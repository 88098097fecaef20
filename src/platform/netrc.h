#pragma once

#include <QString>

#include <optional>

// The password ~/.netrc gives for the host (and the login, when one is named), as curl reads
// it: "machine HOST login NAME password SECRET", a "default" entry for any host, a word in
// double quotes holding spaces. $NETRC names another file.
std::optional<QString> netrcPassword(const QString &host, const QString &login);
