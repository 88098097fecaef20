#include "store/booklog.h"

#include "server/serverschema.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace
{

// A multi-row statement runs in one step, in which 'now' stays the same: its rows share
// their time, and so a script's delete of many is one group.
const char now[] = "strftime('%Y-%m-%dT%H:%M:%fZ','now')";

QString logged(const char *operation, const char *row, bool before)
{
    const QString values = QStringLiteral("%1.adsoyad, %1.telefon, %1.cep, %1.mail").arg(row);
    const QString into = before ? QStringLiteral("eski_adsoyad, eski_telefon, eski_cep, eski_mail")
                                : QStringLiteral("yeni_adsoyad, yeni_telefon, yeni_cep, yeni_mail");
    return QStringLiteral("INSERT INTO TELEFON_GECMIS (zaman, kim, islem, kayit, %1) VALUES (%2, "
                          "'%3', '%4', %5.id, %6);")
        .arg(into, QLatin1String(now), otherProgramName(), QLatin1String(operation),
             QLatin1String(row), values);
}

QStringList steps()
{
    const QString changed = QStringLiteral("OLD.adsoyad IS NOT NEW.adsoyad OR OLD.telefon IS NOT "
                                           "NEW.telefon OR OLD.cep IS NOT NEW.cep OR OLD.mail IS "
                                           "NOT NEW.mail");
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS TELEFON_GECMIS (surum INTEGER PRIMARY KEY "
                       "AUTOINCREMENT, zaman TEXT NOT NULL, kim TEXT NOT NULL, islem TEXT NOT "
                       "NULL, kayit INTEGER NOT NULL, grup INTEGER, eski_adsoyad TEXT, "
                       "eski_telefon TEXT, eski_cep TEXT, eski_mail TEXT, yeni_adsoyad TEXT, "
                       "yeni_telefon TEXT, yeni_cep TEXT, yeni_mail TEXT)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS TELEFON_GECMIS_kayit ON TELEFON_GECMIS (kayit)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS TELEFON_GECMIS_zaman ON TELEFON_GECMIS (zaman)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS TELEFON_AYAR (anahtar TEXT PRIMARY KEY, deger "
                       "TEXT NOT NULL)"),
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS TELEFON_gecmis_ekle AFTER INSERT ON TELEFON "
                       "BEGIN %1 END")
            .arg(logged("ekle", "NEW", false)),
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS TELEFON_gecmis_sil AFTER DELETE ON TELEFON "
                       "BEGIN %1 END")
            .arg(logged("sil", "OLD", true)),
        // An update that leaves the texts as they were changes nothing worth a version.
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS TELEFON_gecmis_degistir AFTER UPDATE ON "
                       "TELEFON WHEN OLD.id = NEW.id AND (%1) BEGIN INSERT INTO TELEFON_GECMIS "
                       "(zaman, kim, islem, kayit, eski_adsoyad, eski_telefon, eski_cep, "
                       "eski_mail, yeni_adsoyad, yeni_telefon, yeni_cep, yeni_mail) VALUES (%2, "
                       "'%3', 'degistir', NEW.id, OLD.adsoyad, OLD.telefon, OLD.cep, OLD.mail, "
                       "NEW.adsoyad, NEW.telefon, NEW.cep, NEW.mail); END")
            .arg(changed, QLatin1String(now), otherProgramName()),
        // An entry given another id is one entry gone and another come.
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS TELEFON_gecmis_yeni_kimlik AFTER UPDATE ON "
                       "TELEFON WHEN OLD.id IS NOT NEW.id BEGIN %1 %2 END")
            .arg(logged("sil", "OLD", true), logged("ekle", "NEW", false)),
    };
}

} // namespace

QString otherProgramName()
{
    return QStringLiteral("başka bir program");
}

bool ensureBookLog(QSqlQuery &query)
{
    for (const QString &step : steps() + cardLinkSteps())
        if (!query.exec(step))
            return false;
    return true;
}

qint64 newestRevision(QSqlQuery &query)
{
    if (!query.exec(QStringLiteral("SELECT COALESCE(MAX(surum), 0) FROM TELEFON_GECMIS")) ||
        !query.next())
        return -1;
    return query.value(0).toLongLong();
}

bool nameOwnChanges(QSqlQuery &query, qint64 after, const QString &who)
{
    if (!query.prepare(QStringLiteral("UPDATE TELEFON_GECMIS SET kim = ?, grup = (SELECT "
                                      "MIN(surum) FROM TELEFON_GECMIS WHERE surum > ?) WHERE "
                                      "surum > ?")))
        return false;
    query.addBindValue(who);
    query.addBindValue(after);
    query.addBindValue(after);
    return query.exec();
}
