#include "form/fontfallback.h"

#include <QFont>
#include <QFontDatabase>
#include <QStringList>

void substituteMissingFormFonts()
{
    const QStringList installed = QFontDatabase().families();
    const std::pair<const char *, const char *> substitutes[] = {
        {"MS Serif", "Caladea"}, {"MS Sans Serif", "Liberation Sans"}};
    for (const auto &[wanted, substitute] : substitutes) {
        // An installed original is used as it is; without the substitute the platform's
        // match stays.
        if (installed.contains(QLatin1String(wanted), Qt::CaseInsensitive) ||
            !installed.contains(QLatin1String(substitute), Qt::CaseInsensitive))
            continue;
        QFont::insertSubstitution(QLatin1String(wanted), QLatin1String(substitute));
    }
}
