// The in-memory search index against the store's search and the independent reference,
// over generated phone books; the list's paging; the window before the index is ready.
#include "index/bytesearch.h"
#include "index/phonebookindex.h"
#include "list/listorder.h"
#include "list/orderrebuild.h"
#include "list/phonebooklistmodel.h"
#include "store/entries.h"
#include "store/listing.h"
#include "store/phonebookdb.h"
#include "window/mainwindow.h"

#include "testsupport.h"

#include <QHeaderView>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>

namespace
{

// Entries as they are stored, NULLs included.
QVector<Entry> storedEntries(const SideConnection &side)
{
    QVector<Entry> entries;
    for (const QVariantList &row : side.rows()) {
        const auto text = [&row](int column) {
            return row.value(column).isNull() ? QString() : row.value(column).toString();
        };
        entries.append({row.value(0).toLongLong(), text(1), text(2), text(3), text(4)});
    }
    return entries;
}

QVector<qint64> referenceIds(const QVector<Entry> &entries, const QString &search)
{
    QVector<qint64> ids;
    for (const Entry &entry : entries)
        if (referenceSearchFinds(search, entry.adsoyad, entry.telefon, entry.cep, entry.mail))
            ids << entry.id;
    return ids;
}

// Searches made of the book's own words and pieces of them, with wildcards, spaces,
// numbers and hostile texts.
QStringList searchesFor(const QVector<Entry> &entries, QRandomGenerator &random)
{
    QStringList searches = {
        "",    " ",        "%",        "_",     "a",    "ş",
        "İ",   "ı",        "0532",     "+90 5", "0",    "a_a",
        "%e%", "ali veli", "veli ali", "ornek", ".com", "ş ç ğ",
        "%%",  "_%_",      "or%ek",    "%li_",  "___",  "_uhammedabdurrahmangazisultanoğullarınca"};
    for (int i = 0; i < 60; ++i) {
        const Entry &entry = entries.at(random.bounded(entries.size()));
        const QString source = QStringList({entry.adsoyad, entry.mail, entry.telefon, entry.cep})
                                   .at(random.bounded(4));
        if (source.isEmpty())
            continue;
        // Whole characters: a search with half of one is the search without it (below).
        const QVector<uint> characters = source.toUcs4();
        const int from = random.bounded(characters.size());
        // Now and then long enough that a pattern of it is matched by decoding the text.
        const int longest = random.bounded(8) == 0 ? 40 : 6;
        const QVector<uint> part = characters.mid(from, 1 + random.bounded(longest));
        QString piece = QString::fromUcs4(part.constData(), part.size());
        if (random.bounded(4) == 0)
            piece = piece.toUpper();
        // A wildcard in the word, or around it, where it leaves a run of letters to scan for.
        const QString wildcard = random.bounded(2) ? QStringLiteral("_") : QStringLiteral("%");
        if (random.bounded(5) == 0 && piece.size() > 1)
            piece[random.bounded(piece.size())] = wildcard.at(0);
        else if (random.bounded(5) == 0)
            piece = random.bounded(2) ? wildcard + piece : piece + wildcard + QStringLiteral("%");
        searches << piece << QStringLiteral("  ") + piece + QStringLiteral(" a ");
    }
    // Runs of a number, and the same digits turned round: entries that hold every digit of
    // a run without the run.
    for (int i = 0; i < 20; ++i) {
        const QString number = entries.at(random.bounded(entries.size())).telefon;
        QString run = number.mid(random.bounded(qMax(1, number.size() - 3)), 3 + random.bounded(5));
        searches << run;
        std::reverse(run.begin(), run.end());
        searches << run;
    }
    // A pattern with a part too long to be matched on the bytes as they lie.
    for (const Entry &entry : entries)
        if (entry.mail.size() > 40 && !entry.mail.contains(QLatin1Char(' '))) {
            searches << QLatin1Char('_') + entry.mail.mid(1, 39);
            break;
        }
    return searches + generatedHostileTexts().mid(0, 40);
}

// The ids the window lists, in its order, the whole list read.
QVector<qint64> listedIds(QWidget *window)
{
    QVector<qint64> ids;
    for (int row = 0; row < wholeList(window)->rowCount(); ++row)
        ids << listModel(window)->index(row, 0).data().toLongLong();
    return ids;
}

// These ids as a list sorted by name A–Z (or Z–A) shows them, the order built afresh.
QVector<qint64> sortedByName(const QVector<Entry> &entries, const QVector<qint64> &ids,
                             Qt::SortOrder direction = Qt::AscendingOrder)
{
    QMap<qint64, QString> names;
    QVector<QPair<qint64, QString>> pairs;
    for (const Entry &entry : entries) {
        names.insert(entry.id, entry.adsoyad);
        pairs.append({entry.id, entry.adsoyad});
    }
    ListOrder afresh(EntryColumn::Name, direction, [&names](qint64 id) { return names.value(id); });
    afresh.build(pairs);
    return afresh.arrange(ids);
}

void sortByName(QWidget *window)
{
    emit window->findChild<QTableView *>("tbl_liste")->horizontalHeader()->sectionClicked(1);
}

void fillBook(const SideConnection &side, QRandomGenerator &random, int count)
{
    const QStringList names = {"Şule",  "Çağlar", "ılgın",  "IŞIK",   "İbrahim", "Güneş", "José",
                               "Ñúñez", "Ǖmit",   "ayşe",   "Yılmaz", "Ali",     "Veli",  "O'Brien",
                               "%50",   "_x_",    "Öztürk", "ÂŞIK",   "ǺRE",     "ß"};
    const QStringList hostile = generatedHostileTexts();
    side.exec("BEGIN");
    for (int i = 0; i < count; ++i) {
        const auto pick = [&random](const QStringList &from) {
            return from.at(random.bounded(from.size()));
        };
        const auto maybeNull = [&random](const QString &text) {
            return random.bounded(10) == 0 ? QVariant() : QVariant(text);
        };
        const QString name =
            random.bounded(20) == 0 ? pick(hostile).left(200) : pick(names) + ' ' + pick(names);
        const QString number =
            QStringList({"0532 111 22 33", "+90 532 111", "0090 212 555", "(0312) 444-55-66", "",
                         "5", QString::number(random.bounded(1000000, 9999999))})
                .at(random.bounded(7));
        side.insert(maybeNull(name), maybeNull(number), maybeNull(pick({"05", "+90 505 1", ""})),
                    maybeNull(pick(names).toLower() + "@ornek.com.tr"));
    }
    // Fewer characters than bytes, and no mail: what "___" must tell apart. A word longer
    // than a pattern matched on the bytes as they lie may be.
    side.insert("日本", QVariant(), QVariant(), QVariant());
    side.insert("Muhammedabdurrahmangazisultanoğullarıncaşükrü Bey", QVariant(), QVariant(),
                QVariant());
    side.exec("COMMIT");
}

} // namespace

class IndexTest : public QObject
{
    Q_OBJECT

private slots:
    void bytesAreFoundWhereANaiveSearchFindsThem();
    void indexListsWhatTheStoreAndTheReferenceList();
    void anotherProgramsChangesAreTakenInAlone();
    void fewChangesElsewhereAreTakenInAtOnceAndManyBesideTheIndex();
    void aBusyBookIsIndexedAndMissesNoChange();
    void listPagesThroughAHundredThousandMatches();
    void orderKeptThroughChangesIsTheOrderBuiltAfresh();
    void windowSearchesBeforeTheIndexIsReadyAndAfterChangesElsewhere();
    void aLargeBookIsSortedOnAThreadOfItsOwn();
    void patternsFindWhatTheReferenceFinds();
};

void IndexTest::bytesAreFoundWhereANaiveSearchFindsThem()
{
    QRandomGenerator random(5);
    QVector<ByteBlocks> blocks = {ByteBlocks::Sse2};
    if (__builtin_cpu_supports("avx2"))
        blocks << ByteBlocks::Avx2;
    // Few letters, so that both compared bytes often agree where the rest does not; some
    // bytes compared in part, as a number key's halves are.
    for (int round = 0; round < 20000; ++round) {
        std::string text(std::size_t(random.bounded(100)), ' ');
        for (char &c : text)
            c = "abc\xFE\x12\x21"[random.bounded(6)];
        BytePattern pattern;
        for (int i = 1 + random.bounded(6); i > 0; --i) {
            const char mask = "\xFF\xFF\xF0\x0F\x00"[random.bounded(5)];
            pattern.masks += mask;
            pattern.values += char("abc\x12\x21"[random.bounded(5)] & mask);
        }
        pattern.one = std::size_t(random.bounded(int(pattern.values.size())));
        pattern.other = std::size_t(random.bounded(int(pattern.values.size())));
        const auto from = std::size_t(random.bounded(int(text.size()) + 1));
        const char *expected = nullptr;
        for (std::size_t at = from; !expected && at + pattern.values.size() <= text.size(); ++at) {
            bool lies = true;
            for (std::size_t i = 0; i < pattern.values.size(); ++i)
                lies = lies && (text[at + i] & pattern.masks[i]) == pattern.values[i];
            expected = lies ? text.data() + at : nullptr;
        }
        for (const ByteBlocks block : blocks)
            QCOMPARE(findBytesIn(block, text.data() + from, text.data() + text.size(), pattern),
                     expected);
    }
}

void IndexTest::indexListsWhatTheStoreAndTheReferenceList()
{
    QRandomGenerator random(20261207);
    const BookFixture book([&random](const SideConnection &seed) { fillBook(seed, random, 600); });
    QCOMPARE(book.opening, PhoneBookOpening::Opened);
    const SideConnection &side = book.side;

    // Searched in two halves, as a large book is. An entry that grows takes the room to
    // spare after a near one, or, in a book with none, moves the rest.
    SearchIndex index(2, 16), roomless(2, std::size_t(-1));
    for (const Entry &entry : storedEntries(side)) {
        index.append(entry);
        roomless.append(entry);
    }
    for (int round = 0; round < 3; ++round) {
        const QVector<Entry> entries = storedEntries(side);
        QCOMPARE(index.size(), entries.size());
        for (const QString &search : searchesFor(entries, random)) {
            const QVector<qint64> expected = referenceIds(entries, search);
            QVERIFY2(index.search(search) == expected, qPrintable(search.left(80)));
            QVERIFY2(roomless.search(search) == expected, qPrintable(search.left(80)));
            const QString halfAnEmoji = search + QString(QChar(0xD83D));
            QVERIFY2(index.search(halfAnEmoji) == expected, qPrintable(search.left(80)));
            QVERIFY2(searchIds(search) == expected, qPrintable(search.left(80)));
        }
        // Changes as this program makes them, put into the index one by one; an undo puts a
        // deleted entry back in its place, under its own id.
        QMap<qint64, Entry> deleted;
        for (int i = 0; i < 40; ++i) {
            const Entry &target = entries.at(random.bounded(entries.size()));
            const int change = random.bounded(4);
            if (deleted.contains(target.id))
                continue;
            if (change == 0) {
                side.exec(QStringLiteral("DELETE FROM TELEFON WHERE id=%1").arg(target.id));
                index.forget(target.id);
                roomless.forget(target.id);
                deleted.insert(target.id, target);
            } else if (change == 3 && !deleted.isEmpty()) {
                const Entry back = deleted.take(deleted.firstKey());
                QSqlQuery restore(side.db());
                restore.prepare("INSERT INTO TELEFON (id, adsoyad, telefon, cep, mail) "
                                "VALUES (?, ?, ?, ?, ?)");
                restore.addBindValue(back.id);
                for (const QString *text : {&back.adsoyad, &back.telefon, &back.cep, &back.mail})
                    restore.addBindValue(text->isNull() ? QVariant() : QVariant(*text));
                QVERIFY(restore.exec());
                index.place(back);
                roomless.place(back);
            } else if (change != 3) {
                Entry changed = target;
                changed.adsoyad = change == 1 ? QStringLiteral("Değişen Ğ %1").arg(i) : QString();
                changed.mail = QStringLiteral("yeni%1@celik.net").arg(i);
                // Numbers that grow and shrink move the keys as names move the texts.
                changed.telefon = QStringLiteral("0532 %1").arg(qint64(i) * i * i * i);
                QSqlQuery update(side.db());
                update.prepare("UPDATE TELEFON SET adsoyad=?, mail=?, telefon=? WHERE id=?");
                update.addBindValue(changed.adsoyad.isNull() ? QVariant() : changed.adsoyad);
                update.addBindValue(changed.mail);
                update.addBindValue(changed.telefon);
                update.addBindValue(changed.id);
                QVERIFY(update.exec());
                index.place(changed);
                roomless.place(changed);
            }
        }
        const qint64 added = side.insert("Yeni Eklenen", "0555 000", "", "");
        index.place(storedEntries(side).last());
        roomless.place(storedEntries(side).last());
        QCOMPARE(index.allIds().last(), added);
    }
    closePhoneBook();
}

void IndexTest::anotherProgramsChangesAreTakenInAlone()
{
    QRandomGenerator random(20261208);
    const BookFixture book([&random](const SideConnection &seed) { fillBook(seed, random, 400); });
    QCOMPARE(book.opening, PhoneBookOpening::Opened);
    const SideConnection &side = book.side;
    PhoneBookIndex index;
    QSet<qint64> reported, reportedGone;
    bool whole = true;
    connect(&index, &PhoneBookIndex::changesFound,
            [&](const QVector<Entry> &present, const QVector<qint64> &gone, bool all) {
                for (const Entry &entry : present)
                    reported << entry.id;
                for (const qint64 id : gone)
                    reportedGone << id;
                whole = all;
            });
    index.rebuild();
    QVERIFY(QTest::qWaitFor([&index] { return index.ready(); }, 30000));
    for (int round = 0; round < 3; ++round) {
        QMap<qint64, Entry> before;
        for (const Entry &entry : storedEntries(side))
            before.insert(entry.id, entry);
        // A NULL made empty changes nothing a plain search sees, but a pattern's answer.
        side.exec(QStringLiteral("UPDATE TELEFON SET mail='' WHERE mail IS NULL AND id % 3 = %1")
                      .arg(round));
        side.exec(
            QStringLiteral("UPDATE TELEFON SET adsoyad='Başka %1' WHERE id % 17 = %1").arg(round));
        side.exec(QStringLiteral("DELETE FROM TELEFON WHERE id % 23 = %1").arg(round));
        side.insert("Şule Eklenen", "0532 999", QVariant(), "");
        // This program's own save while the book is read again, of an entry the other
        // program changed too: newer than whatever the reading saw.
        Entry own = {0, QStringLiteral("Kendi Kaydım"), "0212", "", ""};
        for (const Entry &entry : storedEntries(side))
            if (entry.id % 17 == round && own.id == 0)
                own.id = entry.id;
        reported.clear();
        reportedGone.clear();
        QVERIFY(index.refresh());
        // Read by revision, beside the index: it answers on with what it held.
        QVERIFY(index.readingChanges());
        QVERIFY(index.ready());
        QCOMPARE(index.ready()->search(QStringLiteral("a")),
                 referenceIds(QVector<Entry>(before.cbegin(), before.cend()), "a"));
        side.exec(QStringLiteral("UPDATE TELEFON SET adsoyad='Kendi Kaydım', telefon='0212', "
                                 "cep='', mail='' WHERE id=%1")
                      .arg(own.id));
        index.place(own);
        QVERIFY(QTest::qWaitFor([&index] { return !index.readingChanges(); }, 30000));

        const QVector<Entry> after = storedEntries(side);
        QSet<qint64> changed, gone = QSet<qint64>(before.keyBegin(), before.keyEnd());
        for (const Entry &entry : after) {
            gone.remove(entry.id);
            const Entry was = before.value(entry.id);
            if (!before.contains(entry.id) || was.adsoyad != entry.adsoyad ||
                was.adsoyad.isNull() != entry.adsoyad.isNull() || was.mail != entry.mail ||
                was.mail.isNull() != entry.mail.isNull())
                changed << entry.id;
        }
        changed.remove(own.id);
        QVERIFY(!whole);
        QCOMPARE(reported, changed);
        QCOMPARE(reportedGone, gone);
        for (const QString &search : searchesFor(after, random))
            QVERIFY2(index.ready()->search(search) == referenceIds(after, search),
                     qPrintable(search.left(80)));
    }
    index.stop();
    closePhoneBook();
}

void IndexTest::fewChangesElsewhereAreTakenInAtOnceAndManyBesideTheIndex()
{
    QRandomGenerator random(20261209);
    const BookFixture book([&random](const SideConnection &seed) { fillBook(seed, random, 200); });
    QCOMPARE(book.opening, PhoneBookOpening::Opened);
    const SideConnection &side = book.side;
    PhoneBookIndex index;
    QSet<qint64> present, gone;
    int reports = 0;
    bool whole = true;
    connect(&index, &PhoneBookIndex::changesFound,
            [&](const QVector<Entry> &changed, const QVector<qint64> &deleted, bool all) {
                ++reports;
                present.clear();
                for (const Entry &entry : changed)
                    present << entry.id;
                gone = QSet<qint64>(deleted.cbegin(), deleted.cend());
                whole = all;
            });
    index.rebuild();
    QVERIFY(QTest::qWaitFor([&index] { return index.ready(); }, 30000));
    const auto answersAsStored = [&](const QVector<Entry> &entries) {
        for (const char *search : {"a", "%", "şükrü", "toplu", "0212 1", "kendi"})
            if (index.ready()->search(search) != referenceIds(entries, QString::fromUtf8(search)))
                return false;
        return true;
    };

    // This desk's own save, then a colleague's save and the delete of the highest id, that
    // one: taken in before refresh returns, the own save not reported again.
    Entry own{0, QStringLiteral("Kendi Kaydım"), QStringLiteral("0212 1"), "", ""};
    QCOMPARE(addEntry(own).outcome, ChangeOutcome::Done);
    index.place(own);
    const qint64 first = storedEntries(side).first().id;
    side.exec(QStringLiteral("UPDATE TELEFON SET adsoyad='Şükrü Başka' WHERE id=%1").arg(first));
    side.exec(QStringLiteral("DELETE FROM TELEFON WHERE id=%1").arg(own.id));
    QVERIFY(index.refresh());
    QCOMPARE(reports, 1);
    QCOMPARE(present, QSet<qint64>{first});
    QCOMPARE(gone, QSet<qint64>{own.id});
    QVERIFY(!whole);
    QVERIFY(!index.readingChanges());
    QVERIFY(answersAsStored(storedEntries(side)));

    // An import of many: read on a thread while the index answers as before it.
    const QVector<Entry> beforeImport = storedEntries(side);
    const auto import = [&side](int count) {
        side.exec(insertNumberedRows(count, "adsoyad, telefon", "'Toplu ' || i, '0212 ' || i"));
    };
    import(100);
    reports = 0;
    QVERIFY(index.refresh());
    QVERIFY(answersAsStored(beforeImport));
    QVERIFY(QTest::qWaitFor([&] { return reports == 1; }, 30000));
    QCOMPARE(present.size(), 100);
    QVERIFY(gone.isEmpty());
    QVERIFY(answersAsStored(storedEntries(side)));

    // More than the log is read for: the book is compared whole, and the revision it read
    // still lets the next colleague's save be taken in at once.
    import(70000);
    reports = 0;
    QVERIFY(index.refresh());
    QVERIFY(QTest::qWaitFor([&] { return reports == 1; }, 60000));
    QVERIFY(whole);
    QVERIFY(answersAsStored(storedEntries(side)));
    side.exec(QStringLiteral("UPDATE TELEFON SET adsoyad='Şükrü Yine' WHERE id=%1").arg(first));
    reports = 0;
    QVERIFY(index.refresh());
    QCOMPARE(reports, 1);
    QCOMPARE(present, QSet<qint64>{first});
    QVERIFY(answersAsStored(storedEntries(side)));
    index.stop();
    closePhoneBook();
}

void IndexTest::aBusyBookIsIndexedAndMissesNoChange()
{
    QRandomGenerator random(20261209);
    const BookFixture book([&random](const SideConnection &seed) {
        fillBook(seed, random, 100);
        seed.exec(insertNumberedRows(30000, "adsoyad, telefon", "'Toplu ' || i, '0212 ' || i"));
    });
    QCOMPARE(book.opening, PhoneBookOpening::Opened);
    const SideConnection &side = book.side;
    PhoneBookIndex index;
    // A colleague saves the highest entry again and again while the book is read: each
    // change is read after the reading, which is not begun again for it.
    const qint64 highest = storedEntries(side).last().id;
    int saves = 0;
    index.rebuild();
    QVERIFY(QTest::qWaitFor(
        [&] {
            if (index.ready())
                return true;
            side.exec(QStringLiteral("UPDATE TELEFON SET adsoyad='Meşgul %1' WHERE id=%2")
                          .arg(++saves)
                          .arg(highest));
            index.refresh();
            return false;
        },
        60000));
    QVERIFY(QTest::qWaitFor([&index] { return index.ready() && !index.readingChanges(); }, 30000));
    const QVector<Entry> entries = storedEntries(side);
    QVERIFY(saves > 1);
    QVERIFY(index.ready()->holds(entries.last()));
    for (const char *search : {"meşgul", "toplu 2999", "a", "%"})
        QCOMPARE(index.ready()->search(QString::fromUtf8(search)),
                 referenceIds(entries, QString::fromUtf8(search)));
    index.stop();
    closePhoneBook();
}

void IndexTest::listPagesThroughAHundredThousandMatches()
{
    const BookFixture book([](const SideConnection &seed) {
        seed.exec(insertNumberedRows(100000, "adsoyad, telefon, cep, mail",
                                     "'Kişi ' || i, '0212 ' || i, NULL, ''"));
    });
    QCOMPARE(book.opening, PhoneBookOpening::Opened);
    const SideConnection &side = book.side;
    PhoneBookListModel model;
    const QVector<qint64> ids = searchIds(QStringLiteral("kisi"));
    QCOMPARE(ids.size(), 100000);
    model.show(ids);
    QCOMPARE(model.rowCount(), 100000);
    for (const int row : {99999, 0, 50000, 99744, 256, 255})
        QCOMPARE(model.index(row, 1).data().toString(), QStringLiteral("Kişi %1").arg(row + 1));
    QCOMPARE(model.index(99999, 2).data().toString(), QStringLiteral("0212 100000"));
    QVERIFY(model.index(99999, 3).data().isNull());
    QCOMPARE(model.index(99999, 0).data().toLongLong(), Q_INT64_C(100000));
    // Read a chunk at a time: rows appended after a page was read show their own values,
    // the last page's partial one too.
    model.show(ids.mid(0, 100));
    QCOMPARE(model.index(99, 1).data().toString(), QStringLiteral("Kişi 100"));
    model.append(ids.mid(100, 300));
    for (const int row : {99, 100, 127, 399})
        QCOMPARE(model.index(row, 1).data().toString(), QStringLiteral("Kişi %1").arg(row + 1));
    QCOMPARE(model.index(399, 2).data().toString(), QStringLiteral("0212 400"));
    // No statement stays open: another connection may write at once.
    side.exec("DELETE FROM TELEFON WHERE id=1");
    closePhoneBook();
}

void IndexTest::orderKeptThroughChangesIsTheOrderBuiltAfresh()
{
    QRandomGenerator random(11);
    const QStringList values = {"Şule",      "şule",  "Sule", "Çağ", "cağ", "",
                                " ",         "ılgın", "Işık", "İz",  "iz",  "0532 1",
                                "+90 532 1", "0212",  "Zeki", "ali"};
    // A small book moves entries by one pass over the ranks; a larger one, where an entry
    // moves past few others, by looking those up.
    for (const auto &[column, count] :
         {std::pair{EntryColumn::Name, 60}, std::pair{EntryColumn::Phone, 60},
          std::pair{EntryColumn::Name, 1500}}) {
        // In the larger book an entry mostly changes to a value next to its own.
        const bool nearby = count > 100;
        const auto person = [](int number) {
            return QStringLiteral("Kişi %1").arg(std::clamp(number, 0, 999), 4, 10,
                                                 QLatin1Char('0'));
        };
        QMap<qint64, QString> stored;
        for (qint64 id = 1; id <= count; ++id)
            stored.insert(id * 3, nearby ? person(random.bounded(1000))
                                         : values.at(random.bounded(values.size())));
        const auto valueOf = [&stored](qint64 id) { return stored.value(id); };
        const auto pairs = [&stored] {
            QVector<QPair<qint64, QString>> all;
            for (auto it = stored.cbegin(); it != stored.cend(); ++it)
                all.append({it.key(), it.value()});
            return all;
        };
        ListOrder kept(column, Qt::AscendingOrder, valueOf);
        // As a server may answer, in no order.
        QVector<QPair<qint64, QString>> unordered = pairs();
        std::shuffle(unordered.begin(), unordered.end(), random);
        kept.build(unordered);
        for (int step = 0; step < 300; ++step) {
            const qint64 id = 3 * (1 + random.bounded(count + 10));
            const int change = random.bounded(5);
            if (change == 0) {
                stored.remove(id);
                kept.forget(id);
            } else if (change == 1) {
                kept.reverse();
            } else {
                Entry entry;
                entry.id = id;
                const QString was = stored.value(id);
                entry.adsoyad = entry.telefon =
                    nearby && was.startsWith(QStringLiteral("Kişi")) && step % 9 != 0
                        ? person(was.mid(5).toInt() + random.bounded(-3, 4))
                        : values.at(random.bounded(values.size()));
                stored.insert(id, entry.adsoyad);
                kept.place(entry);
            }
            ListOrder afresh(column, kept.direction(), valueOf);
            afresh.build(pairs());
            const QVector<qint64> everyId = stored.keys().toVector();
            QCOMPARE(kept.arrange(everyId), afresh.arrange(everyId));
            // What a search marks over the index's ids: the order's own, shared or not, or
            // with one it has not been told of yet.
            QVector<qint64> over = everyId;
            if (step % 3 == 0)
                over << 1000 + step;
            if (step % 2 == 0)
                kept.shareIds(over);
            std::vector<std::uint64_t> marks(std::size_t(over.size() + 63) / 64);
            QVector<qint64> picked;
            for (int i = 0; i < over.size(); ++i)
                if (step % 5 == 0 || random.bounded(3) != 0) {
                    marks[std::size_t(i / 64)] |= std::uint64_t(1) << i % 64;
                    picked << over.at(i);
                }
            QCOMPARE(kept.arrange(marks, over), afresh.arrange(picked));
        }
    }
}

void IndexTest::windowSearchesBeforeTheIndexIsReadyAndAfterChangesElsewhere()
{
    QRandomGenerator random(7);
    WindowFixture fixture([&random](const SideConnection &seed) { fillBook(seed, random, 300); });
    MainWindow *window = fixture.window.get();
    auto *index = window->findChild<PhoneBookIndex *>();
    QVERIFY(index);
    const QStringList searches = {"şule", "ali veli", "0532", "%"};
    // Before the index is ready (the event loop has not run yet), the store answers.
    QVERIFY(!index->ready());
    for (const QString &search : searches) {
        typeInto(window, "txt_ara", search);
        QCOMPARE(listedIds(window), referenceIds(storedEntries(fixture.side), search));
    }
    const auto indexReady = [index] {
        return QTest::qWaitFor([index] { return index->ready(); }, 30000);
    };
    QVERIFY(indexReady());
    for (int round = 0; round < 2; ++round) {
        for (const QString &search : searches) {
            typeInto(window, "txt_ara", search);
            QCOMPARE(listedIds(window), referenceIds(storedEntries(fixture.side), search));
        }
        // Another program's changes: the index reads what changed, the store answers
        // meanwhile; the second time the list is sorted by name, and its order follows.
        if (round == 1)
            sortByName(window);
        fixture.side.exec(
            QStringLiteral("UPDATE TELEFON SET adsoyad='Ali Veli %1' WHERE id % 7 = 0").arg(round));
        fixture.side.exec(QStringLiteral("DELETE FROM TELEFON WHERE id % 11 = %1").arg(round));
        fixture.side.insert("Şule Yeni", "0532 999", "", "");
        // The highest ids gone, and a number alone changed: found by it, not by the old one.
        const QVector<Entry> seen = storedEntries(fixture.side);
        fixture.side.exec(
            QStringLiteral("DELETE FROM TELEFON WHERE id >= %1").arg(seen.at(seen.size() - 3).id));
        fixture.side.exec(QStringLiteral("UPDATE TELEFON SET telefon='0216 765 43 2%1' WHERE id=%2")
                              .arg(round)
                              .arg(seen.first().id));
        QVERIFY(indexReady());
        const QVector<Entry> entries = storedEntries(fixture.side);
        for (const QString &search :
             {QStringLiteral("şule"), QStringLiteral("%"), QStringLiteral("a"),
              QStringLiteral("0216 765 43 2%1").arg(round), seen.first().telefon}) {
            typeInto(window, "txt_ara", search);
            QVector<qint64> expected = referenceIds(entries, search);
            if (round == 1)
                expected = sortedByName(entries, expected);
            QVERIFY2(QTest::qWaitFor([&] { return listedIds(window) == expected; }, 30000),
                     qPrintable(search));
        }
    }
}

void IndexTest::aLargeBookIsSortedOnAThreadOfItsOwn()
{
    // More entries than are sorted at once, with names in every order of Turkish letters.
    WindowFixture fixture([](const SideConnection &seed) {
        seed.exec(insertNumberedRows(
            30000, "adsoyad, telefon, cep, mail",
            "CASE i % 6 WHEN 0 THEN 'Çağ ' WHEN 1 THEN 'cem ' WHEN 2 THEN 'Işık ' WHEN 3 THEN "
            "'iz ' WHEN 4 THEN 'İz ' ELSE '' END || (i * 7919 % 30011), '0532 ' || i, NULL, NULL"));
    });
    MainWindow *window = fixture.window.get();
    sortByName(window);
    const QVector<Entry> entries = storedEntries(fixture.side);
    QCOMPARE(entries.size(), 30000);
    QCOMPARE(listedIds(window), sortedByName(entries, idsOf(entries)));
    // Another program's changes, too many to move one by one, are sorted in on a thread of
    // their own; this window's own save meanwhile (before or after that thread reads) is
    // in the order that thread hands over.
    fixture.side.exec("UPDATE TELEFON SET adsoyad = 'Ömer ' || id WHERE id % 40 = 0");
    fixture.side.exec("DELETE FROM TELEFON WHERE id % 45 = 1");
    typeInto(window, "txt_ara", "z");
    click(window, "btn_yeni");
    typeInto(window, "txt_adsoyad", "Zz İz Yeni");
    QCOMPARE(pressSave(window).text, QStringLiteral("Kaydedildi"));
    // The save lists every entry.
    const QVector<Entry> after = storedEntries(fixture.side);
    const QVector<qint64> expected = sortedByName(after, idsOf(after));
    QVERIFY(QTest::qWaitFor([&] { return listedIds(window) == expected; }, 30000));
    // Turned Z–A while such changes are sorted in (or after): the list is Z–A.
    fixture.side.exec("UPDATE TELEFON SET adsoyad = 'Cem ' || id WHERE id % 37 = 0");
    typeInto(window, "txt_ara", "");
    sortByName(window);
    const QVector<Entry> turned = storedEntries(fixture.side);
    const QVector<qint64> descending = sortedByName(turned, idsOf(turned), Qt::DescendingOrder);
    QVERIFY(QTest::qWaitFor([&] { return listedIds(window) == descending; }, 30000));
    sortByName(window);
    // Own changes are put into what the thread hands over, whenever it read: an entry that
    // never reached the file is there, one deleted is not.
    const Entry unsaved{turned.last().id + 1, "Aaa Kaydedilmemiş", {}, {}, {}};
    QMap<qint64, QString> names = {{unsaved.id, unsaved.adsoyad}};
    for (const Entry &entry : turned)
        names.insert(entry.id, entry.adsoyad);
    OrderRebuild rebuild;
    std::unique_ptr<ListOrder> handed;
    int handedOver = 0;
    const auto startRebuild = [&](Qt::SortOrder direction) {
        rebuild.start(
            bookAddress(), EntryColumn::Name, direction,
            [&names](qint64 id) { return names.value(id); },
            [&](std::unique_ptr<ListOrder> built) {
                handed = std::move(built);
                ++handedOver;
            });
    };
    // Started again at once, only the second build is handed over.
    startRebuild(Qt::DescendingOrder);
    startRebuild(Qt::AscendingOrder);
    rebuild.noteOwnChange({unsaved}, {turned.first().id});
    QVERIFY(QTest::qWaitFor([&handed] { return handed != nullptr; }, 30000));
    const QVector<Entry> kept = turned.mid(1) + QVector<Entry>{unsaved};
    QCOMPARE(handed->size(), std::size_t(kept.size()));
    QCOMPARE(handed->arrange(idsOf(kept)), sortedByName(kept, idsOf(kept)));
    // Stopped, nothing is: what the stopped thread sent back is waiting now, and dropped.
    startRebuild(Qt::AscendingOrder);
    rebuild.stop();
    QCoreApplication::processEvents();
    QCOMPARE(handedOver, 1);
    // Stopped while reading, or on a book that cannot be read, nothing is ordered.
    ListOrder unread(EntryColumn::Name, Qt::AscendingOrder, {});
    QVERIFY(!buildFromBook(unread, bookAddress(), [](qint64, qint64) { return false; }));
    BookAddress missing = bookAddress();
    missing.database += QStringLiteral("-yok");
    QVERIFY(!buildFromBook(unread, missing, [](qint64, qint64) { return true; }));
    QCOMPARE(unread.size(), std::size_t(0));
}

void IndexTest::patternsFindWhatTheReferenceFinds()
{
    // Short texts of a few letters one to four bytes long once folded, so that a _ stands
    // for characters of every width and a pattern nearly matches almost everywhere.
    const QStringList letters = {"a", "ş", "I", "日", "😀", "\u212B"};
    QRandomGenerator random(11);
    const auto textOf = [&](int longest, const QStringList &extra) {
        const QStringList from = letters + extra;
        QString text;
        for (int n = random.bounded(longest + 1); n > 0; --n)
            text += from.at(random.bounded(from.size()));
        return text;
    };
    SearchIndex index(2);
    QVector<Entry> entries;
    for (qint64 id = 1; id <= 300; ++id) {
        entries.append({id, textOf(8, {}), {}, {}, random.bounded(3) ? textOf(5, {}) : QString()});
        index.append(entries.last());
    }
    for (int i = 0; i < 1500; ++i) {
        const QString pattern = textOf(7, {"%", "_", "_"});
        QVERIFY2(index.search(pattern) == referenceIds(entries, pattern), qPrintable(pattern));
    }
}

QTEST_MAIN(IndexTest)
#include "tst_index.moc"
