#include "store/storefailure.h"

#include "store/dialect.h"
#include "store/phonebookdb.h"
#include "store/serverbook.h"

#include <QSqlError>

namespace
{

// SQLite's primary result codes, the low byte of its extended ones.
constexpr int sqlitePermission = 3, sqliteBusy = 5, sqliteLocked = 6, sqliteReadOnly = 8,
              sqliteAuthorization = 23;

FailureKind sqliteFailure(const QSqlError &error)
{
    bool numeric = false;
    const int code = error.nativeErrorCode().toInt(&numeric) & 0xFF;
    if (!phoneBookDb.isOpen())
        return FailureKind::Unreachable;
    if (!numeric)
        return FailureKind::Other;
    if (code == sqliteBusy || code == sqliteLocked)
        return FailureKind::Busy;
    if (code == sqliteReadOnly || code == sqlitePermission || code == sqliteAuthorization)
        return FailureKind::Refused;
    return FailureKind::Other;
}

FailureKind serverFailure(const QSqlError &error)
{
    const QString state = error.nativeErrorCode();
    if (state == QLatin1String("42501"))
        return FailureKind::Refused;
    // lock_timeout, statement_timeout, a deadlock or a serialization failure: the other
    // desk's change wins this time, the next try may not wait at all.
    if (state == QLatin1String("55P03") || state == QLatin1String("57014") ||
        state == QLatin1String("40P01") || state == QLatin1String("40001"))
        return FailureKind::Busy;
    // Class 08 is the connection's; 57P01-57P03 a server shutting down or starting.
    if (state.startsWith(QLatin1String("08")) || state.startsWith(QLatin1String("57P")) ||
        serverConnectionLost())
        return FailureKind::Unreachable;
    return FailureKind::Other;
}

} // namespace

FailureKind failureKind(const QSqlError &error)
{
    return bookDialect() == Dialect::Server ? serverFailure(error) : sqliteFailure(error);
}

QString failureMessage(FailureKind kind, const QString &databaseText)
{
    return kind == FailureKind::Other ? QStringLiteral("HATA") + databaseText
                                      : failureReason(kind, databaseText);
}

QString failureReason(FailureKind kind, const QString &databaseText)
{
    QString sentence;
    switch (kind) {
    case FailureKind::Other:
        return databaseText;
    case FailureKind::Refused:
        sentence = QStringLiteral("Bu defteri değiştirme yetkiniz yok; değişiklik kaydedilmedi.");
        break;
    case FailureKind::Busy:
        sentence = QStringLiteral("Bu kayıt şu anda başka bir masada değiştiriliyor; değişiklik "
                                  "kaydedilmedi. Biraz sonra tekrar deneyin.");
        break;
    case FailureKind::OutcomeUnknown:
        sentence = QStringLiteral("Sunucuyla bağlantı kayıt sırasında koptu; değişikliğin "
                                  "kaydedilip kaydedilmediği henüz bilinmiyor. Biraz sonra "
                                  "yeniden kaydedin: kaydedilmişse ikinci kez kaydedilmez.");
        break;
    case FailureKind::Unreachable:
        sentence = bookIsLocal() ? QStringLiteral("Veritabanı Bağlantısı Yapılamadı.")
                                 : QStringLiteral("Sunucuyla bağlantı kurulamadı; değişiklik "
                                                  "kaydedilmedi. Biraz sonra tekrar deneyin.");
        break;
    }
    const QString text = databaseText.trimmed();
    return text.isEmpty() ? sentence : sentence + QLatin1Char('\n') + text;
}
