// Loading an entry by double-click and filtering the list while typing.
#include "window/mainwindow.h"

#include "testsupport.h"

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>
#include <QToolTip>

#include <limits>

namespace
{

QStringList listedNames(QWidget *window)
{
    QAbstractItemModel *model = listModel(window);
    QStringList names;
    for (int row = 0; row < model->rowCount(); ++row)
        names << model->index(row, 1).data().toString();
    return names;
}

int rowOf(QWidget *window, const QString &name)
{
    return listedNames(window).indexOf(name);
}

void doubleClickCell(QWidget *window, int row, int column)
{
    auto *list = child<QTableView>(window, "tbl_liste");
    const QModelIndex index = list->model()->index(row, column);
    const QPoint centre = list->visualRect(index).center();
    // A double-click is preceded by a click, as with a real mouse.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
}

QStringList formTexts(QWidget *window)
{
    QStringList texts;
    for (const char *field : {"txt_id", "txt_adsoyad", "txt_telefon", "txt_cep", "txt_mail"})
        texts << fieldText(window, field);
    return texts;
}

} // namespace

class BrowsingTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void anyCellOfARowLoadsTheSameEntry();
    void loadingReplacesTypedTextAndLeavesTheFocus();
    void invalidIndexDoesNothing();
    void keyboardAloneFindsAndLoadsAnEntry();
    void loadedEntryIsUpdatedBySaveEvenAfterSearching();
    void searchFiltersAtEveryKeystroke();
    void searchMatches_data();
    void searchMatches();
    void searchFindsTurkishNamesAndNumbers_data();
    void searchFindsTurkishNamesAndNumbers();
    void entriesAreFoundByTheirIdAndColumnNames_data();
    void entriesAreFoundByTheirIdAndColumnNames();
    void headerClicksSortInTurkishOrder_data();
    void headerClicksSortInTurkishOrder();
    void sortStaysWhileTypingAndAfterChanges();
    void countShowsListedAndAllEntries();
    void everyKeyDoesItsJob();
    void focusedButtonShowsAFrame();
    void numberColumnsFitTheNumbersAndCutTextsShowWhole();

private:
    std::unique_ptr<WindowFixture> fixture;
    MainWindow *window = nullptr;
    SideConnection *side = nullptr;
};

void BrowsingTest::init()
{
    fixture = std::make_unique<WindowFixture>([](const SideConnection &seed) {
        seed.insert("Ali Veli", "212 555 00 00", "0532 111 22 33", "ali@ornek.com.tr");
        seed.insert("Alican", " 216 ", "", QVariant());
        seed.insert("Şen Şakrak", "1", "2", "3");
        seed.insert("O'Brien", "", "", "");
        seed.insert("%100 _Gerçek_", "", "", "");
        seed.insert(QVariant(), "adsız", "", "");
    });
    window = fixture->window.get();
    side = &fixture->side;
}

void BrowsingTest::cleanup()
{
    fixture.reset();
}

void BrowsingTest::anyCellOfARowLoadsTheSameEntry()
{
    const int row = rowOf(window, "Ali Veli");
    doubleClickCell(window, row, 1);
    const QStringList fromName = formTexts(window);
    QCOMPARE(fromName,
             QStringList({"1", "Ali Veli", "212 555 00 00", "0532 111 22 33", "ali@ornek.com.tr"}));
    click(window, "btn_yeni");
    doubleClickCell(window, row, 2);
    QCOMPARE(formTexts(window), fromName);
    doubleClickCell(window, row, 4);
    QCOMPARE(formTexts(window), fromName);

    // NULL loads as empty, and nothing is trimmed.
    doubleClickCell(window, rowOf(window, "Alican"), 3);
    QCOMPARE(formTexts(window), QStringList({"2", "Alican", " 216 ", "", ""}));
}

void BrowsingTest::loadingReplacesTypedTextAndLeavesTheFocus()
{
    typeInto(window, "txt_adsoyad", "Yarım kalan");
    typeInto(window, "txt_mail", "yazı");
    auto *phone = child<QLineEdit>(window, "txt_telefon");
    phone->setFocus();
    auto *list = child<QTableView>(window, "tbl_liste");
    BoxAnswerer boxes({closeBox()});
    emit list->doubleClicked(list->model()->index(rowOf(window, "Şen Şakrak"), 2));
    QTest::qWait(20);
    QVERIFY(boxes.seen.isEmpty());
    QCOMPARE(formTexts(window), QStringList({"3", "Şen Şakrak", "1", "2", "3"}));
    QCOMPARE(window->focusWidget(), phone);
}

void BrowsingTest::invalidIndexDoesNothing()
{
    typeInto(window, "txt_adsoyad", "Kalır");
    auto *list = child<QTableView>(window, "tbl_liste");
    emit list->doubleClicked(QModelIndex());
    QCOMPARE(formTexts(window), QStringList({"", "Kalır", "", "", ""}));
}

void BrowsingTest::keyboardAloneFindsAndLoadsAnEntry()
{
    // The tab order is still the form's creation order.
    const char *const order[] = {"txt_adsoyad", "txt_telefon", "txt_cep", "txt_mail",
                                 "btn_kaydet",  "btn_yeni",    "btn_sil", "btn_sil_2",
                                 "tbl_liste",   "txt_ara"};
    QWidget *next = child<QWidget>(window, order[0]);
    for (const char *name : order) {
        while (!(next->focusPolicy() & Qt::TabFocus) || !next->isVisibleTo(window))
            next = next->nextInFocusChain();
        QCOMPARE(next->objectName(), QString::fromLatin1(name));
        next = next->nextInFocusChain();
    }

    auto *search = child<QLineEdit>(window, "txt_ara");
    auto *list = child<QTableView>(window, "tbl_liste");
    // Shortcuts answer only in the active window, as on a desktop.
    QApplication::setActiveWindow(window);
    QVERIFY(QTest::qWaitForWindowActive(window));
    search->setFocus();
    QTest::keyClicks(search, "sen");
    QTest::keyClick(search, Qt::Key_Down);
    QCOMPARE(QApplication::focusWidget(), list);
    QCOMPARE(list->currentIndex().row(), 0);
    QVERIFY(list->selectionModel()->isRowSelected(0, QModelIndex()));
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(formTexts(window), QStringList({"3", "Şen Şakrak", "1", "2", "3"}));

    typeInto(window, "txt_ara", "");
    list->setFocus();
    list->setCurrentIndex(list->model()->index(rowOf(window, "Ali Veli"), 4));
    QTest::keyClick(list, Qt::Key_Enter);
    QCOMPARE(formTexts(window),
             QStringList({"1", "Ali Veli", "212 555 00 00", "0532 111 22 33", "ali@ornek.com.tr"}));
}

void BrowsingTest::loadedEntryIsUpdatedBySaveEvenAfterSearching()
{
    doubleClickCell(window, rowOf(window, "Ali Veli"), 1);
    typeInto(window, "txt_ara", "Şen");
    QCOMPARE(listedNames(window), QStringList({"Şen Şakrak"}));
    QCOMPARE(fieldText(window, "txt_adsoyad"), QStringLiteral("Ali Veli"));

    typeInto(window, "txt_telefon", "0312");
    BoxAnswerer boxes({clickButton(QMessageBox::Ok)});
    click(window, "btn_kaydet");
    QCOMPARE(boxes.seen.size(), 1);
    QCOMPARE(boxes.seen.first().text, QStringLiteral("Güncellendi"));
    QCOMPARE(side->rows().first(),
             QVariantList({1, "Ali Veli", "0312", "0532 111 22 33", "ali@ornek.com.tr"}));
    QCOMPARE(side->rows().size(), 6);
    // Save lists every entry again, and the box no longer names a search.
    QCOMPARE(listedNames(window).size(), 6);
    QCOMPARE(fieldText(window, "txt_ara"), QString());
}

void BrowsingTest::searchFiltersAtEveryKeystroke()
{
    auto *list = child<QTableView>(window, "tbl_liste");
    auto *search = child<QLineEdit>(window, "txt_ara");
    search->setFocus();
    QSignalSpy refreshes(list->model(), &QAbstractItemModel::modelReset);
    QTest::keyClick(search, 'a');
    QCOMPARE(refreshes.count(), 1);
    QCOMPARE(listedNames(window).size(), 3); // Ali Veli, Alican, Şen Şakrak
    QTest::keyClick(search, 'l');
    QCOMPARE(listedNames(window), QStringList({"Ali Veli", "Alican"}));
    QTest::keyClick(search, Qt::Key_Backspace);
    QTest::keyClick(search, Qt::Key_Backspace);
    QCOMPARE(listedNames(window).size(), 6); // every entry, the one without a name too
    QCOMPARE(refreshes.count(), 4);
    QVERIFY(list->isColumnHidden(0));
}

void BrowsingTest::searchMatches_data()
{
    QTest::addColumn<QString>("search");
    QTest::addColumn<QStringList>("expected");
    const QStringList all = {"Ali Veli", "Alican", "Şen Şakrak", "O'Brien", "%100 _Gerçek_", ""};
    QTest::newRow("empty lists everything") << "" << all;
    QTest::newRow("spaces list everything") << " \t " << all;
    QTest::newRow("% any name or mail") << "%" << all;
    QTest::newRow("spaces around a word") << "  Ali " << QStringList({"Ali Veli", "Alican"});
    QTest::newRow("words in any order") << "veli ali" << QStringList({"Ali Veli"});
    QTest::newRow("a word of the mail") << "ornek" << QStringList({"Ali Veli"});
    QTest::newRow("name and mail words") << "ali ornek.com" << QStringList({"Ali Veli"});
    QTest::newRow("_ is one character") << "Al_c" << QStringList({"Alican"});
    QTest::newRow("% inside, found in the mail") << "l%n" << QStringList({"Ali Veli", "Alican"});
    QTest::newRow("dotted capital İ") << "ALİ" << QStringList({"Ali Veli", "Alican"});
    QTest::newRow("ASCII letters any case") << "aLI" << QStringList({"Ali Veli", "Alican"});
    QTest::newRow("Turkish case folded") << "şen" << QStringList({"Şen Şakrak"});
    QTest::newRow("Turkish exact") << "Şen" << QStringList({"Şen Şakrak"});
    QTest::newRow("single quote") << "'" << QStringList({"O'Brien"});
    QTest::newRow("quote inside") << "O'B" << QStringList({"O'Brien"});
    QTest::newRow("injection") << "' OR '1'='1" << QStringList();
    QTest::newRow("injection with comment") << "%' OR 1=1 --" << QStringList();
    QTest::newRow("double quote") << "\"" << QStringList();
    QTest::newRow("backslash") << "\\" << QStringList();
    QTest::newRow("nothing matches") << "zzz" << QStringList();
}

void BrowsingTest::searchMatches()
{
    QFETCH(QString, search);
    QFETCH(QStringList, expected);
    typeInto(window, "txt_ara", "x");
    typeInto(window, "txt_ara", search);
    QCOMPARE(listedNames(window), expected);
    QCOMPARE(side->rows().size(), 6);
}

void BrowsingTest::searchFindsTurkishNamesAndNumbers_data()
{
    QTest::addColumn<QString>("search");
    QTest::addColumn<QStringList>("expected");
    const QStringList sule = {"Şule Çağlar"}, isik = {"ALİ IŞIK", "ılgın ışık"};
    for (const char *text : {"şule", "ŞULE", "sule", "SULE", "çağ", "CAGLAR"})
        QTest::newRow(text) << QString::fromUtf8(text) << sule;
    for (const char *text : {"ışık", "IŞIK", "isik", "iSiK"})
        QTest::newRow(text) << QString::fromUtf8(text) << isik;
    QTest::newRow("ali") << "ali" << QStringList({"ALİ IŞIK"});
    QTest::newRow("AYŞE") << "AYŞE" << QStringList({"ayşe yılmaz"});
    QTest::newRow("ibrahim") << "ibrahim" << QStringList({"İbrahim Güneş"});
    QTest::newRow("circumflex") << "asik" << QStringList({"Âşık Veysel"});
    QTest::newRow("Western accents") << "jose nunez" << QStringList({"José Ñúñez"});
    QTest::newRow("_ one folded letter")
        << "_ş_k" << QStringList({"ALİ IŞIK", "ılgın ışık", "Âşık Veysel"});
    QTest::newRow("% inside") << "ı%Ş%l" << QStringList({"Âşık Veysel"});
    QTest::newRow("letter decomposing twice")
        << "Ǘ" << QStringList({"Şule Çağlar", "İbrahim Güneş", "José Ñúñez"});
    QTest::newRow("% literal") << "%50 i" << QStringList({"%50 İndirim_"});
    QTest::newRow("spaces split words") << "  ışık " << isik;
    QTest::newRow("surname first") << "çağlar şule" << sule;
    QTest::newRow("mail domain") << "celik.net" << QStringList({"ayşe yılmaz"});
    QTest::newRow("name and mail") << "ayse celik" << QStringList({"ayşe yılmaz"});
    // Numbers: digits, separators, and the country or trunk prefix on either side.
    for (const char *text :
         {"0532 111", "5321112233", "+90 532 111 22 33", "(0532) 111-22-33", "532.111"})
        QTest::newRow(text) << QString::fromUtf8(text) << sule;
    QTest::newRow("stored untrimmed") << "0312 333 22 11" << QStringList({"ayşe yılmaz"});
    QTest::newRow("stored with +90") << "0555 444 33" << QStringList({"İbrahim Güneş"});
    QTest::newRow("stored with 0090") << "+90 216 999" << QStringList({"ılgın ışık"});
    QTest::newRow("0090 for 0") << "0090 532 111" << sule;
    QTest::newRow("0090 for +90") << "0090 555 444" << QStringList({"İbrahim Güneş"});
    QTest::newRow("0090 for 0090") << "0090 216 999" << QStringList({"ılgın ışık"});
    QTest::newRow("0 for 0090") << "0216 999 00" << QStringList({"ılgın ışık"});
    QTest::newRow("+90 for +90") << "+90 555 444" << QStringList({"İbrahim Güneş"});
    QTest::newRow("no digit left") << "0" << QStringList({"%50 İndirim_"});
    QTest::newRow("only separators") << "+" << QStringList();
    QTest::newRow("a letter makes it a name") << "0532a" << QStringList();
}

void BrowsingTest::searchFindsTurkishNamesAndNumbers()
{
    QFETCH(QString, search);
    QFETCH(QStringList, expected);
    const QVector<QStringList> entries = {
        {"Şule Çağlar", "0232 333 66 77", "0532 111 22 33", "sule@ornek.com.tr"},
        {"ALİ IŞIK", "", "", ""},
        {"ayşe yılmaz", " 0312 333 22 11 ", "", "ayse@celik.net"},
        {"İbrahim Güneş", "", "+90 555 444 33 22", ""},
        {"ılgın ışık", "0090 216 999 00 00", "", ""},
        {"José Ñúñez", "", "", ""},
        {"Âşık Veysel", "", "", ""},
        {"%50 İndirim_", "", "", ""}};
    WindowFixture turkish([&entries](const SideConnection &seed) {
        for (const QStringList &entry : entries)
            seed.insert(entry[0], entry[1], entry[2], entry[3]);
    });
    typeInto(turkish.window.get(), "txt_ara", search);
    const QStringList listed = listedNames(turkish.window.get());
    QCOMPARE(listed, expected);

    // The promise, written independently, agrees; everything the search found before it
    // knew words and mails, and every row SQLite's own LIKE lists, is still listed.
    QStringList promised;
    for (const QStringList &entry : entries) {
        if (referenceSearchFinds(search, entry[0], entry[1], entry[2], entry[3]))
            promised << entry[0];
        if (referenceWholeTextFinds(search, entry[0], entry[1], entry[2]))
            QVERIFY2(listed.contains(entry[0]), qPrintable(entry[0]));
    }
    QCOMPARE(listed, promised);
    QSqlQuery plain(turkish.side.db());
    QVERIFY(plain.prepare("SELECT adsoyad FROM TELEFON WHERE adsoyad LIKE ?"));
    plain.addBindValue('%' + search + '%');
    QVERIFY(plain.exec());
    while (plain.next())
        QVERIFY2(listed.contains(plain.value(0).toString()), qPrintable(plain.value(0).toString()));
}

void BrowsingTest::entriesAreFoundByTheirIdAndColumnNames_data()
{
    QTest::addColumn<QString>("columns");
    QTest::addColumn<qint64>("id");
    const QString usual = "id INTEGER PRIMARY KEY AUTOINCREMENT, adsoyad TEXT, telefon TEXT, "
                          "cep TEXT, mail TEXT";
    QTest::newRow("id above 32 bits") << usual << Q_INT64_C(3000000000);
    QTest::newRow("largest id") << usual << Q_INT64_C(9223372036854775807);
    QTest::newRow("columns in another order")
        << "id INTEGER PRIMARY KEY AUTOINCREMENT, adsoyad TEXT, cep TEXT, telefon TEXT, mail TEXT"
        << Q_INT64_C(7);
}

void BrowsingTest::entriesAreFoundByTheirIdAndColumnNames()
{
    QFETCH(QString, columns);
    QFETCH(qint64, id);
    if (testingOnServer())
        QSKIP("the server's table is the program's own; a file another program made is not");
    WorkingDirectory cwd;
    SideConnection other(cwd.databaseFile());
    other.exec("CREATE TABLE TELEFON (" + columns + ")");
    other.exec(QStringLiteral("INSERT INTO TELEFON (id, adsoyad, telefon, cep, mail) VALUES "
                              "(%1, 'Ayşe Yılmaz', '0212', '0532', 'a@b.c')")
                   .arg(id));
    MainWindow window;
    doubleClickCell(&window, 0, 1);
    QCOMPARE(formTexts(&window),
             QStringList({QString::number(id), "Ayşe Yılmaz", "0212", "0532", "a@b.c"}));

    typeInto(&window, "txt_telefon", "0216");
    QCOMPARE(pressSave(&window).text, QStringLiteral("Güncellendi"));
    QCOMPARE(other.rows(), QVector<QVariantList>({{id, "Ayşe Yılmaz", "0216", "0532", "a@b.c"}}));

    if (id < std::numeric_limits<qint64>::max()) { // no id is left after the largest
        click(&window, "btn_yeni");
        typeInto(&window, "txt_adsoyad", "Ali Veli");
        typeInto(&window, "txt_telefon", "1");
        typeInto(&window, "txt_cep", "2");
        QCOMPARE(pressSave(&window).text, QStringLiteral("Kaydedildi"));
        QCOMPARE(other.rows().last().mid(1), QVariantList({"Ali Veli", "1", "2", ""}));
    }

    doubleClickCell(&window, 0, 2);
    BoxAnswerer confirm({clickButton(QMessageBox::Yes)});
    click(&window, "btn_sil");
    QCOMPARE(confirm.seen.size(), 1);
    QCOMPARE(other.rows().size(), id < std::numeric_limits<qint64>::max() ? 1 : 0);
    QCOMPARE(other.rows().value(0).value(1).toString(),
             id < std::numeric_limits<qint64>::max() ? QStringLiteral("Ali Veli") : QString());
}

namespace
{

void clickHeader(QWidget *window, int column)
{
    QHeaderView *header = child<QTableView>(window, "tbl_liste")->horizontalHeader();
    const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(x, header->height() / 2));
}

QStringList listedColumn(QWidget *window, int column)
{
    QAbstractItemModel *model = listModel(window);
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row)
        texts << model->index(row, column).data().toString();
    return texts;
}

QString countText(QWidget *window)
{
    return child<QLabel>(window, "lbl_sayi")->text();
}

} // namespace

void BrowsingTest::headerClicksSortInTurkishOrder_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QStringList>("ascending");
    QTest::addColumn<QStringList>("descending");
    QTest::newRow("names, case ignored")
        << 1
        << QStringList({"Zeynep", "çiçek", "Cem", "Işık", "ılgın", "ipek", "İbrahim", "Ömer", "Oya",
                        "Şule", "seda", "Ümit", "Uğur", "gül", "Ğ", "Ayşe", "ali", ""})
        << QStringList({"ali", "Ayşe", "Cem", "çiçek", "gül", "Ğ", "ılgın", "Işık", "İbrahim",
                        "ipek", "Oya", "Ömer", "seda", "Şule", "Uğur", "Ümit", "Zeynep", ""})
        << QStringList({"Zeynep", "Ümit", "Uğur", "Şule", "seda", "Ömer", "Oya", "ipek", "İbrahim",
                        "Işık", "ılgın", "Ğ", "gül", "çiçek", "Cem", "Ayşe", "ali", ""});
    QTest::newRow("numbers by their digits, prefix left out")
        << 2 << QStringList({"0532 111", "+90 212 000", "", "0212 555", "(0312) 1"})
        << QStringList({"+90 212 000", "0212 555", "(0312) 1", "0532 111", ""})
        << QStringList({"0532 111", "(0312) 1", "0212 555", "+90 212 000", ""});
    QTest::newRow("mails") << 4 << QStringList({"şule@a.tr", "sule@a.tr", "ç@a.tr", "c@a.tr"})
                           << QStringList({"c@a.tr", "ç@a.tr", "sule@a.tr", "şule@a.tr"})
                           << QStringList({"şule@a.tr", "sule@a.tr", "ç@a.tr", "c@a.tr"});
}

void BrowsingTest::headerClicksSortInTurkishOrder()
{
    QFETCH(int, column);
    QFETCH(QStringList, stored);
    QFETCH(QStringList, ascending);
    QFETCH(QStringList, descending);
    WindowFixture book([&](const SideConnection &seed) {
        for (const QString &value : stored) {
            QVariantList fields = {"Ad", "", "", ""};
            fields[column - 1] = value;
            seed.insert(fields[0], fields[1], fields[2], fields[3]);
        }
    });
    QWidget *sorted = book.window.get();
    clickHeader(sorted, column);
    QCOMPARE(listedColumn(sorted, column), ascending);
    clickHeader(sorted, column);
    QCOMPARE(listedColumn(sorted, column), descending);
    clickHeader(sorted, column);
    QCOMPARE(listedColumn(sorted, column), stored);
    // Nothing is written into the file.
    if (testingOnServer())
        return;
    QSqlQuery schema(book.side.db());
    QVERIFY(schema.exec("SELECT count(*) FROM sqlite_master WHERE name NOT LIKE '%TELEFON_%'") &&
            schema.next());
    QCOMPARE(schema.value(0).toInt(), 2); // TELEFON and sqlite_sequence, beside the log
}

void BrowsingTest::sortStaysWhileTypingAndAfterChanges()
{
    clickHeader(window, 1);
    typeInto(window, "txt_ara", "al");
    QCOMPARE(listedNames(window), QStringList({"Ali Veli", "Alican"}));
    click(window, "btn_yeni");
    typeInto(window, "txt_adsoyad", "Aaa Şahin");
    QCOMPARE(pressSave(window).text, QStringLiteral("Kaydedildi"));
    QCOMPARE(listedNames(window).mid(0, 4),
             QStringList({"%100 _Gerçek_", "Aaa Şahin", "Ali Veli", "Alican"}));
    // An entry renamed by this window moves; one saved by another program takes its place
    // at the next keystroke, or on a server once the server tells of it.
    typeInto(window, "txt_adsoyad", "Zülfü Livaneli");
    QCOMPARE(pressSave(window).text, QStringLiteral("Güncellendi"));
    side->insert("Abdullah");
    typeInto(window, "txt_ara", "l");
    QTRY_COMPARE_WITH_TIMEOUT(listedNames(window),
                              QStringList({"Abdullah", "Ali Veli", "Alican", "Zülfü Livaneli"}),
                              30000);
    QCOMPARE(child<QTableView>(window, "tbl_liste")->horizontalHeader()->sortIndicatorOrder(),
             Qt::AscendingOrder);
}

void BrowsingTest::countShowsListedAndAllEntries()
{
    QCOMPARE(countText(window), QStringLiteral("6 kişi"));
    typeInto(window, "txt_ara", "ali");
    QCOMPARE(countText(window), QStringLiteral("2 / 6 kişi"));
    QCOMPARE(child<QLineEdit>(window, "txt_ara")->toolTip(),
             QStringLiteral("Listede 2 kişi, defterde 6 kişi var."));
    click(window, "btn_yeni");
    typeInto(window, "txt_adsoyad", "Yeni Kişi");
    pressSave(window);
    QCOMPARE(countText(window), QStringLiteral("7 kişi"));
    // Thousands in the Turkish way; another program's entries are counted too.
    side->exec("BEGIN");
    for (int i = 0; i < 1228; ++i)
        side->insert(QStringLiteral("Kişi %1").arg(i));
    side->exec("COMMIT");
    typeInto(window, "txt_ara", "ali");
    QCOMPARE(countText(window), QStringLiteral("2 / 1.235 kişi"));
    BoxAnswerer confirm({clickButton(QMessageBox::Yes)});
    click(window, "btn_sil");
    // The other program's entries may still be read beside the index: listed when they are.
    wholeList(window);
    QTRY_COMPARE_WITH_TIMEOUT(countText(window), QStringLiteral("1.234 kişi"), 30000);
    // The count lies in the search box without moving or covering any other widget.
    auto *label = child<QLabel>(window, "lbl_sayi");
    QCOMPARE(label->parentWidget(), child<QWidget>(window, "txt_ara"));
    QVERIFY(label->isVisible());
}

void BrowsingTest::everyKeyDoesItsJob()
{
    auto *list = child<QTableView>(window, "tbl_liste");
    auto *search = child<QLineEdit>(window, "txt_ara");
    auto *name = child<QLineEdit>(window, "txt_adsoyad");
    QApplication::setActiveWindow(window);
    QVERIFY(QTest::qWaitForWindowActive(window));

    // Tab and Shift+Tab leave the list.
    list->setFocus();
    list->setCurrentIndex(list->model()->index(rowOf(window, "Ali Veli"), 2));
    QTest::keyClick(list, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), search);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("btn_sil_2"));
    // Return on a row loads it and goes on to the name.
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(formTexts(window).mid(0, 2), QStringList({"1", "Ali Veli"}));
    QCOMPARE(QApplication::focusWidget(), name);
    // Return in a field saves, and so does Ctrl+S.
    for (const char *field : {"txt_adsoyad", "txt_telefon", "txt_cep", "txt_mail"}) {
        BoxAnswerer saved({clickButton(QMessageBox::Ok)});
        QTest::keyClick(child<QLineEdit>(window, field), Qt::Key_Return);
        QCOMPARE(saved.seen.size(), 1);
        QCOMPARE(saved.seen.first().text, QStringLiteral("Güncellendi"));
    }
    activate(window);
    BoxAnswerer saved({clickButton(QMessageBox::Ok)});
    QTest::keyClick(list, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(saved.seen.size(), 1);
    activate(window);
    // Ctrl+N empties the form.
    QTest::keyClick(search, Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(formTexts(window), QStringList({"", "", "", "", ""}));
    QCOMPARE(QApplication::focusWidget(), name);
    // Ctrl+F goes to the search box with its text selected; Escape there empties it.
    search->setText("ali");
    QTest::keyClick(name, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), search);
    QCOMPARE(search->selectedText(), QStringLiteral("ali"));
    QTest::keyClick(search, Qt::Key_Escape);
    QCOMPARE(search->text(), QString());
    // Delete on a row loads it and asks SİL's question.
    list->setFocus();
    list->setCurrentIndex(list->model()->index(rowOf(window, "Alican"), 1));
    BoxAnswerer question({clickButton(QMessageBox::Cancel)});
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(question.seen.size(), 1);
    QCOMPARE(question.seen.first().text,
             QStringLiteral("İşlemin geri dönüşü yoktur. Emin misiniz?"));
    QCOMPARE(formTexts(window).mid(0, 2), QStringList({"2", "Alican"}));
    QCOMPARE(side->rows().size(), 6);
}

void BrowsingTest::focusedButtonShowsAFrame()
{
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    for (const char *name : {"btn_kaydet", "btn_yeni", "btn_sil", "btn_sil_2"}) {
        auto *button = child<QPushButton>(window, name);
        child<QWidget>(window, "txt_ara")->setFocus();
        const QImage unfocused = button->grab().toImage();
        button->setFocus(Qt::TabFocusReason);
        const QImage focused = button->grab().toImage();
        // The frame runs round the button, inside its edge; the rest is drawn as before.
        const qreal scale = focused.devicePixelRatio();
        const QPoint onFrame = QPoint(button->width() / 2, 2) * scale;
        QVERIFY2(focused.pixel(onFrame) != unfocused.pixel(onFrame), name);
        const QPoint inside = QPoint(button->width() / 2, button->height() / 2 - 6) * scale;
        QCOMPARE(focused.pixel(inside), unfocused.pixel(inside));
    }
}

void BrowsingTest::numberColumnsFitTheNumbersAndCutTextsShowWhole()
{
    // As wide as the widest number the book holds ("0532 111 22 33"), both alike.
    auto *list = child<QTableView>(window, "tbl_liste");
    const QFontMetrics metrics(list->font());
    const int fitted = list->columnWidth(3);
    QCOMPARE(list->columnWidth(2), fitted);
    QVERIFY(fitted >= metrics.horizontalAdvance("0532 111 22 33"));
    QVERIFY(fitted < metrics.horizontalAdvance("0532 111 22 33") + 20);
    // Never below the view's default.
    side->exec("UPDATE TELEFON SET telefon='1', cep='2'");
    typeInto(window, "txt_ara", "a");
    QCOMPARE(list->columnWidth(3), list->horizontalHeader()->defaultSectionSize());
    // Never wider than a whole 17-character number.
    const QString longest = QStringLiteral("+90 (532) 111 22 33 / 44");
    side->insert(QString(300, QChar(0x15F)), "", longest, "");
    typeInto(window, "txt_ara", "ş");
    const int wide = list->columnWidth(3);
    QCOMPARE(list->columnWidth(2), wide);
    QVERIFY(wide >= metrics.horizontalAdvance(longest.left(17)));
    QVERIFY(wide < metrics.horizontalAdvance(longest));

    // The 300-letter name is cut in its 200-pixel column: its tooltip shows it whole.
    const auto toolTipAt = [list](int row, int column) {
        QToolTip::hideText();
        if (!QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 30000))
            qFatal("a tooltip stays");
        const QRect cell = list->visualRect(list->model()->index(row, column));
        QHelpEvent help(QEvent::ToolTip, cell.center(),
                        list->viewport()->mapToGlobal(cell.center()));
        QApplication::sendEvent(list->viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    const int row = listedNames(window).indexOf(QString(300, QChar(0x15F)));
    QCOMPARE(toolTipAt(row, 1), QString(300, QChar(0x15F)));
    QCOMPARE(toolTipAt(row, 3), longest); // cut at 17 characters
    QCOMPARE(toolTipAt(listedNames(window).indexOf("Şen Şakrak"), 1), QString()); // fits
}

QTEST_MAIN(BrowsingTest)
#include "tst_browsing.moc"
