// The same person in the book and in a file, or twice in the book: which records are one
// person, how one completes the other, the one transaction that applies it and the one
// that takes it back.
#include "exchange/duplicates.h"
#include "exchange/importer.h"
#include "store/entrieschange.h"
#include "store/phonebookdb.h"

#include "testsupport.h"

#include <QTest>

namespace
{

// "name|phone|mobile|mail", and after " +" the numbers a file gave beyond two.
Contact contactOf(const QString &row)
{
    const QStringList extra = row.split(QStringLiteral(" +"));
    const QStringList fields = extra.first().split('|');
    return {fields.value(0), fields.value(1), fields.value(2), fields.value(3),
            extra.mid(1).isEmpty() ? QStringList() : extra.at(1).split(',')};
}

QString rowOf(const Entry &entry)
{
    return QStringList({entry.adsoyad, entry.telefon, entry.cep, entry.mail}).join('|');
}

QStringList rowsOf(const QVector<Entry> &entries)
{
    QStringList rows;
    for (const Entry &entry : entries)
        rows << rowOf(entry);
    return rows;
}

QStringList rowsOf(const QVector<Contact> &contacts)
{
    QStringList rows;
    for (const Contact &contact : contacts)
        rows
            << QStringList({contact.adsoyad, contact.telefon, contact.cep, contact.mail}).join('|');
    return rows;
}

void fill(const QStringList &rows)
{
    EntriesChange seed;
    for (const QString &row : rows) {
        const Contact contact = contactOf(row);
        seed.inserted << Entry{0, contact.adsoyad, contact.telefon, contact.cep, contact.mail};
    }
    if (applyEntriesChange(seed).outcome != ChangeOutcome::Done)
        qFatal("the book cannot be filled");
}

} // namespace

class MergingTest : public QObject
{
    Q_OBJECT

private slots:
    void importCompletesTheSamePerson_data();
    void importCompletesTheSamePerson();
    void duplicatesMergeIntoTheOldest_data();
    void duplicatesMergeIntoTheOldest();
    void aChangeMadeElsewhereIsNotOverwritten();
};

void MergingTest::importCompletesTheSamePerson_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("incoming");
    // The book after the import, in the order of the ids.
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<int>("completed");
    QTest::addColumn<int>("unchanged");
    QTest::addColumn<int>("repeated");
    QTest::addColumn<QStringList>("details");

    QTest::newRow("same mail, other case: the empty mobile filled, the other phone left out")
        << QStringList({"İbrahim Güneş|0216 222 77 88||ibrahim@ornek.com.tr"})
        << QStringList({"IBRAHIM GUNES|0212 999 00 11|0532 444 55 66|Ibrahim@Ornek.com.tr"})
        << QStringList({"İbrahim Güneş|0216 222 77 88|0532 444 55 66|ibrahim@ornek.com.tr"}) << 1
        << 0 << 0
        << QStringList({"İbrahim Güneş — tamamlanan: cep 0532 444 55 66",
                        "İbrahim Güneş — sığmayan numara: 0212 999 00 11"});
    QTest::newRow("folded name and the same number in another notation")
        << QStringList({"Şule Çağlar||+90 532 111 22 33|"})
        << QStringList({"sule caglar|0232 333 66 77|0532 1112233|sule@ornek.com.tr"})
        << QStringList({"Şule Çağlar|0232 333 66 77|+90 532 111 22 33|sule@ornek.com.tr"}) << 1 << 0
        << 0
        << QStringList(
               {"Şule Çağlar — tamamlanan: telefon 0232 333 66 77, mail sule@ornek.com.tr"});
    QTest::newRow("the same name without a common number is someone else")
        << QStringList({"Ali Veli|0212 000 11 22||"}) << QStringList({"Ali Veli|0216 000 11 22||"})
        << QStringList({"Ali Veli|0212 000 11 22||", "Ali Veli|0216 000 11 22||"}) << 0 << 0 << 0
        << QStringList();
    QTest::newRow("the same number under another name is someone else")
        << QStringList({"Ali Veli||0532 000 00 00|"}) << QStringList({"Ayşe Veli||0532 000 00 00|"})
        << QStringList({"Ali Veli||0532 000 00 00|", "Ayşe Veli||0532 000 00 00|"}) << 0 << 0 << 0
        << QStringList();
    QTest::newRow("found, nothing to add; a name alone is no one known")
        << QStringList({"Ömer Çelik||0555 123 45 67|", "Ali Veli|1||"})
        << QStringList({"ÖMER ÇELİK||0555 123 45 67|", "Ali Veli|1||", "Ömer Çelik|||"})
        << QStringList({"Ömer Çelik||0555 123 45 67|", "Ali Veli|1||", "Ömer Çelik|||"}) << 0 << 2
        << 0 << QStringList();
    QTest::newRow("a different mail: the entry's stay; a shared mail under another name is "
                  "someone else")
        << QStringList({"Ayşe Yılmaz|0212 1||ayse@a.com", "Ayşe Kaya|||kaya@b.com"})
        << QStringList({"Ayşe Yılmaz|0212 1||ayse@b.com", "Ayşe Yılmaz Kaya|||KAYA@b.com"})
        << QStringList({"Ayşe Yılmaz|0212 1||ayse@a.com", "Ayşe Kaya|||kaya@b.com",
                        "Ayşe Yılmaz Kaya|||KAYA@b.com"})
        << 0 << 1 << 0 << QStringList({"Ayşe Yılmaz — farklı, defterdeki kaldı: mail ayse@b.com"});
    QTest::newRow("an office's shared mail completes no colleague, in the book or the file")
        << QStringList({"Ali Veli|0212 1||info@firma.com.tr"})
        << QStringList({"Ayşe Kaya|0212 9||INFO@firma.com.tr", "Can Er|||info@firma.com.tr",
                        "ali veli||0532 4|info@firma.com.tr"})
        << QStringList({"Ali Veli|0212 1|0532 4|info@firma.com.tr",
                        "Ayşe Kaya|0212 9||INFO@firma.com.tr", "Can Er|||info@firma.com.tr"})
        << 1 << 0 << 0 << QStringList({"Ali Veli — tamamlanan: cep 0532 4"});
    QTest::newRow("one person twice in the file: one new entry")
        << QStringList()
        << QStringList({"Gökçe Işık||0532 9|", "GÖKÇE IŞIK|0212 4|+90 532 9|g@x.com"})
        << QStringList({"Gökçe Işık|0212 4|0532 9|g@x.com"}) << 0 << 0 << 1 << QStringList();
    QTest::newRow("a third number fills an empty phone, a fourth fits nowhere")
        << QStringList({"Ümit Öz||0505 1|"}) << QStringList({"Ümit Öz||0505 1| +0312 7,0216 8"})
        << QStringList({"Ümit Öz|0312 7|0505 1|"}) << 1 << 0 << 0
        << QStringList(
               {"Ümit Öz — tamamlanan: telefon 0312 7", "Ümit Öz — sığmayan numara: 0216 8"});
    QTest::newRow("a new person's third number is named")
        << QStringList() << QStringList({"Can Er|0212 1|0532 2| +0216 3"})
        << QStringList({"Can Er|0212 1|0532 2|"}) << 0 << 0 << 0
        << QStringList({"Can Er — sığmayan numara: 0216 3"});
}

void MergingTest::importCompletesTheSamePerson()
{
    QFETCH(QStringList, entries);
    QFETCH(QStringList, incoming);
    QFETCH(QStringList, after);
    QFETCH(int, completed);
    QFETCH(int, unchanged);
    QFETCH(int, repeated);
    QFETCH(QStringList, details);
    WorkingDirectory cwd;
    QCOMPARE(openPhoneBook(), PhoneBookOpening::Opened);
    fill(entries);
    const QVector<Entry> before = wholeBook();
    ContactFile file;
    for (const QString &row : incoming)
        file.contacts << contactOf(row);

    const ImportPlan plan = planImport(phoneBookDb, file);
    QCOMPARE(plan.found, incoming.size());
    QCOMPARE(plan.completed.size(), completed);
    QCOMPARE(plan.unchanged, unchanged);
    QCOMPARE(plan.repeated, repeated);
    QCOMPARE(plan.details, details);
    QCOMPARE(entries.size() + plan.fresh.size(), after.size());
    QCOMPARE(rowsOf(plan.fresh), after.mid(entries.size()));

    QString error;
    EntriesChange applied;
    QVERIFY2(runImport(plan, error, {}, &applied), qPrintable(error));
    QCOMPARE(rowsOf(wholeBook()), after);
    QCOMPARE(applied.restored.size(), plan.fresh.size());
    // Taken back as one change: the book as it was, ids and all.
    QCOMPARE(applyEntriesChange(reversed(applied)).outcome, ChangeOutcome::Done);
    QCOMPARE(wholeBook(), before);
    QCOMPARE(applyEntriesChange(applied).outcome, ChangeOutcome::Done);
    QCOMPARE(rowsOf(wholeBook()), after);
    closePhoneBook();
}

void MergingTest::duplicatesMergeIntoTheOldest_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<int>("groups");
    QTest::addColumn<int>("inGroups");
    QTest::addColumn<QStringList>("details");
    QTest::addColumn<int>("droppedNumbers");
    QTest::addColumn<int>("droppedMails");
    // The ids left: each group's oldest.
    QTest::addColumn<QList<int>>("keptIds");

    QTest::newRow("a chain of mail and number, the oldest leads")
        << QStringList({"Ali Veli|0212 1||ali@x.com", "Ayşe Kaya|||ayse@y.com",
                        "ALİ VELİ||0532 2|Ali@X.com", "ali veli|0216 3|+90 532 2|"})
        << QStringList({"Ali Veli|0212 1|0532 2|ali@x.com", "Ayşe Kaya|||ayse@y.com"}) << 1 << 3
        << QStringList({"Ali Veli: 3 kayıt birleşir; tamamlanan: cep 0532 2; sığmayan numara: "
                        "0216 3"})
        << 1 << 0 << QList<int>({1, 2});
    QTest::newRow("two groups; a shared mail under another name is someone else")
        << QStringList({"Şule Çağlar|||sule@x.com", "Ömer Çelik||0555 1|o@x.com",
                        "Şule Kaya|0232 1||SULE@x.com", "omer celik|||o@y.com",
                        "Ömer Çelik||05551|omer@y.com", "ŞULE ÇAĞLAR|0232 2||Sule@X.com"})
        << QStringList({"Şule Çağlar|0232 2||sule@x.com", "Ömer Çelik||0555 1|o@x.com",
                        "Şule Kaya|0232 1||SULE@x.com", "omer celik|||o@y.com"})
        << 2 << 4
        << QStringList({"Şule Çağlar: 2 kayıt birleşir; tamamlanan: telefon 0232 2",
                        "Ömer Çelik: 2 kayıt birleşir; farklı, en eski kayıttaki kaldı: mail "
                        "omer@y.com"})
        << 0 << 1 << QList<int>({1, 2, 3, 4});
    QTest::newRow("no one twice")
        << QStringList({"Ali Veli|0212 1||", "Ali Veli|0212 2||", "Veli Ali|0212 1||"})
        << QStringList({"Ali Veli|0212 1||", "Ali Veli|0212 2||", "Veli Ali|0212 1||"}) << 0 << 0
        << QStringList() << 0 << 0 << QList<int>({1, 2, 3});
}

void MergingTest::duplicatesMergeIntoTheOldest()
{
    QFETCH(QStringList, entries);
    QFETCH(QStringList, after);
    QFETCH(int, groups);
    QFETCH(int, inGroups);
    QFETCH(QStringList, details);
    QFETCH(int, droppedNumbers);
    QFETCH(int, droppedMails);
    QFETCH(QList<int>, keptIds);
    WorkingDirectory cwd;
    QCOMPARE(openPhoneBook(), PhoneBookOpening::Opened);
    fill(entries);
    const QVector<Entry> before = wholeBook();

    const DuplicateMerge merge = planDuplicateMerge(before);
    QCOMPARE(merge.droppedNumbers, droppedNumbers);
    QCOMPARE(merge.droppedMails, droppedMails);
    QCOMPARE(merge.groups, groups);
    QCOMPARE(merge.entries, inGroups);
    QCOMPARE(merge.details, details);
    QCOMPARE(merge.change.removed.size(), inGroups - groups);
    QCOMPARE(applyEntriesChange(merge.change).outcome, ChangeOutcome::Done);
    QCOMPARE(rowsOf(wholeBook()), after);
    QList<int> kept;
    for (const Entry &entry : wholeBook())
        kept << int(entry.id);
    QCOMPARE(kept, keptIds);
    QCOMPARE(applyEntriesChange(reversed(merge.change)).outcome, ChangeOutcome::Done);
    QCOMPARE(wholeBook(), before);
    closePhoneBook();
}

void MergingTest::aChangeMadeElsewhereIsNotOverwritten()
{
    WorkingDirectory cwd;
    QCOMPARE(openPhoneBook(), PhoneBookOpening::Opened);
    fill({"Ali Veli|0212 1||ali@x.com", "Ali Veli||0532 2|ali@x.com", "Ayşe|||"});
    const DuplicateMerge merge = planDuplicateMerge(wholeBook());
    QCOMPARE(merge.groups, 1);
    SideConnection side(cwd.databaseFile());
    side.exec("UPDATE TELEFON SET mail='yeni@x.com' WHERE id=2");
    const QVector<Entry> changed = wholeBook();
    QCOMPARE(applyEntriesChange(merge.change).outcome, ChangeOutcome::ChangedElsewhere);
    QCOMPARE(wholeBook(), changed);

    // The entry a merge keeps as it is, deleted or changed meanwhile: the others stay too,
    // or the person would be gone, or merged into someone else.
    for (const char *elsewhere : {"DELETE FROM TELEFON WHERE id=%1",
                                  "UPDATE TELEFON SET adsoyad='Başka Biri' WHERE id=%1"}) {
        fill({"Can Er|0212 5|0532 6|can@x.com", "Can Er|0212 5||"});
        const DuplicateMerge keeping = planDuplicateMerge(wholeBook());
        QCOMPARE(keeping.groups, 1);
        QVERIFY(keeping.change.replaced.isEmpty());
        QCOMPARE(keeping.change.kept.size(), 1);
        side.exec(QString::fromUtf8(elsewhere).arg(keeping.change.kept.first().id));
        const QVector<Entry> now = wholeBook();
        QCOMPARE(applyEntriesChange(keeping.change).outcome, ChangeOutcome::ChangedElsewhere);
        QCOMPARE(wholeBook(), now);
        side.exec("DELETE FROM TELEFON WHERE id > 3");
    }

    // Restoring under an id that is taken changes nothing either, not even the rest.
    EntriesChange restore;
    restore.restored << Entry{3, "Başkası", "", "", ""};
    restore.inserted << Entry{0, "Yeni", "", "", ""};
    QCOMPARE(applyEntriesChange(restore).outcome, ChangeOutcome::ChangedElsewhere);
    QCOMPARE(wholeBook(), changed);
    closePhoneBook();
}

QTEST_MAIN(MergingTest)
#include "tst_merging.moc"
