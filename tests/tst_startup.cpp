// Start-up of the window on the working directory's database.db, the list it shows,
// and the centring of the entry panel.
#include "window/mainwindow.h"

#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

class StartupTest : public QObject
{
    Q_OBJECT

private slots:
    void listsEveryEntryWithTheIdHidden();
    void firstStartCreatesTheTableAndShowsNoBox();
    void unopenableDatabaseIsReportedOverTheVisibleWindow();
    void placesThatCannotBeUsed_data();
    void placesThatCannotBeUsed();
    void phoneBookThatCannotBeWritten_data();
    void phoneBookThatCannotBeWritten();
    void aFileThatMayNotBeWrittenOpensReadOnly();
    void tableThatCouldNotBeMadeIsMadeByTheNextSave();
    void panelIsCentredWithTruncatingDivision_data();
    void panelIsCentredWithTruncatingDivision();
    void oneListModelServesEveryRefresh();
    void columnWidthsAreAppliedOnEveryRefresh();
};

void StartupTest::listsEveryEntryWithTheIdHidden()
{
    WorkingDirectory cwd;
    {
        SideConnection side(cwd.databaseFile());
        side.createTable();
        side.insert("Ali Veli", "212 555 00 00", "0532 000 00 00", "ali@ornek.com.tr");
        side.insert("Şule Güneş", "", "", QVariant());
        side.insert("Ömer Çelik", "1", "2", "3");
    }
    BoxAnswerer boxes({closeBox()});
    MainWindow window;

    QVERIFY(boxes.seen.isEmpty());
    // The title names the book, so that two windows on two books tell which is which.
    QCOMPARE(window.windowTitle().section(" — ", 0, 0), QStringLiteral("TELEFON DEFTERİ"));
    QCOMPARE(QFileInfo(window.windowTitle().section(" — ", 1)).canonicalFilePath(),
             QFileInfo(cwd.databaseFile()).canonicalFilePath());
    QVERIFY(window.isMaximized());
    QVERIFY(window.isVisible());
    QVERIFY(child<QLineEdit>(&window, "txt_id")->isHidden());
    QCOMPARE(window.focusWidget(), child<QLineEdit>(&window, "txt_adsoyad"));

    auto *list = child<QTableView>(&window, "tbl_liste");
    QAbstractItemModel *model = list->model();
    QVERIFY(model);
    QCOMPARE(model->rowCount(), 3);
    QCOMPARE(model->columnCount(), 5);
    QStringList captions;
    for (int column = 0; column < 5; ++column)
        captions << model->headerData(column, Qt::Horizontal).toString();
    QCOMPARE(captions, QStringList({"id", "adsoyad", "telefon", "cep", "mail"}));
    QVERIFY(list->isColumnHidden(0));
    QCOMPARE(list->columnWidth(1), 200);
    QCOMPARE(list->columnWidth(4), 140);
    // The numbers' columns are at least the view's default width, wider for whole numbers.
    QVERIFY(list->columnWidth(2) >= list->horizontalHeader()->defaultSectionSize());
    QCOMPARE(list->columnWidth(3), list->columnWidth(2));
    QCOMPARE(model->index(1, 1).data().toString(), QStringLiteral("Şule Güneş"));
}

void StartupTest::firstStartCreatesTheTableAndShowsNoBox()
{
    WorkingDirectory cwd;
    QVERIFY(!QFile::exists(cwd.databaseFile()));
    BoxAnswerer boxes({closeBox()});
    MainWindow window;

    QVERIFY(boxes.seen.isEmpty());
    QVERIFY(QFile::exists(cwd.databaseFile()));
    auto *list = child<QTableView>(&window, "tbl_liste");
    QVERIFY(list->model());
    QCOMPARE(list->model()->rowCount(), 0);
    QCOMPARE(list->model()->columnCount(), 5);
    SideConnection side(cwd.databaseFile());
    QVERIFY(side.rows().isEmpty()); // the table exists: reading it does not fail
    // Readers and a writer in other programs must not block each other.
    QSqlQuery mode(side.db());
    QVERIFY(mode.exec("PRAGMA journal_mode") && mode.next());
    QCOMPARE(mode.value(0).toString(), QStringLiteral("wal"));
}

void StartupTest::unopenableDatabaseIsReportedOverTheVisibleWindow()
{
    WorkingDirectory cwd;
    QVERIFY(QDir().mkdir(cwd.databaseFile()));
    BoxAnswerer boxes({pressKey(Qt::Key_Return)});
    MainWindow window;

    QCOMPARE(boxes.seen.size(), 1);
    const SeenBox box = boxes.seen.first();
    QCOMPARE(box.title, QStringLiteral("Hata"));
    QCOMPARE(box.text, QStringLiteral("Veritabanı Bağlantısı Yapılamadı."));
    QCOMPARE(box.icon, QMessageBox::Information);
    QVERIFY(!box.hasParent);
    QVERIFY(box.mainWindowVisible);
    QVERIFY(!child<QTableView>(&window, "tbl_liste")->model());
    QCOMPARE(window.focusWidget(), child<QLineEdit>(&window, "txt_adsoyad"));

    // A save says so too, and keeps what was typed.
    typeInto(&window, "txt_adsoyad", "Ali Veli");
    typeInto(&window, "txt_telefon", "0212 1");
    const SeenBox save = pressSave(&window);
    QCOMPARE(save.title, QStringLiteral("Hata"));
    QVERIFY2(save.text.startsWith(QStringLiteral("Veritabanı Bağlantısı Yapılamadı.")),
             qPrintable(save.text));
    QCOMPARE(save.icon, QMessageBox::Warning);
    QCOMPARE(fieldText(&window, "txt_adsoyad"), QStringLiteral("Ali Veli"));
    QCOMPARE(fieldText(&window, "txt_telefon"), QStringLiteral("0212 1"));
    QCOMPARE(fieldText(&window, "txt_id"), QString());
}

void StartupTest::placesThatCannotBeUsed_data()
{
    QTest::addColumn<QString>("place");
    QTest::addColumn<bool>("reported");
    QTest::newRow("deleted working directory") << "deleted" << true;
    QTest::newRow("directory name not valid UTF-8") << "latin5" << false;
    QTest::newRow("database.db a link to /dev/null") << "devnull" << true;
}

void StartupTest::placesThatCannotBeUsed()
{
    QFETCH(QString, place);
    QFETCH(bool, reported);
    WorkingDirectory cwd;
    QMap<QString, bool> outside;
    for (const char *file : {"/database.db", "/dev/null-journal", "/dev/null-wal", "/dev/null-shm"})
        outside.insert(QString::fromLatin1(file), QFile::exists(QString::fromLatin1(file)));
    std::unique_ptr<SideConnection> side;
    if (place == "deleted") {
        QVERIFY(QDir().mkdir("gone") && QDir::setCurrent("gone"));
        QVERIFY(QDir().rmdir(cwd.path() + "/gone"));
    } else if (place == "latin5") {
        // "Masaüstü" as an ISO-8859-9 system wrote it: not UTF-8, so Qt cannot name it.
        QVERIFY(::mkdir("Masaüstü", 0700) == 0 && ::chdir("Masaüstü") == 0);
        side = std::make_unique<SideConnection>(QStringLiteral("database.db"));
        side->createTable();
        side->insert("Ayşe Yılmaz");
    } else {
        QVERIFY(QFile::link("/dev/null", cwd.databaseFile()));
    }

    auto boxes = std::make_unique<BoxAnswerer>(QVector<BoxAnswer>{closeBox()});
    MainWindow window;
    QCOMPARE(boxes->seen.size(), reported ? 1 : 0);
    boxes.reset();
    if (reported) {
        QVERIFY(!listModel(&window));
    } else {
        QCOMPARE(listModel(&window)->rowCount(), 1);
        typeInto(&window, "txt_adsoyad", "Ali Veli");
        QCOMPARE(pressSave(&window).text, QStringLiteral("Kaydedildi"));
        QCOMPARE(side->rows().size(), 2);
    }
    for (auto file = outside.cbegin(); file != outside.cend(); ++file)
        QVERIFY2(QFile::exists(file.key()) == file.value(), qPrintable(file.key()));
}

// Permissions bind root only through another user, so as root the checks run as nobody.
class AsUnprivilegedUser
{
public:
    AsUnprivilegedUser() : root(::geteuid() == 0)
    {
        if (root && ::seteuid(65534) != 0)
            qFatal("cannot become nobody");
    }
    ~AsUnprivilegedUser()
    {
        if (root && ::seteuid(0) != 0)
            qFatal("cannot become root again");
    }

private:
    bool root;
};

// Points QDir::tempPath() at a directory of the test's own (one anybody may write to,
// as /tmp) for the life of the object, so that what the program leaves there is seen
// apart from what other programs do.
class OwnTemporaryDirectory
{
public:
    OwnTemporaryDirectory() : previous(qgetenv("TMPDIR"))
    {
        ::chmod(QFile::encodeName(dir.path()).constData(), 0777);
        qputenv("TMPDIR", QFile::encodeName(dir.path()));
    }
    ~OwnTemporaryDirectory()
    {
        if (previous.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", previous);
    }
    QStringList entries() const
    {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    }

private:
    QTemporaryDir dir;
    QByteArray previous;
};

void StartupTest::phoneBookThatCannotBeWritten_data()
{
    QTest::addColumn<bool>("readable");
    QTest::addColumn<bool>("logged");
    QTest::newRow("write-ahead log on a read-only medium") << true << false;
    QTest::newRow("entries only in the log beside it on a read-only medium") << true << true;
    QTest::newRow("file nobody may read") << false << false;
}

void StartupTest::phoneBookThatCannotBeWritten()
{
    QFETCH(bool, readable);
    QFETCH(bool, logged);
    WorkingDirectory cwd;
    const QStringList names = {"Ayşe Yılmaz", "Ali Veli", "Zeynep Kaya"};
    {
        // A write-ahead-log phone book without its index, as a program that still had it
        // open left it on a medium that became read-only, or as one that closed it.
        QTemporaryDir elsewhere;
        const QString book = elsewhere.filePath("database.db");
        SideConnection side(book);
        side.createTable();
        side.exec("PRAGMA journal_mode=WAL");
        side.insert(names[0]);
        side.insert(names[1]);
        side.exec("PRAGMA wal_checkpoint(TRUNCATE)");
        side.exec("PRAGMA wal_autocheckpoint=0");
        side.insert(names[2]);
        if (logged) {
            QVERIFY(QFile::copy(book, cwd.databaseFile()));
            QVERIFY(QFile::copy(book + "-wal", cwd.databaseFile() + "-wal"));
        } else {
            side.exec("PRAGMA wal_checkpoint(TRUNCATE)");
            QVERIFY(QFile::copy(book, cwd.databaseFile()));
        }
    }
    QVERIFY(!QFile::exists(cwd.databaseFile() + "-shm"));
    QVERIFY(QFile::exists(cwd.databaseFile() + "-wal") == logged);
    QFile::setPermissions(cwd.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                          QFileDevice::ReadGroup | QFileDevice::ExeGroup |
                                          QFileDevice::ReadOther | QFileDevice::ExeOther);
    if (!readable)
        QFile::setPermissions(cwd.databaseFile(), QFileDevice::WriteOwner);
    OwnTemporaryDirectory temporary;
    {
        auto boxes = std::make_unique<BoxAnswerer>(QVector<BoxAnswer>{closeBox()});
        AsUnprivilegedUser nobody;
        MainWindow window;
        QCOMPARE(boxes->seen.size(), readable ? 0 : 1);
        boxes.reset();
        if (!readable)
            return;
        // Every entry, the log's too, or none: never a part shown as the whole book.
        QStringList listed;
        for (int row = 0; row < listModel(&window)->rowCount(); ++row)
            listed << listModel(&window)->index(row, 1).data().toString();
        QCOMPARE(listed, names);
        QVERIFY2(window.windowTitle().endsWith("/database.db (salt okunur)"),
                 qPrintable(window.windowTitle()));
        typeInto(&window, "txt_ara", "zeynep");
        QCOMPARE(listModel(&window)->rowCount(), 1);
        // Read only, saying why, not one error per try.
        QVERIFY(!child<QPushButton>(&window, "btn_kaydet")->isEnabled());
        QCOMPARE(child<QPushButton>(&window, "btn_kaydet")->toolTip(),
                 QStringLiteral("Bu defter salt okunur: değiştirme yetkiniz yok."));
        typeInto(&window, "txt_adsoyad", "Emre Aydın");
        BoxAnswerer told({clickButton(QMessageBox::Ok)});
        QTest::keyClick(child<QLineEdit>(&window, "txt_adsoyad"), Qt::Key_Return);
        QCOMPARE(told.seen.size(), 1);
        QCOMPARE(told.seen.first().title, QStringLiteral("Salt Okunur"));
        QCOMPARE(temporary.entries().size(), logged ? 1 : 0);
    }
    // The copy made to read the log is gone with the window.
    QCOMPARE(temporary.entries(), QStringList());
}

void StartupTest::aFileThatMayNotBeWrittenOpensReadOnly()
{
    WorkingDirectory cwd;
    {
        SideConnection side(cwd.databaseFile());
        side.createTable();
        side.insert("Ali Veli");
    }
    // Only the file stands in the way: the folder anybody may write to.
    ::chmod(QFile::encodeName(cwd.path()).constData(), 0777);
    ::chmod(QFile::encodeName(cwd.databaseFile()).constData(), 0444);
    {
        AsUnprivilegedUser nobody;
        BoxAnswerer boxes({closeBox()});
        MainWindow window;
        QCOMPARE(boxes.seen.size(), 0);
        QCOMPARE(listModel(&window)->rowCount(), 1);
        QVERIFY2(window.windowTitle().endsWith(" (salt okunur)"), qPrintable(window.windowTitle()));
        QVERIFY(!child<QPushButton>(&window, "btn_kaydet")->isEnabled());
        QVERIFY(!child<QPushButton>(&window, "btn_sil")->isEnabled());
    }
    // Writable again: the next window saves.
    ::chmod(QFile::encodeName(cwd.databaseFile()).constData(), 0666);
    AsUnprivilegedUser nobody;
    MainWindow window;
    QVERIFY(child<QPushButton>(&window, "btn_kaydet")->isEnabled());
    typeInto(&window, "txt_adsoyad", "Emre Aydın");
    QCOMPARE(pressSave(&window).text, QStringLiteral("Kaydedildi"));
}

void StartupTest::tableThatCouldNotBeMadeIsMadeByTheNextSave()
{
    WorkingDirectory cwd;
    QProcess locker;
    locker.start(QStringLiteral("sqlite3"), {cwd.databaseFile()});
    QVERIFY(locker.waitForStarted());
    locker.write("BEGIN EXCLUSIVE;\nSELECT 'locked';\n");
    QVERIFY(locker.waitForReadyRead(30000));

    BoxAnswerer boxes({closeBox()});
    MainWindow window;
    QCOMPARE(boxes.seen.size(), 1);
    QCOMPARE(boxes.seen.first().text, QStringLiteral("Veritabanı Bağlantısı Yapılamadı."));
    QCOMPARE(boxes.seen.first().icon, QMessageBox::Information);
    locker.write("COMMIT;\n.quit\n");
    QVERIFY(locker.waitForFinished(30000));

    typeInto(&window, "txt_adsoyad", "Ali Veli");
    QCOMPARE(pressSave(&window).text, QStringLiteral("Kaydedildi"));
    QCOMPARE(listModel(&window)->rowCount(), 1);
}

void StartupTest::panelIsCentredWithTruncatingDivision_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("expected");
    // (W - 1) / 2 - (581 - 1) / 2, (H - 1) / 2 - (497 - 1) / 2
    QTest::newRow("1000x800") << QSize(1000, 800) << QPoint(499 - 290, 399 - 248);
    QTest::newRow("odd 1001x801") << QSize(1001, 801) << QPoint(500 - 290, 400 - 248);
    QTest::newRow("form size") << QSize(594, 508) << QPoint(296 - 290, 253 - 248);
    QTest::newRow("minimum") << QSize(594, 505) << QPoint(6, 252 - 248);
    QTest::newRow("wide 1921x600") << QSize(1921, 600) << QPoint(960 - 290, 299 - 248);
}

void StartupTest::panelIsCentredWithTruncatingDivision()
{
    QFETCH(QSize, size);
    QFETCH(QPoint, expected);
    WorkingDirectory cwd;
    MainWindow window;
    window.showNormal();
    window.resize(size);
    QTRY_COMPARE(window.size(), size);
    QTRY_COMPARE(child<QWidget>(&window, "widget")->pos(), expected);
    // Nothing else moves with the window.
    QCOMPARE(child<QWidget>(&window, "tbl_liste")->pos(), QPoint(8, 256));
}

void StartupTest::oneListModelServesEveryRefresh()
{
    WorkingDirectory cwd;
    MainWindow window;
    auto *list = child<QTableView>(&window, "tbl_liste");
    QPointer<QAbstractItemModel> first = list->model();
    QVERIFY(first);
    QItemSelectionModel *selection = list->selectionModel();
    const int models = window.findChildren<QAbstractItemModel *>().size();
    const int selectionModels = window.findChildren<QItemSelectionModel *>().size();

    auto *search = child<QLineEdit>(&window, "txt_ara");
    for (const char *text : {"a", "al", "ali", "al", "", "a"})
        search->setText(QString::fromUtf8(text));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(list->model(), first.data());
    QCOMPARE(list->selectionModel(), selection);
    QCOMPARE(window.findChildren<QAbstractItemModel *>().size(), models);
    QCOMPARE(window.findChildren<QItemSelectionModel *>().size(), selectionModels);
}

void StartupTest::columnWidthsAreAppliedOnEveryRefresh()
{
    WorkingDirectory cwd;
    MainWindow window;
    auto *list = child<QTableView>(&window, "tbl_liste");
    list->setColumnWidth(1, 50);
    list->setColumnWidth(4, 60);
    child<QLineEdit>(&window, "txt_ara")->setText("x");
    QCOMPARE(list->columnWidth(1), 200);
    QCOMPARE(list->columnWidth(4), 140);
    QVERIFY(list->isColumnHidden(0));
}

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
