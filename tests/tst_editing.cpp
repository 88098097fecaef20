// Save, new, delete and exit, driven through the real window: typed text, clicked
// buttons, every message box inspected and answered, the file read back aside.
#include "window/mainwindow.h"

#include "testsupport.h"

#include <QAbstractButton>
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

namespace
{

// Saves a new entry through the form and returns the id the window shows for it.
int saveNewEntry(QWidget *window, const QString &name, const QString &phone = QString())
{
    click(window, "btn_yeni");
    typeInto(window, "txt_adsoyad", name);
    typeInto(window, "txt_telefon", phone);
    if (pressSave(window).text != QStringLiteral("Kaydedildi"))
        qFatal("saving %s failed", qPrintable(name));
    return fieldText(window, "txt_id").toInt();
}

} // namespace

class EditingTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void emptyNameIsRefused_data();
    void emptyNameIsRefused();
    void onlyTheNameIsWrittenBackTrimmed();
    void firstSaveInsertsSecondSaveUpdatesTheSameRow();
    void idThatIsNotPositiveMeansNewEntry_data();
    void idThatIsNotPositiveMeansNewEntry();
    void rejectedSaveShowsTheDriverTextAndChangesNothing();
    void aLockHeldElsewhereIsSaidAndKeepsTheForm();
    void updateOfAVanishedEntryKeepsTheTextsForANewSave();
    void changeMadeElsewhereIsNeverLostUnasked_data();
    void changeMadeElsewhereIsNeverLostUnasked();
    void cancelledDeleteKeepsEverything_data();
    void cancelledDeleteKeepsEverything();
    void confirmedDeleteEmptiesTheFormAndListsAll();
    void aSaveListsEveryoneAndEmptiesTheSearchBox();
    void rejectedDeleteIsReportedAndKeepsTheForm();
    void deleteOfAnAlreadyDeletedRowIsASuccess();
    void newEmptiesTheFormOnly();
    void anotherProgramsChangesReachTheListOnce();
    void exitEndsTheProcessWithStatusZero();
    void halfAnEmojiCutByTheLengthLimitIsNotStored();

private:
    std::unique_ptr<WindowFixture> fixture;
    MainWindow *window = nullptr;
    SideConnection *side = nullptr;
};

void EditingTest::init()
{
    fixture = std::make_unique<WindowFixture>();
    window = fixture->window.get();
    side = &fixture->side;
}

void EditingTest::cleanup()
{
    fixture.reset();
}

void EditingTest::emptyNameIsRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("empty") << QString();
    QTest::newRow("spaces") << QStringLiteral("    ");
    QTest::newRow("tab and line feed") << QStringLiteral("\t \n ");
    QTest::newRow("no-break space") << QStringLiteral("\u00a0\u2003");
}

void EditingTest::emptyNameIsRefused()
{
    QFETCH(QString, name);
    child<QLineEdit>(window, "txt_adsoyad")->setText(name);
    typeInto(window, "txt_telefon", "212");
    QSignalSpy refreshes(listModel(window), &QAbstractItemModel::modelReset);

    BoxAnswerer boxes({clickButton(QMessageBox::Ok)});
    click(window, "btn_kaydet");

    QCOMPARE(boxes.seen.size(), 1);
    const SeenBox box = boxes.seen.first();
    QCOMPARE(box.text, QStringLiteral("Ad Soyad Boş Bırakılamaz!"));
    QVERIFY(box.title.isEmpty());
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(!box.hasParent);
    QCOMPARE(fieldText(window, "txt_adsoyad"), QString());
    QCOMPARE(fieldText(window, "txt_telefon"), QStringLiteral("212"));
    QVERIFY(side->rows().isEmpty());
    QCOMPARE(refreshes.count(), 0);
}

void EditingTest::onlyTheNameIsWrittenBackTrimmed()
{
    typeInto(window, "txt_adsoyad", "  Ali Veli  ");
    typeInto(window, "txt_telefon", " 212 ");
    typeInto(window, "txt_cep", "  0532 ");
    typeInto(window, "txt_mail", " ali@ornek.tr");
    BoxAnswerer boxes({clickButton(QMessageBox::Ok)});
    click(window, "btn_kaydet");

    QCOMPARE(boxes.seen.size(), 1);
    QCOMPARE(fieldText(window, "txt_adsoyad"), QStringLiteral("Ali Veli"));
    QCOMPARE(fieldText(window, "txt_telefon"), QStringLiteral(" 212 "));
    QCOMPARE(fieldText(window, "txt_cep"), QStringLiteral("  0532 "));
    const QVector<QVariantList> rows = side->rows();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first().mid(1), QVariantList({"Ali Veli", "212", "0532", "ali@ornek.tr"}));
    QCOMPARE(listModel(window)->index(0, 2).data().toString(), QStringLiteral("212"));
}

void EditingTest::firstSaveInsertsSecondSaveUpdatesTheSameRow()
{
    side->insert("Önceki Kayıt");
    typeInto(window, "txt_adsoyad", "Ayşe Yılmaz");
    typeInto(window, "txt_telefon", "0212");

    // While "Kaydedildi" is open, the list already shows the row and the id is in the form.
    int rowsWhileOpen = -1;
    QString idWhileOpen;
    BoxAnswerer inserted({clickButton(QMessageBox::Ok)}, [&](QMessageBox *) {
        rowsWhileOpen = listModel(window)->rowCount();
        idWhileOpen = fieldText(window, "txt_id");
    });
    click(window, "btn_kaydet");
    QCOMPARE(inserted.seen.size(), 1);
    QCOMPARE(inserted.seen.first().title, QStringLiteral("İşlem Tamam"));
    QCOMPARE(inserted.seen.first().text, QStringLiteral("Kaydedildi"));
    QCOMPARE(inserted.seen.first().icon, QMessageBox::Information);
    QCOMPARE(rowsWhileOpen, 2);
    QCOMPARE(idWhileOpen, side->rows().last().value(0).toString());
    QCOMPARE(idWhileOpen, QStringLiteral("2"));

    // While "Güncellendi" is open, the list still shows the old texts; it reloads after.
    typeInto(window, "txt_telefon", "0216");
    QString phoneWhileOpen;
    BoxAnswerer updated({pressKey(Qt::Key_Escape)}, [&](QMessageBox *) {
        phoneWhileOpen = listModel(window)->index(1, 2).data().toString();
    });
    click(window, "btn_kaydet");
    QCOMPARE(updated.seen.size(), 1);
    QCOMPARE(updated.seen.first().title, QStringLiteral("İşlem Tamam"));
    QCOMPARE(updated.seen.first().text, QStringLiteral("Güncellendi"));
    QCOMPARE(updated.seen.first().icon, QMessageBox::Information);
    QCOMPARE(phoneWhileOpen, QStringLiteral("0212"));
    QCOMPARE(listModel(window)->index(1, 2).data().toString(), QStringLiteral("0216"));

    const QVector<QVariantList> rows = side->rows();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.last(), QVariantList({2, "Ayşe Yılmaz", "0216", "", ""}));
    QCOMPARE(fieldText(window, "txt_id"), QStringLiteral("2"));
}

void EditingTest::idThatIsNotPositiveMeansNewEntry_data()
{
    QTest::addColumn<QString>("id");
    for (const char *id : {"", "0", "-3", "abc", "12abc", " ", "99999999999999999999"})
        QTest::newRow(id) << QString::fromLatin1(id);
}

void EditingTest::idThatIsNotPositiveMeansNewEntry()
{
    QFETCH(QString, id);
    side->insert("Var Olan");
    child<QLineEdit>(window, "txt_id")->setText(id);
    BoxAnswerer refused({clickButton(QMessageBox::Ok)});
    click(window, "btn_sil");
    QCOMPARE(refused.seen.size(), 1);
    QCOMPARE(refused.seen.first().title, QStringLiteral("Hata"));
    QCOMPARE(refused.seen.first().text, QStringLiteral("Kayıt Seçilmemiş."));
    QCOMPARE(refused.seen.first().icon, QMessageBox::Information);
    QCOMPARE(refused.seen.first().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(side->rows().size(), 1);

    typeInto(window, "txt_adsoyad", "Yeni Kişi");
    BoxAnswerer saved({clickButton(QMessageBox::Ok)});
    click(window, "btn_kaydet");
    QCOMPARE(saved.seen.first().text, QStringLiteral("Kaydedildi"));
    QCOMPARE(side->rows().size(), 2);
    QCOMPARE(side->rows().first().value(1).toString(), QStringLiteral("Var Olan"));
}

void EditingTest::rejectedSaveShowsTheDriverTextAndChangesNothing()
{
    const int id = saveNewEntry(window, "Ali Veli", "212");
    side->refuse("INSERT", "ekleme yasak");
    side->refuse("UPDATE", "degistirme yasak");

    // Update refused.
    typeInto(window, "txt_telefon", "999");
    QSignalSpy refreshes(listModel(window), &QAbstractItemModel::modelReset);
    BoxAnswerer updateRefused({clickButton(QMessageBox::Ok)});
    click(window, "btn_kaydet");
    QCOMPARE(updateRefused.seen.size(), 1);
    QCOMPARE(updateRefused.seen.first().title, QStringLiteral("Hata"));
    QVERIFY2(updateRefused.seen.first().text.startsWith(QStringLiteral("HATA")) &&
                 updateRefused.seen.first().text.contains(QStringLiteral("degistirme yasak")),
             qPrintable(updateRefused.seen.first().text));
    QCOMPARE(updateRefused.seen.first().icon, QMessageBox::Warning);
    QCOMPARE(fieldText(window, "txt_id"), QString::number(id));
    QCOMPARE(fieldText(window, "txt_telefon"), QStringLiteral("999"));
    QCOMPARE(refreshes.count(), 0);

    // Insert refused.
    click(window, "btn_yeni");
    typeInto(window, "txt_adsoyad", " Veli Ali ");
    BoxAnswerer insertRefused({clickButton(QMessageBox::Ok)});
    click(window, "btn_kaydet");
    QCOMPARE(insertRefused.seen.size(), 1);
    QVERIFY2(insertRefused.seen.first().text.startsWith(QStringLiteral("HATA")) &&
                 insertRefused.seen.first().text.contains(QStringLiteral("ekleme yasak")),
             qPrintable(insertRefused.seen.first().text));
    QCOMPARE(insertRefused.seen.first().icon, QMessageBox::Warning);
    QCOMPARE(fieldText(window, "txt_id"), QString());
    QCOMPARE(fieldText(window, "txt_adsoyad"), QStringLiteral("Veli Ali"));

    QCOMPARE(side->rows(), QVector<QVariantList>({{id, "Ali Veli", "212", "", ""}}));
}

void EditingTest::aLockHeldElsewhereIsSaidAndKeepsTheForm()
{
    const int id = saveNewEntry(window, "Ali Veli", "212");
    typeInto(window, "txt_telefon", "216");
    // Another desk holds the entry (on a server) or the book (a file) and waits.
    side->exec(testingOnServer() ? "BEGIN" : "BEGIN IMMEDIATE");
    if (testingOnServer())
        side->exec(QStringLiteral("SELECT * FROM telefon WHERE id=%1 FOR UPDATE").arg(id));
    const QString busy = QStringLiteral(
        "Bu kayıt şu anda başka bir masada değiştiriliyor; değişiklik kaydedilmedi.");

    const SeenBox save = pressSave(window);
    QCOMPARE(save.title, QStringLiteral("Hata"));
    QVERIFY2(save.text.startsWith(busy), qPrintable(save.text));
    QCOMPARE(save.icon, QMessageBox::Warning);
    QCOMPARE(fieldText(window, "txt_id"), QString::number(id));
    QCOMPARE(fieldText(window, "txt_telefon"), QStringLiteral("216"));
    BoxAnswerer deleteBoxes({clickButton(QMessageBox::Yes), clickButton(QMessageBox::Ok)});
    click(window, "btn_sil");
    QCOMPARE(deleteBoxes.seen.size(), 2);
    QVERIFY2(deleteBoxes.seen.last().text.startsWith(busy),
             qPrintable(deleteBoxes.seen.last().text));
    QCOMPARE(fieldText(window, "txt_id"), QString::number(id));

    // The command line gives up as soon, with the same sentence.
    QFile csv(fixture->cwd.path() + "/kisiler.csv");
    QVERIFY(csv.open(QIODevice::WriteOnly));
    csv.write("Ad Soyad;Telefon;Cep;Mail\r\nAli Veli;212;0532 7;\r\n");
    csv.close();
    const auto imported = runAktar(fixture->cwd.path(), {"import", "kisiler.csv"});
    QCOMPARE(imported.first, 1);
    QVERIFY2(imported.second.contains(busy), qPrintable(imported.second));

    side->exec("ROLLBACK");
    QCOMPARE(side->rows(), QVector<QVariantList>({{id, "Ali Veli", "212", "", ""}}));
    QCOMPARE(pressSave(window).text, QStringLiteral("Güncellendi"));
    QCOMPARE(side->rows(), QVector<QVariantList>({{id, "Ali Veli", "216", "", ""}}));
}

void EditingTest::updateOfAVanishedEntryKeepsTheTextsForANewSave()
{
    const int id = saveNewEntry(window, "Ali Veli", "212");
    side->exec(QStringLiteral("DELETE FROM TELEFON WHERE id=%1").arg(id));
    typeInto(window, "txt_telefon", "0216");

    QString idWhileOpen = QStringLiteral("unset");
    int refreshesWhileOpen = -1;
    QSignalSpy refreshes(listModel(window), &QAbstractItemModel::modelReset);
    BoxAnswerer notFound({clickButton(QMessageBox::Ok)}, [&](QMessageBox *) {
        idWhileOpen = fieldText(window, "txt_id");
        refreshesWhileOpen = refreshes.count();
    });
    click(window, "btn_kaydet");
    QCOMPARE(notFound.seen.size(), 1);
    QCOMPARE(notFound.seen.first().title, QStringLiteral("Hata"));
    QCOMPARE(notFound.seen.first().text,
             QStringLiteral("Güncellenecek kayıt bulunamadı. Tekrar KAYDET'e basarak yeni kayıt "
                            "olarak ekleyebilirsiniz."));
    QCOMPARE(notFound.seen.first().icon, QMessageBox::Warning);
    QCOMPARE(idWhileOpen, QString());
    QCOMPARE(refreshesWhileOpen, 0);
    QVERIFY(refreshes.count() > 0);
    QCOMPARE(fieldText(window, "txt_adsoyad"), QStringLiteral("Ali Veli"));
    QCOMPARE(fieldText(window, "txt_telefon"), QStringLiteral("0216"));
    QVERIFY(side->rows().isEmpty());

    BoxAnswerer savedAgain({clickButton(QMessageBox::Ok)});
    click(window, "btn_kaydet");
    QCOMPARE(savedAgain.seen.first().text, QStringLiteral("Kaydedildi"));
    QCOMPARE(side->rows().size(), 1);
    QCOMPARE(side->rows().first().mid(1), QVariantList({"Ali Veli", "0216", "", ""}));
}

void EditingTest::changeMadeElsewhereIsNeverLostUnasked_data()
{
    QTest::addColumn<bool>("deleting");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("storedPhone"); // empty: deleted
    QTest::newRow("save, overwrite") << false << QStringLiteral("Üzerine Kaydet") << "444";
    QTest::newRow("save, keep theirs") << false << QStringLiteral("Ötekini Koru") << "333";
    QTest::newRow("delete anyway") << true << QStringLiteral("Sil") << "";
    QTest::newRow("delete, keep theirs") << true << QStringLiteral("Vazgeç") << "333";
}

void EditingTest::changeMadeElsewhereIsNeverLostUnasked()
{
    QFETCH(bool, deleting);
    QFETCH(QString, answer);
    QFETCH(QString, storedPhone);
    const int id = saveNewEntry(window, "Ali Veli", "212");
    side->exec(QStringLiteral("UPDATE TELEFON SET telefon='333' WHERE id=%1").arg(id));
    typeInto(window, "txt_telefon", "444");
    const BoxAnswer choose = [answer](QMessageBox *box) {
        for (QAbstractButton *button : box->buttons())
            if (button->text() == answer)
                return button->click();
        qFatal("no button %s", qPrintable(answer));
    };
    const bool done = answer == QStringLiteral("Üzerine Kaydet");
    BoxAnswerer boxes(deleting ? QVector<BoxAnswer>{clickButton(QMessageBox::Yes), choose}
                      : done   ? QVector<BoxAnswer>{choose, clickButton(QMessageBox::Ok)}
                               : QVector<BoxAnswer>{choose});
    click(window, deleting ? "btn_sil" : "btn_kaydet");

    QCOMPARE(boxes.seen.size(), done ? 2 : deleting ? 2 : 1);
    const SeenBox asked = boxes.seen.at(deleting ? 1 : 0);
    QCOMPARE(asked.title, QStringLiteral("Kayıt Değişmiş"));
    QVERIFY(asked.text.contains(QStringLiteral("başka bir yerde değiştirildi")));
    if (storedPhone.isEmpty()) {
        QVERIFY(side->rows().isEmpty());
        return;
    }
    QCOMPARE(side->rows(), QVector<QVariantList>({{id, "Ali Veli", storedPhone, "", ""}}));
    if (deleting)
        QCOMPARE(fieldText(window, "txt_telefon"), QStringLiteral("333"));
    else
        QCOMPARE(fieldText(window, "txt_telefon"), QStringLiteral("444"));
    if (!deleting && !done) {
        // Seen and kept once: the next save is the user's own choice, asked no more.
        QCOMPARE(pressSave(window).text, QStringLiteral("Güncellendi"));
        QCOMPARE(side->rows().first().value(2).toString(), QStringLiteral("444"));
    }
}

void EditingTest::cancelledDeleteKeepsEverything_data()
{
    QTest::addColumn<BoxAnswer>("answer");
    QTest::newRow("Cancel") << clickButton(QMessageBox::Cancel);
    QTest::newRow("Escape") << pressKey(Qt::Key_Escape);
    QTest::newRow("close button") << closeBox();
    QTest::newRow("Enter on the default") << pressKey(Qt::Key_Return);
}

void EditingTest::cancelledDeleteKeepsEverything()
{
    QFETCH(BoxAnswer, answer);
    const int id = saveNewEntry(window, "Ali Veli", "212");
    typeInto(window, "txt_mail", "yazılıyor");
    QSignalSpy refreshes(listModel(window), &QAbstractItemModel::modelReset);

    BoxAnswerer boxes({answer});
    click(window, "btn_sil");
    QCOMPARE(boxes.seen.size(), 1);
    const SeenBox box = boxes.seen.first();
    QCOMPARE(box.title, QStringLiteral("İşlemi Onayla"));
    QCOMPARE(box.text, QStringLiteral("İşlemin geri dönüşü yoktur. Emin misiniz?"));
    QCOMPARE(box.icon, QMessageBox::Critical);
    QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::Cancel);
    QCOMPARE(box.defaultButton, QMessageBox::Cancel);
    QVERIFY(!box.hasParent);

    QCOMPARE(side->rows().size(), 1);
    QCOMPARE(fieldText(window, "txt_id"), QString::number(id));
    QCOMPARE(fieldText(window, "txt_mail"), QStringLiteral("yazılıyor"));
    QCOMPARE(refreshes.count(), 0);
}

void EditingTest::confirmedDeleteEmptiesTheFormAndListsAll()
{
    side->insert("Ali Veli");
    side->insert("Ayşe Yılmaz");
    const int id = saveNewEntry(window, "Silinecek", "1");
    typeInto(window, "txt_ara", "Ali");
    QCOMPARE(listModel(window)->rowCount(), 1);
    typeInto(window, "txt_cep", "0532");

    BoxAnswerer boxes({clickButton(QMessageBox::Yes)});
    click(window, "btn_sil");
    QCOMPARE(boxes.seen.size(), 1);

    for (const char *field : {"txt_id", "txt_adsoyad", "txt_telefon", "txt_cep", "txt_mail"})
        QCOMPARE(fieldText(window, field), QString());
    QCOMPARE(window->focusWidget(), child<QLineEdit>(window, "txt_adsoyad"));
    // All entries, not the filter, and the box no longer names it.
    QCOMPARE(fieldText(window, "txt_ara"), QString());
    QCOMPARE(listModel(window)->rowCount(), 2);
    for (const QVariantList &row : side->rows())
        QVERIFY(row.value(0).toInt() != id);
    QCOMPARE(side->rows().size(), 2);
}

void EditingTest::aSaveListsEveryoneAndEmptiesTheSearchBox()
{
    fixture.reset();
    fixture = std::make_unique<WindowFixture>([](const SideConnection &seed) {
        seed.insert("Ayşe Şentürk", "0212 1");
        seed.insert("Ali Veli", "0212 2");
    });
    window = fixture->window.get();
    side = &fixture->side;
    typeInto(window, "txt_ara", "şentürk");
    QCOMPARE(listModel(window)->rowCount(), 1);
    QMetaObject::invokeMethod(window, "on_tbl_liste_doubleClicked",
                              Q_ARG(QModelIndex, listModel(window)->index(0, 1)));
    typeInto(window, "txt_cep", "0532 9");
    QCOMPARE(pressSave(window).text, QStringLiteral("Güncellendi"));
    // Were the box to keep its text, the first row would look like the search's and be
    // someone else.
    QCOMPARE(fieldText(window, "txt_ara"), QString());
    QCOMPARE(listModel(window)->rowCount(), 2);
    QCOMPARE(child<QLabel>(window, "lbl_sayi")->text(), QStringLiteral("2 kişi"));

    typeInto(window, "txt_ara", "veli");
    click(window, "btn_yeni");
    typeInto(window, "txt_adsoyad", "Can Er");
    QCOMPARE(pressSave(window).text, QStringLiteral("Kaydedildi"));
    QCOMPARE(fieldText(window, "txt_ara"), QString());
    QCOMPARE(listModel(window)->rowCount(), 3);
}

void EditingTest::rejectedDeleteIsReportedAndKeepsTheForm()
{
    const int id = saveNewEntry(window, "Ali Veli", "212");
    side->refuse("DELETE", "silme yasak");
    QSignalSpy refreshes(listModel(window), &QAbstractItemModel::modelReset);

    BoxAnswerer boxes({clickButton(QMessageBox::Yes), clickButton(QMessageBox::Ok)});
    click(window, "btn_sil");
    QCOMPARE(boxes.seen.size(), 2);
    const SeenBox failure = boxes.seen.last();
    QCOMPARE(failure.title, QStringLiteral("Hata"));
    QVERIFY2(failure.text.startsWith(QStringLiteral("HATA")) &&
                 failure.text.contains(QStringLiteral("silme yasak")),
             qPrintable(failure.text));
    QCOMPARE(failure.icon, QMessageBox::Warning);
    QCOMPARE(failure.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

    QCOMPARE(fieldText(window, "txt_id"), QString::number(id));
    QCOMPARE(fieldText(window, "txt_adsoyad"), QStringLiteral("Ali Veli"));
    QCOMPARE(side->rows().size(), 1);
    QVERIFY(refreshes.count() > 0);
    QCOMPARE(listModel(window)->rowCount(), 1);
}

void EditingTest::deleteOfAnAlreadyDeletedRowIsASuccess()
{
    const int id = saveNewEntry(window, "Ali Veli");
    side->exec(QStringLiteral("DELETE FROM TELEFON WHERE id=%1").arg(id));
    BoxAnswerer boxes({clickButton(QMessageBox::Yes), clickButton(QMessageBox::Ok)});
    click(window, "btn_sil");
    QCOMPARE(boxes.seen.size(), 1);
    QCOMPARE(fieldText(window, "txt_id"), QString());
    QCOMPARE(fieldText(window, "txt_adsoyad"), QString());
}

void EditingTest::newEmptiesTheFormOnly()
{
    // Stored before the window starts: no change made elsewhere arrives while it is watched.
    fixture.reset();
    fixture = std::make_unique<WindowFixture>([](const SideConnection &seed) {
        seed.insert("Ali Veli");
        seed.insert("Alican");
    });
    window = fixture->window.get();
    side = &fixture->side;
    typeInto(window, "txt_ara", "Ali");
    auto *list = child<QTableView>(window, "tbl_liste");
    list->selectRow(1);
    QSignalSpy refreshes(listModel(window), &QAbstractItemModel::modelReset);
    child<QLineEdit>(window, "txt_id")->setText("2");
    typeInto(window, "txt_adsoyad", "a");
    typeInto(window, "txt_telefon", "b");
    typeInto(window, "txt_cep", "c");
    typeInto(window, "txt_mail", "d");

    BoxAnswerer boxes({closeBox()});
    click(window, "btn_yeni");
    QTest::qWait(30);
    QVERIFY(boxes.seen.isEmpty());
    for (const char *field : {"txt_id", "txt_adsoyad", "txt_telefon", "txt_cep", "txt_mail"})
        QCOMPARE(fieldText(window, field), QString());
    QCOMPARE(window->focusWidget(), child<QLineEdit>(window, "txt_adsoyad"));
    QCOMPARE(fieldText(window, "txt_ara"), QStringLiteral("Ali"));
    QCOMPARE(refreshes.count(), 0);
    QCOMPARE(list->selectionModel()->selectedRows().value(0).row(), 1);
    QCOMPARE(side->rows().size(), 2);
}

void EditingTest::anotherProgramsChangesReachTheListOnce()
{
    // One window at a time: they share the one connection.
    this->fixture.reset();
    WindowFixture fixture([](const SideConnection &seed) {
        for (const char *name : {"Ali Veli", "Ayşe Yılmaz", "Ali Can"})
            seed.insert(name, "0212", "", "");
    });
    MainWindow *window = fixture.window.get();
    QAbstractItemModel *model = listModel(window);
    auto *view = child<QTableView>(window, "tbl_liste");
    typeInto(window, "txt_ara", "ali");
    QCOMPARE(model->rowCount(), 2);
    view->selectRow(1);
    typeInto(window, "txt_adsoyad", "Yazılan");
    QSignalSpy resets(model, &QAbstractItemModel::modelReset);

    // Another process: psql as another desk, or sqlite3 as another program on the file.
    fixture.cwd.runOtherProgram("INSERT INTO telefon (adsoyad) VALUES ('Alişan')");
    QTRY_COMPARE_WITH_TIMEOUT(model->rowCount(), 3, 30000);
    QCOMPARE(fieldText(window, "txt_ara"), QStringLiteral("ali"));
    QCOMPARE(fieldText(window, "txt_adsoyad"), QStringLiteral("Yazılan"));
    QCOMPARE(view->selectionModel()->selectedRows(1).value(0).data().toString(),
             QStringLiteral("Ali Can"));

    // Its own save reloads once: by the time another desk's next change shows, the resets
    // are the save's and that change's only.
    typeInto(window, "txt_ara", "");
    resets.clear();
    click(window, "btn_yeni");
    typeInto(window, "txt_adsoyad", "Kendi Kaydım");
    QCOMPARE(pressSave(window).text, QStringLiteral("Kaydedildi"));
    const int byTheSave = resets.count();
    fixture.cwd.runOtherProgram("DELETE FROM telefon WHERE adsoyad = 'Ali Veli'");
    QTRY_COMPARE_WITH_TIMEOUT(model->rowCount(), 4, 30000);
    QCOMPARE(resets.count(), byTheSave + 1);
}

void EditingTest::exitEndsTheProcessWithStatusZero()
{
    QProcess program;
    startWindowDriver(program, fixture->cwd.path(), {QStringLiteral("exit")});
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QVERIFY(side->rows().isEmpty()); // the unsaved text was not stored
}

void EditingTest::halfAnEmojiCutByTheLengthLimitIsNotStored()
{
    auto *name = child<QLineEdit>(window, "txt_adsoyad");
    // Pasted so that the limit falls between the emoji's two halves.
    name->setText("A" + QString(name->maxLength() - 2, 'x') + "😀B");
    QVERIFY(name->text().endsWith(QChar(0xD83D)));
    QCOMPARE(pressSave(window).text, QStringLiteral("Kaydedildi"));
    QCOMPARE(side->rows().first().value(1).toString(), name->text().chopped(1));
}

QTEST_MAIN(EditingTest)
#include "tst_editing.moc"
