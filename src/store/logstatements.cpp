#include "store/logstatements.h"

#include "store/dialect.h"

namespace
{

bool onServer()
{
    return bookDialect() == Dialect::Server;
}

QString columns()
{
    // SQLite groups another program's rows by the statement's time; this program and the
    // server name the transaction.
    const QString leading =
        onServer() ? QStringLiteral("surum, to_char(zaman AT TIME ZONE 'UTC', "
                                    "'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"'), kim, islem, kayit, "
                                    "CAST(grup AS text), ")
                   : QStringLiteral("surum, zaman, kim, islem, kayit, COALESCE(CAST(grup AS "
                                    "TEXT), 'z' || zaman || kim), ");
    return leading + QStringLiteral("eski_adsoyad, eski_telefon, eski_cep, eski_mail, "
                                    "yeni_adsoyad, yeni_telefon, yeni_cep, yeni_mail");
}

QString selectLog(const QString &condition)
{
    return QStringLiteral("SELECT %1 FROM TELEFON_GECMIS g WHERE %2").arg(columns(), condition);
}

QString timeParameter()
{
    return onServer() ? QStringLiteral("CAST(? AS timestamptz)") : QStringLiteral("?");
}

} // namespace

Statement loggedHistoryStatement(qint64 id)
{
    return {selectLog(QStringLiteral("kayit = ? ORDER BY surum")), {id}};
}

Statement loggedDeletionsStatement()
{
    // Deleted and not brought back under its id since: another entry that took the id
    // (another program may store one under any id) does not hide it.
    const QString same = onServer() ? QStringLiteral("IS NOT DISTINCT FROM") : QStringLiteral("IS");
    return {selectLog(QStringLiteral("islem = 'sil' AND NOT EXISTS (SELECT 1 FROM TELEFON_GECMIS "
                                     "h WHERE h.kayit = g.kayit AND h.surum > g.surum AND "
                                     "h.islem = 'ekle' AND h.yeni_adsoyad %1 g.eski_adsoyad AND "
                                     "h.yeni_telefon %1 g.eski_telefon AND h.yeni_cep %1 "
                                     "g.eski_cep AND h.yeni_mail %1 g.eski_mail) ORDER BY surum "
                                     "DESC")
                          .arg(same)),
            {}};
}

Statement loggedSinceStatement(const QDateTime &time)
{
    return {selectLog(QStringLiteral("zaman > %1 ORDER BY surum").arg(timeParameter())),
            {logTimeText(time)}};
}

Statement loggedAfterStatement(qint64 revision, int most)
{
    const QString rows =
        QStringLiteral("SELECT surum, kayit FROM TELEFON_GECMIS WHERE surum > ? ORDER BY surum");
    if (most <= 0)
        return {rows, {revision}};
    return {rows + QStringLiteral(" LIMIT ?"), {revision, most}};
}

Statement newestRevisionStatement()
{
    return {QStringLiteral("SELECT COALESCE(MAX(surum), 0) FROM TELEFON_GECMIS"), {}};
}

Statement forgetLoggedStatement(qint64 id, qint64 upToRevision)
{
    return {QStringLiteral("DELETE FROM TELEFON_GECMIS WHERE kayit = ? AND surum <= ?"),
            {id, upToRevision}};
}

Statement pruneLogStatement(const QDateTime &before)
{
    return {QStringLiteral("DELETE FROM TELEFON_GECMIS WHERE zaman < %1").arg(timeParameter()),
            {logTimeText(before)}};
}

Statement settingStatement(const QString &key)
{
    return {QStringLiteral("SELECT deger FROM TELEFON_AYAR WHERE anahtar = ?"), {key}};
}

Statement storeSettingStatement(const QString &key, const QString &value)
{
    return {QStringLiteral("INSERT INTO TELEFON_AYAR (anahtar, deger) VALUES (?, ?) ON CONFLICT "
                           "(anahtar) DO UPDATE SET deger = excluded.deger"),
            {key, value}};
}

QString logTimeText(const QDateTime &time)
{
    return time.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) + QLatin1Char('Z');
}

QDateTime logTime(const QString &text)
{
    QDateTime time = QDateTime::fromString(text, Qt::ISODateWithMs);
    time.setTimeSpec(Qt::UTC);
    return time;
}
