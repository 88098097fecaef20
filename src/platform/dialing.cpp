#include "platform/dialing.h"

#include <QProcess>
#include <QStandardPaths>

namespace
{

// xdg-open would start a browser, or nothing, for a scheme nobody handles: asked first.
bool telHandlerSet()
{
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty())
        return false;
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"),
                                             QStringLiteral("x-scheme-handler/tel")});
    return query.waitForFinished(10000) && query.exitCode() == 0 &&
           !query.readAllStandardOutput().trimmed().isEmpty();
}

} // namespace

Dialing dialOnDesktop(const QString &dialled)
{
    if (!telHandlerSet())
        return Dialing::NoHandler;
    return QProcess::startDetached(QStringLiteral("xdg-open"), {QStringLiteral("tel:") + dialled})
               ? Dialing::Handed
               : Dialing::NoHandler;
}
