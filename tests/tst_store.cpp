// The phone book store: the database path rule, the five statements, and that user
// text never changes what a statement does, run on real SQLite files.
#include "store/databasepath.h"
#include "store/phonebookdb.h"
#include "store/searchfunctions.h"
#include "store/statements.h"

#include "search/folding.h"
#include "search/likepattern.h"

#include "testsupport.h"

#include <QDir>
#include <QRandomGenerator>
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
    void likePatternAgreesWithTheReference();
    void likePatternOnLongTexts_data();
    void likePatternOnLongTexts();
    void invalidBytesAreOneCharacterEach_data();
    void invalidBytesAreOneCharacterEach();
    void lettersThatDecomposeTwiceFoldToTheirBase_data();
    void lettersThatDecomposeTwiceFoldToTheirBase();
    void numberPrefixesMatchInEveryPairing();
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

void StoreTest::likePatternAgreesWithTheReference()
{
    // Patterns and texts made of letters that fold alike, wildcards, and every kind of
    // byte that is not well-formed UTF-8.
    const QList<QByteArray> pieces = {"a",
                                      "A",
                                      "b",
                                      "ab",
                                      "i",
                                      "I",
                                      "\u0131",
                                      "\u0130",
                                      "s",
                                      "\u015F",
                                      "\u015E",
                                      "u",
                                      "\u01D6",
                                      "\u01D5",
                                      "\u00FC",
                                      "%",
                                      "_",
                                      "%",
                                      "_",
                                      "\xC0\xAF",
                                      "\xC1\x81",
                                      "\xE0\x80\xAF",
                                      "\xED\xA0\x80",
                                      "\xED\x9F\xBF",
                                      "\xF4\x90\x80\x80",
                                      "\xF4\x8F\xBF\xBF",
                                      "\xF0\x8F\xBF\xBF",
                                      "\xF8",
                                      "\xFF",
                                      "\x80",
                                      "\xE4\xB8",
                                      "\xF0\x9F\x98",
                                      "\xF0\x9F\x98\x80",
                                      "\xC2",
                                      "\xC2\xA0",
                                      "'"};
    QRandomGenerator random(20261207);
    const auto compose = [&](int most) {
        QByteArray text;
        for (int count = random.bounded(most + 1); count > 0; --count)
            text += pieces.at(random.bounded(pieces.size()));
        return text;
    };
    for (int round = 0; round < 30000; ++round) {
        const QByteArray pattern = compose(5), text = compose(9);
        const FoldedLikePattern compiled(pattern.constData(), pattern.size());
        const bool expected = referenceLikeMatches(pattern, text);
        QVERIFY2(compiled.matches(text.constData(), text.size()) == expected,
                 qPrintable(QStringLiteral("'%1' LIKE '%2' should be %3")
                                .arg(QString::fromLatin1(text.toHex(' ')),
                                     QString::fromLatin1(pattern.toHex(' ')))
                                .arg(expected)));
    }
}

void StoreTest::likePatternOnLongTexts_data()
{
    QTest::addColumn<QByteArray>("pattern");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("expected");
    // Patterns whose every prefix recurs in the text, over a name of 100,000 letters: each
    // answered without comparing the pattern again at each place.
    const QByteArray as(100000, 'a'), pasted = QByteArray(16383, 'a') + 'b';
    QTest::newRow("pasted letters, absent") << '%' + pasted + '%' << as << false;
    QTest::newRow("pasted letters, at the end") << '%' + pasted + '%' << as + 'b' << true;
    QTest::newRow("pasted capitals") << '%' + pasted.toUpper() + '%' << as + "b." << true;
    QByteArray alternating;
    for (int i = 0; i < 8000; ++i)
        alternating += "a_";
    QTest::newRow("letters between _, absent") << '%' + alternating + "b%" << as << false;
    QTest::newRow("letters between _, found") << '%' + alternating + "b%" << as + "bb" << true;
    QTest::newRow("_ then a letter, absent") << '%' + QByteArray(16383, '_') + "b%" << as << false;
    QTest::newRow("_ then a letter, found")
        << '%' + QByteArray(16383, '_') + "b%" << as + 'b' << true;
    QTest::newRow("_ only") << QByteArray(100000, '_') << as << true;
    QTest::newRow("_ one too many") << QByteArray(100001, '_') << as << false;
    QByteArray segments;
    for (int i = 0; i < 5000; ++i)
        segments += "aa%";
    QTest::newRow("many %, found") << segments + 'b' << as + 'b' << true;
    QTest::newRow("many %, absent") << segments + 'b' << as << false;
    QTest::newRow("many %, too few letters") << segments << as.left(9999) << false;
}

void StoreTest::likePatternOnLongTexts()
{
    QFETCH(QByteArray, pattern);
    QFETCH(QByteArray, text);
    QFETCH(bool, expected);
    const FoldedLikePattern compiled(pattern.constData(), pattern.size());
    QCOMPARE(compiled.matches(text.constData(), text.size()), expected);
}

void StoreTest::invalidBytesAreOneCharacterEach_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("overlong /") << QByteArray("\xC0\xAF");
    QTest::newRow("overlong in three bytes") << QByteArray("\xE0\x80\xAF");
    QTest::newRow("overlong in four bytes") << QByteArray("\xF0\x80\x80\xAF");
    QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80");
    QTest::newRow("above U+10FFFF") << QByteArray("\xF4\x90\x80\x80");
    QTest::newRow("lead F8") << QByteArray("\xF8\x88\x80\x80\x80");
    QTest::newRow("lead FF") << QByteArray("\xFF");
    QTest::newRow("continuation alone") << QByteArray("\x80\xBF");
    QTest::newRow("cut short") << QByteArray("\xE4\xB8");
}

void StoreTest::invalidBytesAreOneCharacterEach()
{
    QFETCH(QByteArray, bytes);
    const QByteArray text = "x" + bytes + "y";
    const auto matches = [&text](const QByteArray &pattern) {
        return FoldedLikePattern(pattern.constData(), pattern.size())
            .matches(text.constData(), text.size());
    };
    QVERIFY(matches("x" + QByteArray(bytes.size(), '_') + "y"));
    QVERIFY(!matches("x" + QByteArray(bytes.size() - 1, '_') + "y"));
    QVERIFY(!matches("x" + QByteArray(bytes.size() + 1, '_') + "y"));
    // Such a byte equals only another such byte, never a character.
    QVERIFY(matches("%" + bytes + "%"));
    QVERIFY(matches("x" + QByteArray(bytes.size(), '\xFE') + "y"));
    QVERIFY(!matches("x\xEF\xBF\xBD" + QByteArray(bytes.size() - 1, '_') + "y"));
}

void StoreTest::lettersThatDecomposeTwiceFoldToTheirBase_data()
{
    QTest::addColumn<QString>("letter");
    QTest::addColumn<QString>("base");
    QTest::newRow("u with diaeresis and macron") << QStringLiteral("\u01D6") << "u";
    QTest::newRow("u with diaeresis and acute") << QStringLiteral("\u01D8") << "u";
    QTest::newRow("capital U with diaeresis and macron") << QStringLiteral("\u01D5") << "u";
    QTest::newRow("capital A with diaeresis and macron") << QStringLiteral("\u01DE") << "a";
    QTest::newRow("capital A with ring and acute") << QStringLiteral("\u01FA") << "a";
    QTest::newRow("o with ogonek and macron") << QStringLiteral("\u01ED") << "o";
}

void StoreTest::lettersThatDecomposeTwiceFoldToTheirBase()
{
    QFETCH(QString, letter);
    QFETCH(QString, base);
    QCOMPARE(foldForSearch(letter), base);
    const QByteArray name = (letter + QStringLiteral("mit")).toUtf8();
    for (const QByteArray &pattern : {base.toUtf8(), letter.toUtf8(), base.toUpper().toUtf8()}) {
        const QByteArray like = '%' + pattern + '%';
        QVERIFY(FoldedLikePattern(like.constData(), like.size())
                    .matches(name.constData(), name.size()));
        QVERIFY(referenceLikeMatches(like, name));
    }
}

void StoreTest::numberPrefixesMatchInEveryPairing()
{
    // One number written with the country code after "+", with the international prefix
    // 00 and the country code, and with the trunk prefix 0.
    const QStringList stored = {"+90 532 111 22 33", "0090 532 111 22 33", "0532 111 22 33",
                                " +90 (532) 111-22-33"};
    const QStringList searched = {"+90 532 111", "0090 532 111", "0532 111", "532 111",
                                  "(0532) 111-22-33"};
    for (const QString &number : stored) {
        const QByteArray utf8 = number.toUtf8();
        for (const QString &search : searched) {
            const QByteArray key = phoneNumberKey(search);
            QVERIFY2(
                phoneNumberContains(utf8.constData(), utf8.size(), key.constData(), key.size()),
                qPrintable(search + " in " + number));
            QVERIFY(referenceSearchFinds(search, QString(), number, QString()));
        }
        // A prefix is only taken off where it begins the number, and only white space
        // comes before a "+": not a cut character followed by a space.
        const QByteArray inside = phoneNumberKey("90532");
        QVERIFY(
            !phoneNumberContains(utf8.constData(), utf8.size(), inside.constData(), inside.size()));
    }
}

QTEST_GUILESS_MAIN(StoreTest)
#include "tst_store.moc"
