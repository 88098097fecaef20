#include "form/fontfallback.h"

#include <QFont>
#include <QFontDatabase>
#include <QStringList>

void substituteMissingFormFonts()
{
    const QString wanted = QStringLiteral("MS Serif");
    const QString substitute = QStringLiteral("Caladea");
    const QStringList installed = QFontDatabase().families();
    // An installed "MS Serif" is used as it is; without Caladea the platform's match stays.
    if (installed.contains(wanted, Qt::CaseInsensitive) ||
        !installed.contains(substitute, Qt::CaseInsensitive))
        return;
    QFont::insertSubstitution(wanted, substitute);
}
