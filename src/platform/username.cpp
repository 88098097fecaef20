#include "platform/username.h"

#include <pwd.h>
#include <unistd.h>

QString desktopUserName()
{
    // The account, not $USER, which anyone may set to anything.
    if (const passwd *account = ::getpwuid(::getuid()); account && account->pw_name)
        return QString::fromLocal8Bit(account->pw_name);
    return QStringLiteral("uid %1").arg(::getuid());
}
