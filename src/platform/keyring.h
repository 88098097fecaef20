#pragma once

#include <QString>

#include <optional>

// Passwords the user asked to be remembered, in the desktop's keyring (the Secret Service,
// through QtKeychain), under the program's name and the book they open. Nothing is ever
// written anywhere else: without a keyring, nothing is remembered.
namespace keyring
{

// The password remembered for the book; nullopt when none is, or there is no keyring.
std::optional<QString> rememberedPassword(const QString &book);
// False with the keyring's reason when it could not be stored.
bool rememberPassword(const QString &book, const QString &password, QString &error);
void forgetPassword(const QString &book);

} // namespace keyring
