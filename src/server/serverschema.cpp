#include "server/serverschema.h"

#include "search/folding.h"

#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace
{

// Raised when a later version changes what is stored; the steps up to it are run in order.
// 2: the change log. 3: the links to the phones' address book.
constexpr int schemaVersion = 3;

const char adviceText[] =
    "Sunucudaki telefon defteri tam kurulamadı; arama yavaş ve yalnız büyük/küçük harf "
    "gözetmeden çalışacak. Veritabanı yöneticisi bir kez şunu çalıştırmalı:\n"
    "  psql -d VERİTABANI -c 'CREATE EXTENSION IF NOT EXISTS pg_trgm' -c 'GRANT CREATE ON "
    "SCHEMA public TO KULLANICI'\n"
    "sonra program yeniden başlatılınca eksikler kurulur (README: Ortak defter).";

// translate() looks each character up from the start of its list: the letters names are
// made of come first, those the fold keeps mapped to themselves.
QString foldTranslation(bool folded)
{
    QVector<uint> from, to;
    QSet<uint> listed;
    const auto add = [&](uint c) {
        if (listed.contains(c))
            return;
        listed.insert(c);
        from << c;
        to << uint(foldForSearch(char32_t(c)));
    };
    for (const QChar c : QStringLiteral("aeiklmnrsuytdozbgcphvfjwqx .@-_0123456789"))
        add(c.unicode());
    for (const QChar c : QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZıİşŞğĞüÜöÖçÇâÂîÎûÛêô"))
        add(c.unicode());
    for (uint c = 0x80; c <= 0x10FFFF; ++c)
        if ((c < 0xD800 || c > 0xDFFF) && foldForSearch(char32_t(c)) != c)
            add(c);
    const QVector<uint> &side = folded ? to : from;
    return QString::fromUcs4(side.constData(), side.size());
}

// White space as QString::trimmed sees it, before a number's leading "+".
QString blanks()
{
    QString all;
    for (uint c = 1; c < 0x3001; ++c)
        if (QChar::isSpace(c))
            all += QChar(c);
    return all;
}

// The change log: a row for every insert, update and delete of TELEFON by anyone, written
// by a trigger in the same transaction. The trigger runs with its owner's rights, so that a
// role that may change the book but not the log is still recorded, and it names the role
// that logged in. Writers of the log take one lock until they commit, so that revisions
// grow in the order of the commits and a desk reading those after its own misses none.
QStringList changeLogSteps()
{
    const QString row = QStringLiteral("%1.adsoyad, %1.telefon, %1.cep, %1.mail");
    const QString before = QStringLiteral("eski_adsoyad, eski_telefon, eski_cep, eski_mail");
    const QString after = QStringLiteral("yeni_adsoyad, yeni_telefon, yeni_cep, yeni_mail");
    const QString insert = QStringLiteral("INSERT INTO telefon_gecmis (kim, islem, kayit, %1) "
                                          "VALUES (session_user, '%2', %3.id, %4);");
    const QString added = insert.arg(after, QStringLiteral("ekle"), QStringLiteral("NEW"),
                                     row.arg(QStringLiteral("NEW")));
    const QString deleted = insert.arg(before, QStringLiteral("sil"), QStringLiteral("OLD"),
                                       row.arg(QStringLiteral("OLD")));
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS telefon_gecmis (surum bigint GENERATED ALWAYS "
                       "AS IDENTITY PRIMARY KEY, zaman timestamptz NOT NULL DEFAULT now(), kim "
                       "text NOT NULL, islem text NOT NULL, kayit bigint NOT NULL, grup bigint NOT "
                       "NULL DEFAULT txid_current(), eski_adsoyad text, eski_telefon text, "
                       "eski_cep text, eski_mail text, yeni_adsoyad text, yeni_telefon text, "
                       "yeni_cep text, yeni_mail text)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS telefon_gecmis_kayit ON telefon_gecmis (kayit)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS telefon_gecmis_zaman ON telefon_gecmis (zaman)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS telefon_ayar (anahtar text PRIMARY KEY, deger "
                       "text NOT NULL)"),
        QStringLiteral(
            "CREATE OR REPLACE FUNCTION telefon_defteri_gecmis() RETURNS trigger LANGUAGE plpgsql "
            "SECURITY DEFINER SET search_path FROM CURRENT AS $$ BEGIN "
            "PERFORM pg_advisory_xact_lock(7482016); "
            "IF TG_OP = 'INSERT' THEN %1 "
            "ELSIF TG_OP = 'DELETE' THEN %2 "
            "ELSIF OLD.id IS DISTINCT FROM NEW.id THEN %2 %1 "
            "ELSIF (%3) IS DISTINCT FROM (%4) THEN INSERT INTO telefon_gecmis (kim, islem, kayit, "
            "%5, %6) VALUES (session_user, 'degistir', NEW.id, %3, %4); "
            "END IF; RETURN NULL; END $$")
            .arg(added, deleted, row.arg(QStringLiteral("OLD")), row.arg(QStringLiteral("NEW")),
                 before, after),
        // TRUNCATE passes no row triggers: every row is logged as deleted before it goes.
        QStringLiteral("CREATE OR REPLACE FUNCTION telefon_defteri_gecmis_bosalt() RETURNS "
                       "trigger LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT "
                       "AS $$ BEGIN PERFORM pg_advisory_xact_lock(7482016); INSERT INTO "
                       "telefon_gecmis (kim, islem, kayit, %1) SELECT session_user, 'sil', id, "
                       "adsoyad, telefon, cep, mail FROM telefon; RETURN NULL; END $$")
            .arg(before),
        QStringLiteral("DROP TRIGGER IF EXISTS telefon_defteri_gecmis ON TELEFON"),
        QStringLiteral("CREATE TRIGGER telefon_defteri_gecmis AFTER INSERT OR UPDATE OR DELETE ON "
                       "TELEFON FOR EACH ROW EXECUTE FUNCTION telefon_defteri_gecmis()"),
        QStringLiteral("DROP TRIGGER IF EXISTS telefon_defteri_gecmis_bosalt ON TELEFON"),
        QStringLiteral("CREATE TRIGGER telefon_defteri_gecmis_bosalt BEFORE TRUNCATE ON TELEFON "
                       "FOR EACH STATEMENT EXECUTE FUNCTION telefon_defteri_gecmis_bosalt()"),
    };
}

QStringList creationSteps()
{
    return QStringList{
               QStringLiteral(
                   "CREATE TABLE IF NOT EXISTS telefon_defteri_surum (surum integer NOT NULL)"),
               foldFunctionDefinition(),
               QStringLiteral(
                   "CREATE OR REPLACE FUNCTION telefon_defteri_numara(text) RETURNS text LANGUAGE "
                   "sql "
                   "IMMUTABLE STRICT PARALLEL SAFE AS $$ SELECT CASE WHEN left(ltrim($1, '%1'), 1) "
                   "= '+' "
                   "THEN regexp_replace(regexp_replace($1, '[^0-9]', '', 'g'), '^90', '') "
                   "ELSE regexp_replace(regexp_replace($1, '[^0-9]', '', 'g'), '^(0090|0)', '') "
                   "END $$")
                   .arg(blanks()),
               QStringLiteral(
                   "CREATE TABLE IF NOT EXISTS TELEFON (id bigint GENERATED BY DEFAULT AS "
                   "IDENTITY PRIMARY KEY, adsoyad text, telefon text, cep text, mail text)"),
               QStringLiteral("ALTER TABLE TELEFON "
                              "ADD COLUMN IF NOT EXISTS adsoyad_katli text GENERATED ALWAYS AS "
                              "(telefon_defteri_katla(adsoyad)) STORED, "
                              "ADD COLUMN IF NOT EXISTS mail_katli text GENERATED ALWAYS AS "
                              "(telefon_defteri_katla(mail)) STORED, "
                              "ADD COLUMN IF NOT EXISTS telefon_anahtari text GENERATED ALWAYS AS "
                              "(telefon_defteri_numara(telefon)) STORED, "
                              "ADD COLUMN IF NOT EXISTS cep_anahtari text GENERATED ALWAYS AS "
                              "(telefon_defteri_numara(cep)) STORED"),
               QStringLiteral(
                   "CREATE OR REPLACE FUNCTION telefon_defteri_haber() RETURNS trigger "
                   "LANGUAGE plpgsql AS $$ BEGIN PERFORM pg_notify('%1', TG_OP); RETURN NULL; "
                   "END $$")
                   .arg(changeChannel()),
               QStringLiteral("DROP TRIGGER IF EXISTS telefon_defteri_haber ON TELEFON"),
               QStringLiteral(
                   "CREATE TRIGGER telefon_defteri_haber AFTER INSERT OR UPDATE OR DELETE OR "
                   "TRUNCATE ON TELEFON FOR EACH STATEMENT EXECUTE FUNCTION "
                   "telefon_defteri_haber()"),
           } +
           changeLogSteps() + cardLinkSteps();
}

// Made where the extension is there or may be made; without them a search reads every row.
QStringList indexSteps()
{
    QStringList steps{QStringLiteral("CREATE EXTENSION IF NOT EXISTS pg_trgm")};
    for (const char *column : {"adsoyad_katli", "mail_katli", "telefon_anahtari", "cep_anahtari"})
        steps << QStringLiteral("CREATE INDEX IF NOT EXISTS telefon_%1_trgm ON TELEFON USING gin "
                                "(%1 gin_trgm_ops)")
                     .arg(QLatin1String(column));
    return steps;
}

bool runAll(QSqlQuery &query, const QStringList &steps)
{
    for (const QString &step : steps)
        if (!query.exec(step))
            return false;
    return true;
}

int storedVersion(QSqlQuery &query)
{
    if (!query.exec(QStringLiteral("SELECT to_regclass('telefon_defteri_surum') IS NOT NULL")) ||
        !query.next() || !query.value(0).toBool())
        return 0;
    if (!query.exec(QStringLiteral("SELECT coalesce(max(surum), 0) FROM telefon_defteri_surum")) ||
        !query.next())
        return 0;
    return query.value(0).toInt();
}

bool hasColumn(QSqlQuery &query, const QString &column)
{
    query.prepare(
        QStringLiteral("SELECT 1 FROM information_schema.columns WHERE table_schema = "
                       "current_schema() AND table_name = 'telefon' AND column_name = ?"));
    query.addBindValue(column);
    return query.exec() && query.next();
}

bool hasTrigramIndex(QSqlQuery &query)
{
    return query.exec(
               QStringLiteral("SELECT 1 FROM pg_indexes WHERE schemaname = "
                              "current_schema() AND indexname = 'telefon_adsoyad_katli_trgm'")) &&
           query.next();
}

// A table of that name another program made for something else holds no entries: reading
// it as a phone book would show made-up rows and fail on every save. Empty when the table
// is missing (it is made) or of the phone book's shape.
QString wrongTableShape(QSqlQuery &query)
{
    if (!query.exec(QStringLiteral(
            "SELECT column_name, data_type, is_identity = 'YES' OR column_default IS NOT NULL "
            "FROM information_schema.columns WHERE table_schema = current_schema() AND "
            "table_name = 'telefon' ORDER BY ordinal_position")))
        return {};
    static const QSet<QString> integers{QStringLiteral("smallint"), QStringLiteral("integer"),
                                        QStringLiteral("bigint")};
    static const QSet<QString> texts{QStringLiteral("text"), QStringLiteral("character varying"),
                                     QStringLiteral("character")};
    QStringList found,
        missing{QStringLiteral("id"), QStringLiteral("adsoyad"), QStringLiteral("telefon"),
                QStringLiteral("cep"), QStringLiteral("mail")};
    bool fits = true;
    while (query.next()) {
        const QString column = query.value(0).toString(), type = query.value(1).toString();
        found << column + QLatin1Char(' ') + type;
        if (!missing.removeOne(column))
            continue;
        fits = fits &&
               (column == QLatin1String("id") ? integers.contains(type) && query.value(2).toBool()
                                              : texts.contains(type));
    }
    if (found.isEmpty() || (fits && missing.isEmpty()))
        return {};
    return QStringLiteral("Sunucudaki telefon tablosu bir telefon defteri değil; açılmadı.\n"
                          "Bulunan sütunlar: %1\n"
                          "Beklenen: id (kendiliğinden verilen tamsayı, ör. bigint GENERATED BY "
                          "DEFAULT AS IDENTITY PRIMARY KEY), adsoyad, telefon, cep, mail (text)")
        .arg(found.join(QStringLiteral(", ")));
}

} // namespace

QStringList cardLinkSteps()
{
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS TELEFON_KART (kimlik BIGINT PRIMARY KEY, adres "
                       "TEXT NOT NULL, uid TEXT NOT NULL, etag TEXT NOT NULL, kart TEXT NOT NULL)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS TELEFON_ESITLEME (rehber TEXT PRIMARY KEY, "
                       "jeton TEXT NOT NULL)"),
    };
}

QString changeChannel()
{
    return QStringLiteral("telefon_defteri");
}

QString foldFunctionDefinition()
{
    return QStringLiteral("CREATE OR REPLACE FUNCTION telefon_defteri_katla(text) RETURNS text "
                          "LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE AS $katla$ SELECT "
                          "translate($1, '%1', '%2') $katla$")
        .arg(foldTranslation(false), foldTranslation(true));
}

ServerSchema ensureServerSchema(const QSqlDatabase &db)
{
    ServerSchema schema;
    QSqlQuery query(db);
    // "Already exists, skipping" is what a second start is expected to meet.
    query.exec(QStringLiteral("SET client_min_messages TO warning"));
    schema.error = wrongTableShape(query);
    if (!schema.error.isEmpty())
        return schema;
    QSqlDatabase connection = db;
    // Two desks starting on a new database at once: the second waits and finds it made.
    if (storedVersion(query) < schemaVersion && connection.transaction()) {
        query.exec(QStringLiteral("SELECT pg_advisory_xact_lock(7482015)"));
        bool made = storedVersion(query) >= schemaVersion ||
                    (runAll(query, creationSteps()) &&
                     query.exec(QStringLiteral("INSERT INTO telefon_defteri_surum VALUES (%1)")
                                    .arg(schemaVersion)));
        if (made) {
            // The indexes are worth having, never worth failing for.
            query.exec(QStringLiteral("SAVEPOINT dizinler"));
            if (!runAll(query, indexSteps()))
                query.exec(QStringLiteral("ROLLBACK TO SAVEPOINT dizinler"));
        }
        if (!made) {
            schema.error = query.lastError().text();
            connection.rollback();
        } else if (!connection.commit()) {
            schema.error = connection.lastError().text();
            connection.rollback();
        }
    }
    if (storedVersion(query) >= schemaVersion && !hasTrigramIndex(query)) {
        // Made later, once the administrator added the extension.
        QSqlQuery indexes(db);
        runAll(indexes, indexSteps());
    }
    schema.usable = query.exec(QStringLiteral("SELECT 1 FROM TELEFON LIMIT 1"));
    if (!schema.usable && schema.error.isEmpty())
        schema.error = query.lastError().text();
    schema.searchColumns = schema.usable && hasColumn(query, QStringLiteral("adsoyad_katli")) &&
                           hasColumn(query, QStringLiteral("cep_anahtari"));
    schema.changeLog = schema.usable && storedVersion(query) >= 2;
    if (schema.usable && (!schema.searchColumns || !hasTrigramIndex(query)))
        schema.advice = QString::fromUtf8(adviceText);
    return schema;
}
