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
    // Deleted and not brought back since. Back under its id: another entry that took the id
    // (another program may store one under any id) does not hide it. Back under another id
    // (its own was taken, or a program moved it): an addition of the same values after it.
    // The additions are scanned once and matched against the few deletions, never the other
    // way round, so that a long log costs one pass.
    const bool server = onServer();
    const QString same = server ? QStringLiteral("IS NOT DISTINCT FROM") : QStringLiteral("IS");
    const QString join = server ? QStringLiteral("JOIN") : QStringLiteral("CROSS JOIN");
    return {selectLog(QStringLiteral(
                          "islem = 'sil' AND NOT EXISTS (SELECT 1 FROM TELEFON_GECMIS h WHERE "
                          "h.kayit = g.kayit AND h.surum > g.surum AND h.islem = 'ekle' AND "
                          "h.yeni_adsoyad %1 g.eski_adsoyad AND h.yeni_telefon %1 g.eski_telefon "
                          "AND h.yeni_cep %1 g.eski_cep AND h.yeni_mail %1 g.eski_mail) AND "
                          "g.surum NOT IN (SELECT d.surum FROM TELEFON_GECMIS h %2 TELEFON_GECMIS "
                          "d ON h.yeni_adsoyad = d.eski_adsoyad AND h.yeni_telefon %1 "
                          "d.eski_telefon AND h.yeni_cep %1 d.eski_cep AND h.yeni_mail %1 "
                          "d.eski_mail AND h.surum > d.surum WHERE d.islem = 'sil' AND h.islem = "
                          "'ekle' AND h.surum > (SELECT MIN(surum) FROM TELEFON_GECMIS WHERE "
                          "islem = 'sil')) ORDER BY surum DESC")
                          .arg(same, join)),
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

Statement forgetEarlierLivesStatement(const Entry &values, qint64 beforeRevision)
{
    const QString same = onServer() ? QStringLiteral("IS NOT DISTINCT FROM") : QStringLiteral("IS");
    return {QStringLiteral("DELETE FROM TELEFON_GECMIS WHERE surum IN (SELECT h.surum FROM "
                           "TELEFON_GECMIS h JOIN TELEFON_GECMIS d ON h.kayit = d.kayit AND "
                           "h.surum <= d.surum WHERE d.islem = 'sil' AND d.surum < ? AND "
                           "d.eski_adsoyad = ? AND d.eski_telefon %1 ? AND d.eski_cep %1 ? AND "
                           "d.eski_mail %1 ?)")
                .arg(same),
            {beforeRevision, values.adsoyad, values.telefon, values.cep, values.mail}};
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
