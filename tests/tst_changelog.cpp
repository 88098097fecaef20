// The book's memory: every writer recorded in the change log with who and when, deleted
// entries brought back, versions, the book taken back to a time, both desks' changes kept,
// and books made before the log upgraded in place. On database.db and on a server.
#include "changelog/bothchanges.h"
#include "changelog/changelog.h"
#include "changelog/logpruning.h"
#include "changelog/restoring.h"
#include "store/entrieschange.h"
#include "store/phonebookdb.h"

#include "testsupport.h"

#include <QDialog>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QThread>

namespace
{

using Rows = QVector<QVariantList>;

QVector<qint64> added(const QStringList &names)
{
    QVector<qint64> ids;
    for (const QString &name : names) {
        Entry entry{0, name, QStringLiteral("0212 %1").arg(ids.size()), QString(), QString()};
        if (addEntry(entry).outcome != ChangeOutcome::Done)
            qFatal("cannot add %s", qPrintable(name));
        ids << entry.id;
    }
    return ids;
}

QVector<LoggedChange> deleted()
{
    QString error;
    const auto deletions = deletedEntries(error);
    if (!deletions)
        qFatal("Silinenler cannot be read: %s", qPrintable(error));
    return *deletions;
}

QStringList namesOf(const QVector<LoggedChange> &changes)
{
    QStringList names;
    for (const LoggedChange &change : changes)
        names
            << (change.kind == LoggedChange::Kind::Deleted ? change.before : change.after).adsoyad;
    return names;
}

// The log's time is the server's clock or SQLite's, to the millisecond: a moment between
// two changes is one both sides of which are a little away.
QDateTime momentBetween()
{
    QThread::msleep(20);
    const QDateTime moment = QDateTime::currentDateTimeUtc();
    QThread::msleep(20);
    return moment;
}

} // namespace

class ChangeLogTest : public QObject
{
    Q_OBJECT

private slots:
    void everyWriterIsLoggedWithWhoAndWhen();
    void deletedEntriesComeBackOrGoForGood();
    void theBookGoesBackToATime();
    void aBookMadeBeforeTheLogKeepsEveryEntry();
    void theLogIsPrunedPastItsKeptDays();
    void bothChangesAreKeptWhereTheyDoNotMeet_data();
    void bothChangesAreKeptWhereTheyDoNotMeet();
    void theWindowShowsVersionsAndDeletedEntries();
};

void ChangeLogTest::everyWriterIsLoggedWithWhoAndWhen()
{
    WorkingDirectory cwd;
    QCOMPARE(openPhoneBook(), PhoneBookOpening::Opened);
    QVERIFY(changeLogPresent());
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-5);
    const qint64 id = added({"Şule Çağlar"}).first();
    Entry changed{id, "Şule Çağlar", "0212 9", "0532 1", "sule@ornek.com.tr"};
    QCOMPARE(replaceEntry(wholeBook().first(), changed).outcome, ChangeOutcome::Done);
    // Another program: its update, one that changes nothing, and its delete.
    cwd.runOtherProgram(
        QStringLiteral("UPDATE TELEFON SET mail = 'yeni@ornek.com.tr' WHERE id = %1;"
                       "UPDATE TELEFON SET cep = cep WHERE id = %1")
            .arg(id));
    cwd.runOtherProgram(QStringLiteral("DELETE FROM TELEFON WHERE id = %1").arg(id));

    QString error;
    const auto versions = entryHistory(id, error);
    QVERIFY2(versions, qPrintable(error));
    QCOMPARE(versions->size(), 4);
    const QString me = WorkingDirectory::thisProgramLogged(),
                  other = WorkingDirectory::otherProgramLogged();
    const QVector<QPair<LoggedChange::Kind, QString>> expected = {
        {LoggedChange::Kind::Added, me},
        {LoggedChange::Kind::Changed, me},
        {LoggedChange::Kind::Changed, other},
        {LoggedChange::Kind::Deleted, other}};
    for (int i = 0; i < versions->size(); ++i) {
        const LoggedChange &version = versions->at(i);
        QCOMPARE(qMakePair(version.kind, version.who), expected.at(i));
        QVERIFY(version.time >= before && version.time <= QDateTime::currentDateTimeUtc());
        if (i > 0)
            QVERIFY(version.revision > versions->at(i - 1).revision);
    }
    QCOMPARE(changedFields(versions->at(1).before, versions->at(1).after),
             QStringList({"telefon: 0212 0 → 0212 9", "cep: (boş) → 0532 1",
                          "mail: (boş) → sule@ornek.com.tr"}));
    QCOMPARE(versions->at(2).before, changed);
    QCOMPARE(versions->at(3).before.mail, QStringLiteral("yeni@ornek.com.tr"));
    // What another program deleted is in Silinenler, named as it was.
    QCOMPARE(deleted().size(), 1);
    QCOMPARE(deleted().first().before.mail, QStringLiteral("yeni@ornek.com.tr"));
    QCOMPARE(deleted().first().who, other);

    // A refused statement logs nothing: the log is written in the same transaction.
    const qint64 newest = newestRevision(phoneBookDb);
    Entry refused{0, "Ali Veli", "", "", ""};
    cwd.runOtherProgram(testingOnServer()
                            ? "CREATE FUNCTION yasak() RETURNS trigger LANGUAGE plpgsql AS $$ "
                              "BEGIN RAISE EXCEPTION 'ekleme yasak'; END $$; CREATE TRIGGER yasak "
                              "BEFORE INSERT ON telefon FOR EACH ROW EXECUTE FUNCTION yasak()"
                            : "CREATE TRIGGER yasak BEFORE INSERT ON TELEFON BEGIN SELECT "
                              "RAISE(ABORT, 'ekleme yasak'); END");
    QCOMPARE(addEntry(refused).outcome, ChangeOutcome::Failed);
    QCOMPARE(newestRevision(phoneBookDb), newest);
    closePhoneBook();
}

void ChangeLogTest::deletedEntriesComeBackOrGoForGood()
{
    WorkingDirectory cwd;
    QCOMPARE(openPhoneBook(), PhoneBookOpening::Opened);
    const QVector<qint64> ids = added({"Ali Veli", "Ayşe Kaya", "Can Er", "Deniz Ak", "Ece Su"});
    // A script deletes three at once, then one more; the highest id among them.
    cwd.runOtherProgram(QStringLiteral("DELETE FROM TELEFON WHERE id IN (%1, %2, %3)")
                            .arg(ids[0])
                            .arg(ids[2])
                            .arg(ids[4]));
    QThread::msleep(20);
    QCOMPARE(removeEntries({wholeBook().first()}).outcome, ChangeOutcome::Done);
    QVector<LoggedChange> deletions = deleted();
    QCOMPARE(namesOf(deletions), QStringList({"Ayşe Kaya", "Ece Su", "Can Er", "Ali Veli"}));
    // The script's three are one group; this program's delete another.
    QCOMPARE(deletions[1].group, deletions[2].group);
    QCOMPARE(deletions[2].group, deletions[3].group);
    QVERIFY(deletions[0].group != deletions[1].group);

    // The group back in one step, under the old ids, one of which another program has
    // taken meanwhile: that one comes back as a new entry.
    cwd.runOtherProgram(
        QStringLiteral("INSERT INTO TELEFON (id, adsoyad) VALUES (%1, 'Başkası')").arg(ids[4]));
    QString error;
    const EntriesChange restoring = restoringDeleted(deletions.mid(1), error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(restoring.restored.size(), 2);
    QCOMPARE(restoring.inserted.size(), 1);
    EntriesChange applied;
    QCOMPARE(applyRestoring(restoring, applied).outcome, ChangeOutcome::Done);
    QStringList names;
    for (const Entry &entry : wholeBook())
        names << entry.adsoyad;
    QCOMPARE(names, QStringList({"Ali Veli", "Can Er", "Deniz Ak", "Başkası", "Ece Su"}));
    QCOMPARE(wholeBook().first().id, ids[0]);
    // Back under a new id is back too: Silinenler no longer offers it twice.
    QCOMPARE(namesOf(deleted()), QStringList({"Ayşe Kaya"}));
    // Taken back: exactly what it brought.
    QCOMPARE(applyEntriesChange(reversed(applied)).outcome, ChangeOutcome::Done);
    QCOMPARE(wholeBook().size(), 2);

    // Another program takes one of the ids before the restore lands: nothing changes.
    deletions = deleted();
    const EntriesChange late = restoringDeleted(deletions, error);
    QVERIFY(!late.restored.isEmpty());
    cwd.runOtherProgram(QStringLiteral("INSERT INTO TELEFON (id, adsoyad) VALUES (%1, 'Ali')")
                            .arg(late.restored.last().id));
    const QVector<Entry> now = wholeBook();
    QCOMPARE(applyRestoring(late, applied).outcome, ChangeOutcome::ChangedElsewhere);
    QCOMPARE(wholeBook(), now);
    QCOMPARE(deleted().size(), deletions.size());

    // An entry another program moves to another id is not deleted; one it adds again with
    // other values does not hide the deletion.
    const int listedBefore = deleted().size();
    cwd.runOtherProgram(QStringLiteral("UPDATE TELEFON SET id = 900000 WHERE id = %1").arg(ids[3]));
    cwd.runOtherProgram(QStringLiteral("INSERT INTO TELEFON (adsoyad, telefon) VALUES ('Ayşe "
                                       "Kaya', '0212 9')"));
    QCOMPARE(deleted().size(), listedBefore);

    // For good: they leave Silinenler and stay out of it.
    deletions = deleted();
    QVERIFY(forgetDeleted(deletions.mid(0, 1), error));
    QCOMPARE(deleted().size(), deletions.size() - 1);

    // The command line lists and restores them too.
    const auto listed = runAktar(cwd.path(), {"silinenler"});
    QCOMPARE(listed.first, 0);
    QVERIFY2(listed.second.startsWith("Kimlik;Ad Soyad;Telefon;Cep;Mail;Silen;Silindiği Zaman"),
             qPrintable(listed.second));
    const LoggedChange last = deleted().first();
    QVERIFY2(
        listed.second.contains(QStringLiteral("\r\n%1;%2;").arg(last.id).arg(last.before.adsoyad)),
        qPrintable(listed.second));
    QCOMPARE(runAktar(cwd.path(), {"geri-getir", "999999"}).first, 1);
    QCOMPARE(runAktar(cwd.path(), {"geri-getir", "x"}).first, 2);
    const int before = wholeBook().size();
    const auto restored = runAktar(cwd.path(), {"geri-getir", QString::number(last.id)});
    QVERIFY2(restored.first == 0, qPrintable(restored.second));
    QCOMPARE(wholeBook().size(), before + 1);
    const auto versions = runAktar(cwd.path(), {"gecmis", QString::number(last.id)});
    QCOMPARE(versions.first, 0);
    QVERIFY2(versions.second.startsWith("Sürüm;Zaman;Kim;İşlem;") &&
                 versions.second.count(";eklendi;") >= 2 && versions.second.count(";silindi;") >= 1,
             qPrintable(versions.second));
    closePhoneBook();
}

void ChangeLogTest::theBookGoesBackToATime()
{
    WorkingDirectory cwd;
    QCOMPARE(openPhoneBook(), PhoneBookOpening::Opened);
    added({"Ali Veli", "Ayşe Kaya", "Can Er"});
    const QVector<Entry> then = wholeBook();
    const QDateTime moment = momentBetween();
    // Since then: one added, one changed twice, one deleted, by this program and another.
    added({"Deniz Ak"});
    Entry changed = then[1];
    changed.telefon = QStringLiteral("0216 1");
    QCOMPARE(replaceEntry(then[1], changed).outcome, ChangeOutcome::Done);
    cwd.runOtherProgram(QStringLiteral("UPDATE TELEFON SET mail = 'a@b.tr' WHERE id = %1;"
                                       "DELETE FROM TELEFON WHERE id = %2")
                            .arg(then[1].id)
                            .arg(then[2].id));
    const QVector<Entry> changedSince = wholeBook();

    QString error;
    const auto since = changesSince(moment, error);
    QVERIFY2(since, qPrintable(error));
    QCOMPARE(since->size(), 4);
    const BookRollback rollback = rollingBack(*since, error);
    QCOMPARE(rollback.restored, 1);
    QCOMPARE(rollback.changed, 1);
    QCOMPARE(rollback.removed, 1);
    EntriesChange applied;
    QCOMPARE(applyRestoring(rollback.change, applied).outcome, ChangeOutcome::Done);
    QCOMPARE(wholeBook(), then);
    // Itself a change in the log, and taken back like any other.
    QCOMPARE(changesSince(moment, error)->size(), 7);
    QCOMPARE(applyEntriesChange(reversed(applied)).outcome, ChangeOutcome::Done);
    QCOMPARE(wholeBook(), changedSince);

    // Another desk's change after the plan: nothing is taken back.
    const BookRollback again = rollingBack(*changesSince(moment, error), error);
    cwd.runOtherProgram(
        QStringLiteral("UPDATE TELEFON SET cep = '1' WHERE id = %1").arg(then[1].id));
    const QVector<Entry> meanwhile = wholeBook();
    QCOMPARE(applyRestoring(again.change, applied).outcome, ChangeOutcome::ChangedElsewhere);
    QCOMPARE(wholeBook(), meanwhile);
    closePhoneBook();
}

void ChangeLogTest::aBookMadeBeforeTheLogKeepsEveryEntry()
{
    WorkingDirectory cwd;
    SideConnection side(cwd.databaseFile());
    side.createTable();
    for (const char *name : {"Ali Veli", "Şule Çağlar", "Ömer Öz"})
        side.insert(name, "0212");
    side.exec("DELETE FROM TELEFON WHERE adsoyad = 'Şule Çağlar'");
    // As the version before the log left it.
    if (testingOnServer())
        side.exec("DROP TRIGGER telefon_defteri_gecmis ON telefon; DROP TRIGGER "
                  "telefon_defteri_gecmis_bosalt ON telefon; DROP TABLE telefon_gecmis; DROP "
                  "TABLE telefon_ayar; UPDATE telefon_defteri_surum SET surum = 1");
    const Rows rows = side.rows();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(openPhoneBook(), PhoneBookOpening::Opened);
    QVERIFY(changeLogPresent());
    QCOMPARE(side.rows(), rows);
    QVERIFY(deleted().isEmpty());
    // Every writer is logged from now on, another program's too.
    cwd.runOtherProgram("DELETE FROM TELEFON WHERE adsoyad = 'Ömer Öz'");
    QCOMPARE(namesOf(deleted()), QStringList({"Ömer Öz"}));
    if (testingOnServer()) {
        QCOMPARE(PrivateServer::instance().psql(cwd.database(),
                                                "SELECT max(surum) FROM telefon_defteri_surum"),
                 QStringLiteral("3"));
        // The links to the phones' address book come with the same step.
        QCOMPARE(PrivateServer::instance().psql(cwd.database(),
                                                "SELECT to_regclass('telefon_kart') IS NOT NULL"),
                 QStringLiteral("t"));
        // TRUNCATE passes no row trigger, and is logged all the same.
        cwd.runOtherProgram("TRUNCATE telefon");
        QCOMPARE(namesOf(deleted()), QStringList({"Ali Veli", "Ömer Öz"}));
    }
    closePhoneBook();
}

void ChangeLogTest::theLogIsPrunedPastItsKeptDays()
{
    WorkingDirectory cwd;
    QCOMPARE(openPhoneBook(), PhoneBookOpening::Opened);
    const QVector<qint64> ids = added({"Eski Silinen", "Yeni Silinen"});
    cwd.runOtherProgram(QStringLiteral("DELETE FROM TELEFON"));
    // The first one's changes made three days ago.
    const char *ageing = testingOnServer()
                             ? "UPDATE telefon_gecmis SET zaman = zaman - interval '3 days' "
                               "WHERE kayit = %1"
                             : "UPDATE TELEFON_GECMIS SET zaman = strftime('%Y-%m-%dT%H:%M:%fZ', "
                               "'now', '-3 days') WHERE kayit = %1";
    cwd.runOtherProgram(QString::fromLatin1(ageing).arg(ids[0]));
    QCOMPARE(keptDays(phoneBookDb), defaultKeptDays);
    QString error;
    QVERIFY2(setKeptDays(2, error), qPrintable(error));
    QCOMPARE(keptDays(phoneBookDb), 2);
    // In the background, on a connection of its own, as the window starts it.
    LogPruning pruning;
    QSignalSpy pruned(&pruning, &LogPruning::pruned);
    pruning.start();
    QVERIFY(pruned.wait(30000));
    QCOMPARE(pruned.first().first().toInt(), 2);
    QCOMPARE(namesOf(deleted()), QStringList({"Yeni Silinen"}));
    QCOMPARE(entryHistory(ids[0], error)->size(), 0);
    // The command line reads and sets the same setting.
    QCOMPARE(runAktar(cwd.path(), {"saklama"}).second.trimmed(), QStringLiteral("2 gün"));
    QCOMPARE(runAktar(cwd.path(), {"saklama", "0"}).first, 2);
    QCOMPARE(runAktar(cwd.path(), {"saklama", "45"}).first, 0);
    QCOMPARE(keptDays(phoneBookDb), 45);
    pruning.stop();
    closePhoneBook();
}

void ChangeLogTest::bothChangesAreKeptWhereTheyDoNotMeet_data()
{
    QTest::addColumn<QStringList>("mine");
    QTest::addColumn<QStringList>("theirs");
    // The entry saved, or empty when the question must offer no merge.
    QTest::addColumn<QStringList>("merged");
    QTest::newRow("this desk the phone, the other the mail")
        << QStringList({"Ali Veli", "0212 2", "", ""})
        << QStringList({"Ali Veli", "0212 1", "", "a@b.tr"})
        << QStringList({"Ali Veli", "0212 2", "", "a@b.tr"});
    QTest::newRow("both the phone, differently")
        << QStringList({"Ali Veli", "0212 2", "", ""})
        << QStringList({"Ali Veli", "0212 3", "", "a@b.tr"}) << QStringList();
    QTest::newRow("both the phone, alike") << QStringList({"Ali Veli", "0212 2", "", "x@y.tr"})
                                           << QStringList({"Ali Veli", "0212 2", "0532", ""})
                                           << QStringList({"Ali Veli", "0212 2", "0532", "x@y.tr"});
}

void ChangeLogTest::bothChangesAreKeptWhereTheyDoNotMeet()
{
    QFETCH(QStringList, mine);
    QFETCH(QStringList, theirs);
    QFETCH(QStringList, merged);
    WindowFixture fixture(
        [](const SideConnection &seed) { seed.insert("Ali Veli", "0212 1", "", ""); });
    QWidget *window = fixture.window.get();
    QMetaObject::invokeMethod(window, "on_tbl_liste_doubleClicked",
                              Q_ARG(QModelIndex, listModel(window)->index(0, 1)));
    fixture.side.exec(QStringLiteral("UPDATE TELEFON SET telefon = '%1', cep = '%2', mail = '%3'")
                          .arg(theirs[1], theirs[2], theirs[3]));
    typeInto(window, "txt_telefon", mine[1]);
    typeInto(window, "txt_cep", mine[2]);
    typeInto(window, "txt_mail", mine[3]);
    QStringList offered;
    BoxAnswerer boxes({[&offered](QMessageBox *box) {
                           QAbstractButton *chosen = nullptr;
                           for (QAbstractButton *button : box->buttons()) {
                               offered << button->text();
                               if (button->text() == QStringLiteral("İkisini de Koru") ||
                                   (!chosen && button->text() == QStringLiteral("Ötekini Koru")))
                                   chosen = button;
                           }
                           chosen->click();
                       },
                       clickButton(QMessageBox::Ok)},
                      {});
    click(window, "btn_kaydet");
    QTRY_VERIFY_WITH_TIMEOUT(!boxes.seen.isEmpty(), 30000);
    QCOMPARE(boxes.seen.first().title, QStringLiteral("Kayıt Değişmiş"));
    QCOMPARE(offered.contains(QStringLiteral("İkisini de Koru")), !merged.isEmpty());
    const QVariantList stored = fixture.side.rows().first();
    const QStringList now = {stored[1].toString(), stored[2].toString(), stored[3].toString(),
                             stored[4].toString()};
    if (merged.isEmpty()) {
        QCOMPARE(now, theirs);
        return;
    }
    QTRY_COMPARE_WITH_TIMEOUT(boxes.seen.size(), 2, 30000);
    QCOMPARE(boxes.seen.last().text, QStringLiteral("Güncellendi"));
    QCOMPARE(fixture.side.rows().first().mid(1, 4),
             QVariantList({merged[0], merged[1], merged[2], merged[3]}));
    QCOMPARE(fieldText(window, "txt_mail"), merged[3]);
    // The same rule, without the window.
    const Entry base{1, "Ali Veli", "0212 1", "", ""};
    QCOMPARE(bothChanges(base, {1, mine[0], mine[1], mine[2], mine[3]},
                         {1, theirs[0], theirs[1], theirs[2], theirs[3]}),
             std::optional<Entry>(Entry{1, merged[0], merged[1], merged[2], merged[3]}));
}

void ChangeLogTest::theWindowShowsVersionsAndDeletedEntries()
{
    WindowFixture fixture;
    QWidget *window = fixture.window.get();
    typeInto(window, "txt_adsoyad", "Ali Veli");
    typeInto(window, "txt_telefon", "0212 1");
    QCOMPARE(pressSave(window).text, QStringLiteral("Kaydedildi"));
    typeInto(window, "txt_telefon", "0212 2");
    QCOMPARE(pressSave(window).text, QStringLiteral("Güncellendi"));

    // Geçmiş: the first version brought back by an ordinary save, undoable.
    QStringList shown;
    whenDialogShown("VersionsDialog", [&shown](QDialog *dialog) {
        auto *table = dialog->findChild<QTableWidget *>(QStringLiteral("logTable"));
        for (int row = 0; row < table->rowCount(); ++row)
            shown << table->item(row, 3)->text();
        chooseRow(table, 0);
        for (QPushButton *button : dialog->findChildren<QPushButton *>())
            if (button->text() == QStringLiteral("Bu Sürümü Geri Getir"))
                button->click();
    });
    BoxAnswerer saved({clickButton(QMessageBox::Ok)});
    activate(window);
    QTest::keyClick(window, Qt::Key_H, Qt::ControlModifier);
    QTRY_COMPARE_WITH_TIMEOUT(saved.seen.size(), 1, 30000);
    QCOMPARE(shown, QStringList({"Ali Veli, 0212 1, , ", "telefon: 0212 1 → 0212 2"}));
    QCOMPARE(saved.seen.first().text, QStringLiteral("Güncellendi"));
    QCOMPARE(fixture.side.rows().first().value(2).toString(), QStringLiteral("0212 1"));
    activate(window);
    QTest::keyClick(window, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(fixture.side.rows().first().value(2).toString(), QStringLiteral("0212 2"));

    // Silinenler: another program's delete, brought back from the window.
    fixture.cwd.runOtherProgram("DELETE FROM TELEFON");
    QTRY_COMPARE_WITH_TIMEOUT(listModel(window)->rowCount(), 0, 30000);
    whenDialogShown("DeletedDialog", [](QDialog *dialog) {
        auto *table = dialog->findChild<QTableWidget *>(QStringLiteral("logTable"));
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(table->item(0, 4)->text(), WorkingDirectory::otherProgramLogged());
        chooseRow(table, 0);
        for (QPushButton *button : dialog->findChildren<QPushButton *>())
            if (button->text() == QStringLiteral("Geri Getir"))
                button->click();
        QCOMPARE(table->rowCount(), 0);
        dialog->reject();
    });
    activate(window);
    QTest::keyClick(window, Qt::Key_Delete, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_COMPARE_WITH_TIMEOUT(fixture.side.rows().size(), 1, 30000);
    QCOMPARE(fixture.side.rows().first().value(2).toString(), QStringLiteral("0212 2"));
    QCOMPARE(listModel(window)->rowCount(), 1);
}

QTEST_MAIN(ChangeLogTest)
#include "tst_changelog.moc"
