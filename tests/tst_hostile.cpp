// Whatever the user types and whatever state the file is in, nothing is lost or
// broken: generated hostile texts through the form, files that are not databases,
// a database locked by another process, two programs on one file, a killed program.
#include "window/mainwindow.h"

#include "testsupport.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlError>
#include <QTableView>
#include <QTest>

#include <csignal>

namespace
{

QByteArray fileHash(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

// The first line the window driver prints ("saved ID" once its save has committed).
QByteArray firstLine(QProcess &driver)
{
    for (int waited = 0; !driver.canReadLine() && waited < 300; ++waited)
        driver.waitForReadyRead(100);
    return driver.readLine().trimmed();
}

QString runSqlite(const QString &file, const QString &sql)
{
    QProcess sqlite;
    sqlite.start(QStringLiteral("sqlite3"), {file, sql});
    sqlite.waitForFinished(30000);
    return QString::fromUtf8(sqlite.readAllStandardOutput()).trimmed();
}

// A phone book of that many entries, "Kişi 0" and on.
void fillPhoneBook(const QString &file, int count)
{
    SideConnection side(file);
    side.createTable();
    for (int i = 0; i < count; ++i)
        side.insert(QStringLiteral("Kişi %1").arg(i));
}

// Whether another program could write now, without waiting.
bool isLocked(const QString &file)
{
    QProcess sqlite;
    sqlite.start(QStringLiteral("sqlite3"),
                 {file, QStringLiteral("PRAGMA busy_timeout=0; BEGIN IMMEDIATE; ROLLBACK;")});
    sqlite.waitForFinished(30000);
    return sqlite.readAllStandardError().contains("locked");
}

} // namespace

class HostileTest : public QObject
{
    Q_OBJECT

private slots:
    void hostileTextsAreStoredAndFoundExactly();
    void fileThatIsNotADatabaseIsNeverWritten();
    void lockedDatabaseReportsAndLosesNothing();
    void twoProgramsOnOneFileSeeEachOthersSaves();
    void killedRightAfterASaveLeavesASoundFile();
    void readerAtStartLocksNobodyOut();
    void phoneBookIsLeftInTheRollbackJournal_data();
    void phoneBookIsLeftInTheRollbackJournal();
};

void HostileTest::hostileTextsAreStoredAndFoundExactly()
{
    WorkingDirectory cwd;
    MainWindow window;
    SideConnection side(cwd.databaseFile());
    side.insert("Kalıcı Kayıt", "1", "2", "3");
    const QStringList texts = generatedHostileTexts();

    QHash<int, QVariantList> expected = {{1, {1, "Kalıcı Kayıt", "1", "2", "3"}}};
    for (const QString &typed : texts) {
        click(&window, "btn_yeni");
        // Pasted, as nobody types these; the line edit keeps at most its maximum length.
        for (const char *field : {"txt_adsoyad", "txt_telefon", "txt_cep", "txt_mail"})
            child<QLineEdit>(&window, field)->setText(typed);
        const QString held = fieldText(&window, "txt_adsoyad");
        QCOMPARE(held, typed.left(child<QLineEdit>(&window, "txt_adsoyad")->maxLength()));
        if (held.trimmed().isEmpty())
            continue;

        const SeenBox box = pressSave(&window);
        QVERIFY2(box.text == QStringLiteral("Kaydedildi"), qPrintable(box.text.left(200)));
        const int id = fieldText(&window, "txt_id").toInt();
        expected.insert(id, {id, held.trimmed(), held.trimmed(), held.trimmed(), held.trimmed()});
    }

    // Every row is exactly what was typed, trimmed; nothing else changed or appeared.
    const QVector<QVariantList> rows = side.rows();
    QCOMPARE(rows.size(), expected.size());
    for (const QVariantList &row : rows)
        QVERIFY2(row == expected.value(row.value(0).toInt()),
                 qPrintable(row.value(1).toString().left(80)));

    // Searching for any of them lists exactly the rows the search promises to find.
    auto *search = child<QLineEdit>(&window, "txt_ara");
    auto *list = child<QTableView>(&window, "tbl_liste");
    for (const QString &typed : texts) {
        const QString term = typed.left(search->maxLength());
        search->setText(term);
        const QAbstractItemModel *model = list->model();
        QSet<int> listed;
        for (int row = 0; row < model->rowCount(); ++row) {
            const QString name = model->index(row, 1).data().toString();
            QVERIFY2(referenceSearchFinds(term, name, name, name, name), qPrintable(term.left(80)));
            listed << model->index(row, 0).data().toInt();
        }
        QSet<int> matching;
        for (const QVariantList &row : rows)
            if (referenceSearchFinds(term, row.value(1).toString(), row.value(2).toString(),
                                     row.value(3).toString(), row.value(4).toString()))
                matching << row.value(0).toInt();
        QCOMPARE(listed, matching);
    }
    QCOMPARE(side.rows(), rows);
}

void HostileTest::fileThatIsNotADatabaseIsNeverWritten()
{
    WorkingDirectory cwd;
    {
        QFile file(cwd.databaseFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        QByteArray bytes = "Bu bir veritabanı değil, bir not dosyası.\n";
        for (int i = 0; i < 4096; ++i)
            bytes += char(i * 7);
        file.write(bytes);
    }
    const QByteArray before = fileHash(cwd.databaseFile());
    {
        // Not shown as an empty phone book: reported like a failed open.
        auto startup = std::make_unique<BoxAnswerer>(QVector<BoxAnswer>{closeBox()});
        MainWindow window;
        QCOMPARE(startup->seen.size(), 1);
        QCOMPARE(startup->seen.first().text, QStringLiteral("Veritabanı Bağlantısı Yapılamadı."));
        startup.reset();
        QVERIFY(!child<QTableView>(&window, "tbl_liste")->model());

        typeInto(&window, "txt_adsoyad", "Ali Veli");
        const SeenBox failed = pressSave(&window);
        QCOMPARE(failed.title, QStringLiteral("Hata"));
        QVERIFY2(failed.text.startsWith(QStringLiteral("HATAfile is not a database")),
                 qPrintable(failed.text));
        QCOMPARE(fieldText(&window, "txt_id"), QString());

        child<QLineEdit>(&window, "txt_id")->setText("1");
        BoxAnswerer deleting({clickButton(QMessageBox::Yes), clickButton(QMessageBox::Ok)});
        click(&window, "btn_sil");
        QCOMPARE(deleting.seen.size(), 2);
        QVERIFY(deleting.seen.last().text.startsWith(QStringLiteral("HATA")));
    }
    QCOMPARE(fileHash(cwd.databaseFile()), before);
}

void HostileTest::lockedDatabaseReportsAndLosesNothing()
{
    WorkingDirectory cwd;
    MainWindow window;
    typeInto(&window, "txt_adsoyad", "Ali Veli");
    typeInto(&window, "txt_telefon", "212");
    QCOMPARE(pressSave(&window).text, QStringLiteral("Kaydedildi"));
    const QString saved = runSqlite(cwd.databaseFile(), "SELECT * FROM TELEFON");

    QProcess locker;
    locker.start(QStringLiteral("sqlite3"), {cwd.databaseFile()});
    QVERIFY(locker.waitForStarted());
    locker.write("BEGIN EXCLUSIVE;\n");
    // sqlite3 buffers its output on a pipe, so ask the file instead.
    QTRY_VERIFY_WITH_TIMEOUT(isLocked(cwd.databaseFile()), 30000);

    typeInto(&window, "txt_telefon", "999");
    QElapsedTimer waited;
    waited.start();
    const SeenBox update = pressSave(&window);
    QVERIFY(waited.elapsed() >= 4000); // the driver waited for the lock before giving up
    QCOMPARE(update.title, QStringLiteral("Hata"));
    const QString busy = QStringLiteral("Bu kayıt şu anda başka bir masada değiştiriliyor; "
                                        "değişiklik kaydedilmedi. Biraz sonra tekrar deneyin.\n"
                                        "database is locked");
    QVERIFY2(update.text.startsWith(busy), qPrintable(update.text));
    QCOMPARE(update.icon, QMessageBox::Warning);

    BoxAnswerer deleting({clickButton(QMessageBox::Yes), clickButton(QMessageBox::Ok)});
    click(&window, "btn_sil");
    QCOMPARE(deleting.seen.size(), 2);
    QVERIFY2(deleting.seen.last().text.startsWith(busy), qPrintable(deleting.seen.last().text));
    QCOMPARE(fieldText(&window, "txt_id"), QStringLiteral("1"));
    QCOMPARE(fieldText(&window, "txt_telefon"), QStringLiteral("999"));

    locker.write("COMMIT;\n.quit\n");
    QVERIFY(locker.waitForFinished(30000));
    QCOMPARE(runSqlite(cwd.databaseFile(), "SELECT * FROM TELEFON"), saved);

    QCOMPARE(pressSave(&window).text, QStringLiteral("Güncellendi"));
    QCOMPARE(runSqlite(cwd.databaseFile(), "SELECT telefon FROM TELEFON WHERE id=1"),
             QStringLiteral("999"));
}

void HostileTest::twoProgramsOnOneFileSeeEachOthersSaves()
{
    WorkingDirectory cwd;
    // More entries than the list reads in one page.
    fillPhoneBook(cwd.databaseFile(), 300);
    MainWindow window;
    auto *list = child<QTableView>(&window, "tbl_liste");
    QCOMPARE(wholeList(&window)->rowCount(), 300);

    QProcess other;
    startWindowDriver(other, cwd.path(), {QStringLiteral("save"), QStringLiteral("Zeynep Kaya")});
    QVERIFY(other.waitForFinished(30000));
    QCOMPARE(other.exitCode(), 0);
    const QByteArray saved = other.readAllStandardOutput();
    QVERIFY2(saved.startsWith("saved 301"), saved.constData());

    typeInto(&window, "txt_ara", "Zey");
    QCOMPARE(list->model()->rowCount(), 1);
    QCOMPARE(list->model()->index(0, 1).data().toString(), QStringLiteral("Zeynep Kaya"));

    // And the other way round, while the other program shows its list.
    typeInto(&window, "txt_ara", "");
    QProcess holding;
    startWindowDriver(holding, cwd.path(), {QStringLiteral("hold"), QStringLiteral("Üçüncü")});
    QCOMPARE(firstLine(holding), QByteArray("saved 302"));
    typeInto(&window, "txt_adsoyad", "Emre Aydın");
    QCOMPARE(pressSave(&window).text, QStringLiteral("Kaydedildi"));
    QCOMPARE(fieldText(&window, "txt_id"), QStringLiteral("303"));
    holding.kill();
    holding.waitForFinished(30000);
}

void HostileTest::killedRightAfterASaveLeavesASoundFile()
{
    WorkingDirectory cwd;
    {
        SideConnection side(cwd.databaseFile());
        side.createTable();
        for (int i = 0; i < 200; ++i)
            side.insert(QStringLiteral("Kişi %1").arg(i), "0212", "0532", "k@ornek.tr");
    }
    QProcess program;
    startWindowDriver(program, cwd.path(), {QStringLiteral("hold"), QStringLiteral("Son Kayıt")});
    QCOMPARE(firstLine(program), QByteArray("saved 201"));
    ::kill(pid_t(program.processId()), SIGKILL);
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::CrashExit);

    QCOMPARE(runSqlite(cwd.databaseFile(), "PRAGMA integrity_check"), QStringLiteral("ok"));
    QCOMPARE(runSqlite(cwd.databaseFile(), "SELECT adsoyad FROM TELEFON WHERE id=201"),
             QStringLiteral("Son Kayıt"));
    QCOMPARE(runSqlite(cwd.databaseFile(), "SELECT count(*) FROM TELEFON"), QStringLiteral("201"));
}

void HostileTest::readerAtStartLocksNobodyOut()
{
    WorkingDirectory cwd;
    fillPhoneBook(cwd.databaseFile(), 300);
    // Another program is reading when the window starts, so the file cannot switch to
    // the write-ahead log then.
    QProcess reader;
    reader.start(QStringLiteral("sqlite3"), {cwd.databaseFile()});
    QVERIFY(reader.waitForStarted());
    reader.write("BEGIN;\nSELECT count(*) FROM TELEFON;\n");
    QVERIFY(reader.waitForReadyRead(30000));
    MainWindow window;
    QCOMPARE(runSqlite(cwd.databaseFile(), "PRAGMA journal_mode"), QStringLiteral("delete"));
    QCOMPARE(wholeList(&window)->rowCount(), 300);
    reader.write("COMMIT;\n.quit\n");
    QVERIFY(reader.waitForFinished(30000));

    // The list shown holds no lock: another program saves at once.
    QVERIFY(!isLocked(cwd.databaseFile()));
    runSqlite(cwd.databaseFile(), "INSERT INTO TELEFON (adsoyad) VALUES ('Başka Program')");
    QCOMPARE(runSqlite(cwd.databaseFile(), "SELECT count(*) FROM TELEFON"), QStringLiteral("301"));
    // The next list tries the log again.
    typeInto(&window, "txt_ara", "Kişi");
    QCOMPARE(runSqlite(cwd.databaseFile(), "PRAGMA journal_mode"), QStringLiteral("wal"));
}

void HostileTest::phoneBookIsLeftInTheRollbackJournal_data()
{
    QTest::addColumn<QString>("ending");
    QTest::addColumn<bool>("otherCopy");
    // The rollback journal another program used on the book before: none, or the one
    // it left beside the file.
    QTest::addColumn<QString>("foundMode");
    QTest::newRow("ÇIKIŞ") << "exit" << false << "";
    QTest::newRow("window closed") << "save" << false << "";
    QTest::newRow("SIGTERM") << "SIGTERM" << false << "";
    QTest::newRow("SIGHUP") << "SIGHUP" << false << "";
    QTest::newRow("SIGINT") << "SIGINT" << false << "";
    QTest::newRow("ÇIKIŞ while another copy runs") << "exit" << true << "";
    QTest::newRow("found with a TRUNCATE journal") << "save" << false << "truncate";
    QTest::newRow("found with a PERSIST journal") << "exit" << false << "persist";
    QTest::newRow("found with a DELETE journal") << "SIGTERM" << false << "delete";
}

void HostileTest::phoneBookIsLeftInTheRollbackJournal()
{
    QFETCH(QString, ending);
    QFETCH(bool, otherCopy);
    QFETCH(QString, foundMode);
    WorkingDirectory cwd;
    const QString journal = cwd.databaseFile() + "-journal";
    if (!foundMode.isEmpty()) {
        runSqlite(cwd.databaseFile(), "PRAGMA journal_mode=" + foundMode +
                                          "; CREATE TABLE TELEFON (id INTEGER PRIMARY KEY "
                                          "AUTOINCREMENT, adsoyad TEXT, telefon TEXT, cep "
                                          "TEXT, mail TEXT); INSERT INTO TELEFON (adsoyad) "
                                          "VALUES ('Önceki Kayıt');");
        QCOMPARE(QFile::exists(journal), foundMode != "delete");
    }
    QProcess holding;
    if (otherCopy) {
        startWindowDriver(holding, cwd.path(), {QStringLiteral("hold"), QStringLiteral("Diğer")});
        QCOMPARE(firstLine(holding), QByteArray("saved 1"));
    }
    QProcess program;
    QElapsedTimer ended;
    const QMap<QString, int> signals_ = {
        {"SIGTERM", SIGTERM}, {"SIGHUP", SIGHUP}, {"SIGINT", SIGINT}};
    if (signals_.contains(ending)) {
        program.setWorkingDirectory(cwd.path());
        program.start(QStringLiteral(TELEFON_PROGRAM), QStringList());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(cwd.databaseFile() + "-wal"), 30000);
        ended.start();
        ::kill(pid_t(program.processId()), signals_.value(ending));
    } else {
        startWindowDriver(program, cwd.path(), {ending, QStringLiteral("Ayşe Yılmaz")});
        ended.start();
    }
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);

    const QString mode = runSqlite(cwd.databaseFile(), "PRAGMA journal_mode");
    if (otherCopy) {
        // The other copy still uses the log; nobody waited for it.
        QCOMPARE(mode, QStringLiteral("wal"));
        QVERIFY(ended.elapsed() < 4000);
        holding.kill();
        holding.waitForFinished(30000);
        return;
    }
    QCOMPARE(mode, QStringLiteral("delete"));
    QVERIFY(!QFile::exists(cwd.databaseFile() + "-wal"));
    QVERIFY(!QFile::exists(cwd.databaseFile() + "-shm"));
    // The journal is left as that program leaves it: emptied, or kept with its header
    // wiped so that nothing is rolled back from it.
    QCOMPARE(QFile::exists(journal), foundMode == "truncate" || foundMode == "persist");
    if (foundMode == "truncate")
        QCOMPARE(QFileInfo(journal).size(), 0);
    if (foundMode == "persist") {
        QFile kept(journal);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        const QByteArray header = kept.read(8);
        QVERIFY(header.size() == 8 && header.count('\0') == 8);
    }
    if (!foundMode.isEmpty())
        QCOMPARE(runSqlite(cwd.databaseFile(), "SELECT adsoyad FROM TELEFON WHERE id=1"),
                 QStringLiteral("Önceki Kayıt"));
}

QTEST_MAIN(HostileTest)
#include "tst_hostile.moc"
