// The phone book store: the database path rule, the five statements, and that user
// text never changes what a statement does, run on real SQLite files.
#include "store/databasepath.h"
#include "store/phonebookdb.h"
#include "store/searchfunctions.h"
#include "store/statements.h"

#include "testsupport.h"

#include <QDir>
#include <QSqlQuery>
#include <QTest>

namespace
{

QVector<QVariantList> runAndRead(const SideConnection &db, const Statement &statement)
{
    QSqlQuery query(db.db());
    if (!runStatement(query, statement))
        qFatal("statement failed");
    return db.rows();
}

// The names of the entries the search lists, through SQLite's own LIKE.
QStringList namesFound(const SideConnection &db, const QString &searchText)
{
    QSqlQuery query(db.db());
    if (!runStatement(query, searchIdsStatement(searchText, false)))
        qFatal("search failed");
    QVector<qint64> ids;
    while (query.next())
        ids << query.value(0).toLongLong();
    QStringList names;
    for (const QVariantList &row : db.rows())
        if (ids.contains(row.value(0).toLongLong()))
            names << row.value(1).toString();
    return names;
}

const QStringList &hostileTexts()
{
    static const QStringList texts = {
        QStringLiteral("O'Brien"),
        QStringLiteral("''"),
        QStringLiteral("x', telefon='hacked"),
        QStringLiteral("'); DROP TABLE TELEFON; --"),
        QStringLiteral("\" OR 1=1 --"),
        QStringLiteral("back\\slash\\"),
        QStringLiteral("100% _sure_"),
        QStringLiteral("?"),
        QStringLiteral(":name @p $x"),
        QStringLiteral("İğdır Şişli Çağlayan Öztürk Ünal ıi"),
        QStringLiteral("😀 emoji 👍🏽"),
        QStringLiteral("\u202Ebidi\u202C"),
        QStringLiteral("tab\tnew\nline"),
        QString(5000, QLatin1Char('\'')),
    };
    return texts;
}

} // namespace

class StoreTest : public QObject
{
    Q_OBJECT

private slots:
    void databasePathRule();
    void phoneBookDbIsTheDefaultSqliteConnection();
    void statementTexts();
    void boundStatementsDoWhatTheLiteralOnesDo();
    void hostileFieldTextsAreStoredAsTheyAre();
    void hostileTextCannotTouchOtherRows();
    void searchKeepsWildcardsButNotQuotes();
    void tableIsCreatedOnlyWhenMissing();
    void searchFunctionsStayOnTheirConnection();
};

void StoreTest::databasePathRule()
{
    QCOMPARE(databasePathIn(QStringLiteral("/home/ayşe/Belgeler"), QLatin1Char('/')),
             QStringLiteral("/home/ayşe/Belgeler/database.db"));
    QCOMPARE(databasePathIn(QStringLiteral("C:/Users/Ali Veli/Masaüstü"), QLatin1Char('\\')),
             QStringLiteral("C:\\Users\\Ali Veli\\Masaüstü\\database.db"));
    QCOMPARE(databasePathIn(QStringLiteral("/"), QLatin1Char('/')),
             QStringLiteral("//database.db"));

    WorkingDirectory cwd;
    const QString spaced = cwd.path() + QStringLiteral("/boş klasör ğ");
    QVERIFY(QDir().mkpath(spaced));
    QDir::setCurrent(spaced);
    QCOMPARE(databasePath(), QDir::currentPath() + QStringLiteral("/database.db"));
}

void StoreTest::phoneBookDbIsTheDefaultSqliteConnection()
{
    QCOMPARE(phoneBookDb.driverName(), QStringLiteral("QSQLITE"));
    QCOMPARE(phoneBookDb.connectionName(), QString::fromLatin1(QSqlDatabase::defaultConnection));
    QVERIFY(phoneBookDb.isValid());
    QVERIFY(QSqlDatabase::contains());
}

void StoreTest::statementTexts()
{
    QCOMPARE(selectAllStatement().text, QStringLiteral("SELECT *FROM TELEFON"));
    QVERIFY(selectAllStatement().values.isEmpty());

    // The list reads ids; a search text without words lists every entry.
    QCOMPARE(allIdsStatement().text, QStringLiteral("SELECT id FROM TELEFON"));
    for (const bool functions : {false, true})
        QCOMPARE(searchIdsStatement(QStringLiteral(" \t\u00a0"), functions).text,
                 allIdsStatement().text);
    // Without the search functions every word is looked for in the name or the mail.
    const Statement words = searchIdsStatement(QStringLiteral(" ali  %eli "), false);
    QCOMPARE(words.text, QStringLiteral("SELECT id FROM TELEFON WHERE (adsoyad LIKE ? OR mail "
                                        "LIKE ?) AND (adsoyad LIKE ? OR mail LIKE ?)"));
    QCOMPARE(words.values, QVariantList({"%ali%", "%ali%", "%%eli%", "%%eli%"}));
    // With them the text goes whole to one function, which reads the numbers only for a
    // text that reads as one.
    const Statement name = searchIdsStatement(QStringLiteral("ali 0532"), true);
    QCOMPARE(name.text, QStringLiteral("SELECT id FROM TELEFON WHERE phone_book_search(?, "
                                       "adsoyad, mail)"));
    QCOMPARE(name.values, QVariantList({QStringLiteral("ali 0532")}));
    const Statement number = searchIdsStatement(QStringLiteral("(0532) 111"), true);
    QCOMPARE(number.text, QStringLiteral("SELECT id FROM TELEFON WHERE phone_book_search(?, "
                                         "adsoyad, mail, telefon, cep)"));
    QCOMPARE(number.values, QVariantList({QStringLiteral("(0532) 111")}));
    const Statement page = entriesStatement({7, 3000000000});
    QCOMPARE(
        page.text,
        QStringLiteral("SELECT id, adsoyad, telefon, cep, mail FROM TELEFON WHERE id IN (?,?)"));
    QCOMPARE(page.values, QVariantList({7, Q_INT64_C(3000000000)}));
    const Statement restore = restoreStatement(7, "Ali", QString(), "", "a@b.c");
    QCOMPARE(restore.text, QStringLiteral("INSERT INTO TELEFON (id, adsoyad, telefon, cep, mail) "
                                          "VALUES(?,?,?,?,?)"));
    QVERIFY(restore.values.at(2).isNull()); // a NULL comes back as NULL
    QVERIFY(!restore.values.at(3).isNull());

    const Statement insert =
        insertStatement(QStringLiteral("Ali Veli"), QStringLiteral("212 555 00 00"), QString(), "");
    QCOMPARE(insert.text, QStringLiteral("INSERT INTO TELEFON (id, adsoyad, telefon, cep, mail) "
                                         "VALUES(NULL,?,?,?,?);"));
    QCOMPARE(insert.values,
             QVariantList({QStringLiteral("Ali Veli"), QStringLiteral("212 555 00 00"), "", ""}));
    // An empty field is stored as '' as the literal statement would, never as NULL.
    for (const QVariant &value : insert.values)
        QVERIFY(!value.isNull());

    const Statement update =
        updateStatement(QStringLiteral("Ali Veli"), QStringLiteral("212 555 00 00"), "", "", 7);
    QCOMPARE(update.text,
             QStringLiteral("UPDATE TELEFON SET adsoyad=?, telefon=?, cep=?, mail=? WHERE id=7"));
    QCOMPARE(update.values.size(), 4);
    QVERIFY(updateStatement("a", "b", "c", "d", 2147483647).text.endsWith(" WHERE id=2147483647"));

    QCOMPARE(deleteStatement(7).text, QStringLiteral("DELETE FROM TELEFON WHERE id=7"));
    QVERIFY(deleteStatement(7).values.isEmpty());
}

void StoreTest::boundStatementsDoWhatTheLiteralOnesDo()
{
    WorkingDirectory cwd;
    SideConnection literal(cwd.path() + QStringLiteral("/literal.db"));
    SideConnection bound(cwd.path() + QStringLiteral("/bound.db"));
    literal.createTable();
    bound.createTable();

    const QStringList literalTexts = {
        "INSERT INTO TELEFON VALUES(NULL,'Ali Veli','212 555 00 00','','');",
        "INSERT INTO TELEFON VALUES(NULL,'Ayşe Yılmaz','','0532','a@b.c');",
        "UPDATE TELEFON SET adsoyad='Ali Veli', telefon='212', cep='1', mail='' WHERE id=1",
        "DELETE FROM TELEFON WHERE id=2"};
    for (const QString &text : literalTexts)
        literal.exec(text);
    runAndRead(bound, insertStatement("Ali Veli", "212 555 00 00", "", ""));
    runAndRead(bound, insertStatement("Ayşe Yılmaz", "", "0532", "a@b.c"));
    runAndRead(bound, updateStatement("Ali Veli", "212", "1", "", 1));
    QCOMPARE(runAndRead(bound, deleteStatement(2)), literal.rows());

    QSqlQuery literalSearch(literal.db());
    QVERIFY(literalSearch.exec("SELECT *FROM TELEFON WHERE adsoyad LIKE '%li%'"));
    QVERIFY(literalSearch.next());
    QCOMPARE(namesFound(bound, "li"), QStringList({literalSearch.value(1).toString()}));
}

void StoreTest::hostileFieldTextsAreStoredAsTheyAre()
{
    WorkingDirectory cwd;
    SideConnection db(cwd.databaseFile());
    db.createTable();
    for (const QString &text : hostileTexts()) {
        const QVector<QVariantList> rows =
            runAndRead(db, insertStatement(text, text + "1", text + "2", text + "3"));
        const QVariantList last = rows.last();
        QCOMPARE(last.value(1).toString(), text);
        QCOMPARE(last.value(2).toString(), text + "1");
        QCOMPARE(last.value(3).toString(), text + "2");
        QCOMPARE(last.value(4).toString(), text + "3");
    }
    QCOMPARE(db.rows().size(), hostileTexts().size());
}

void StoreTest::hostileTextCannotTouchOtherRows()
{
    WorkingDirectory cwd;
    SideConnection db(cwd.databaseFile());
    db.createTable();
    const int keep = db.insert("Kalacak Kişi", "1", "2", "3");
    const int target = db.insert("Hedef", "", "", "");
    const QVector<QVariantList> before = db.rows();

    for (const QString &text : hostileTexts()) {
        const QVector<QVariantList> rows =
            runAndRead(db, updateStatement(text, text, text, text, target));
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.first(), before.first());
        QCOMPARE(rows.last(), QVariantList({target, text, text, text, text}));
    }
    QCOMPARE(runAndRead(db, deleteStatement(target)).size(), 1);
    QCOMPARE(db.rows().first().value(0).toInt(), keep);
}

void StoreTest::searchKeepsWildcardsButNotQuotes()
{
    WorkingDirectory cwd;
    SideConnection db(cwd.databaseFile());
    db.createTable();
    db.insert("Ali Veli");
    db.insert("Alican");
    db.insert("O'Brien");
    db.insert("%100 Gerçek");
    db.insert(QVariant()); // no name nor mail: listed only without words

    QCOMPARE(namesFound(db, "").size(), 5);
    QCOMPARE(namesFound(db, "%").size(), 4);
    QCOMPARE(namesFound(db, "Ali "), QStringList({"Ali Veli", "Alican"}));
    QCOMPARE(namesFound(db, "veli ali"), QStringList({"Ali Veli"}));
    QCOMPARE(namesFound(db, "A_i"), QStringList({"Ali Veli", "Alican"}));
    QCOMPARE(namesFound(db, "'"), QStringList({"O'Brien"}));
    QCOMPARE(namesFound(db, "O'B"), QStringList({"O'Brien"}));
    QCOMPARE(namesFound(db, "' OR '1'='1"), QStringList());
    QCOMPARE(namesFound(db, "%' OR adsoyad IS NULL OR '"), QStringList());
    QCOMPARE(namesFound(db, "100"), QStringList({"%100 Gerçek"}));
    QCOMPARE(namesFound(db, "ALİ"), QStringList()); // İ is not ASCII, so case matters
    QCOMPARE(namesFound(db, "ALI").size(), 2);
    QCOMPARE(db.rows().size(), 5);
}

void StoreTest::tableIsCreatedOnlyWhenMissing()
{
    WorkingDirectory cwd;
    {
        SideConnection side(cwd.databaseFile());
        side.exec("CREATE TABLE TELEFON (id INTEGER PRIMARY KEY, adsoyad TEXT, telefon TEXT, cep "
                  "TEXT, mail TEXT, extra TEXT)");
        side.insert("Var Olan");
    }
    QCOMPARE(openPhoneBook(), PhoneBookOpening::Opened);
    closePhoneBook();

    SideConnection side(cwd.databaseFile());
    QSqlQuery query(side.db());
    QVERIFY(query.exec("SELECT sql FROM sqlite_master WHERE name='TELEFON'"));
    QVERIFY(query.next());
    QVERIFY(query.value(0).toString().contains("extra TEXT"));
    QCOMPARE(side.rows().size(), 1);
}

void StoreTest::searchFunctionsStayOnTheirConnection()
{
    WorkingDirectory cwd;
    SideConnection other(cwd.databaseFile());
    other.createTable();
    other.insert("Şule Çağlar");
    phoneBookDb.setDatabaseName(cwd.databaseFile());
    QVERIFY(phoneBookDb.open());
    // Debian's Qt driver links the system SQLite, which this program calls too.
    QVERIFY(installSearchFunctions(phoneBookDb));
    QVERIFY(searchFunctionsInstalled());
    QSqlQuery folded(phoneBookDb);
    QVERIFY(runStatement(folded, searchIdsStatement(QStringLiteral("SULE"), true)));
    QVERIFY(folded.next());

    // Nothing was written into the file, and another connection has no such function.
    QSqlQuery unknown(other.db());
    QVERIFY(!runStatement(unknown, searchIdsStatement(QStringLiteral("SULE"), true)));
    QSqlQuery schema(other.db());
    QVERIFY(schema.exec("SELECT group_concat(name) FROM sqlite_master") && schema.next());
    QCOMPARE(schema.value(0).toString(), QStringLiteral("TELEFON,sqlite_sequence"));
    folded.finish();
    phoneBookDb.close();
    QVERIFY(!installSearchFunctions(phoneBookDb));    // a closed connection has no handle
    QVERIFY(!installSearchFunctions(QSqlDatabase())); // nor has a driver that is not SQLite
    QVERIFY(!searchFunctionsInstalled());
}

QTEST_GUILESS_MAIN(StoreTest)
#include "tst_store.moc"
