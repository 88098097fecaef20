// Undo and redo of every save, update, delete and import, through the real window.
#include "window/mainwindow.h"

#include "testsupport.h"

#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QUrl>

namespace
{

using Rows = QVector<QVariantList>;
using Step = std::function<void(WindowFixture &)>;

void loadRowNamed(QWidget *window, const QString &name)
{
    QAbstractItemModel *model = listModel(window);
    for (int row = 0; row < model->rowCount(); ++row)
        if (model->index(row, 1).data().toString() == name)
            emit child<QTableView>(window, "tbl_liste")->doubleClicked(model->index(row, 2));
}

void dropFile(QWidget *window, const QString &path)
{
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &drop);
}

} // namespace

Q_DECLARE_METATYPE(Step)

class HistoryTest : public QObject
{
    Q_OBJECT

private slots:
    void eachKindOfStepIsUndoneAndRedone_data();
    void eachKindOfStepIsUndoneAndRedone();
    void aStepChangedElsewhereIsNotTaken();
    void aCompletionChangedElsewhereIsNotTakenBack_data();
    void aCompletionChangedElsewhereIsNotTakenBack();
    void aStepTheDatabaseRefusesStaysWhereItWas();
    void aHundredStepsAndMoreGoBackAndForth();
    void aFieldUndoesItsOwnTypingFirst();

private:
    void press(QWidget *window, Qt::Key key, Qt::KeyboardModifiers modifiers);
};

void HistoryTest::press(QWidget *window, Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QApplication::setActiveWindow(window);
    QVERIFY(QTest::qWaitForWindowActive(window));
    QWidget *focus = QApplication::focusWidget() ? QApplication::focusWidget() : window;
    QTest::keyClick(focus, key, modifiers);
}

void HistoryTest::eachKindOfStepIsUndoneAndRedone_data()
{
    QTest::addColumn<Step>("step");
    QTest::addColumn<QString>("undoText");
    // The form after the undo: the entry brought back, or nothing when it is gone.
    QTest::addColumn<QStringList>("formAfterUndo");
    QTest::newRow("save of a new entry") << Step([](WindowFixture &f) {
        typeInto(f.window.get(), "txt_adsoyad", "Ayşe Yılmaz");
        typeInto(f.window.get(), "txt_cep", "0533");
        pressSave(f.window.get());
    }) << "Geri al: Ayşe Yılmaz eklendi" << QStringList({"", "", "", "", ""});
    QTest::newRow("update") << Step([](WindowFixture &f) {
        loadRowNamed(f.window.get(), "Şule Çağlar");
        typeInto(f.window.get(), "txt_telefon", "0555");
        typeInto(f.window.get(), "txt_mail", "");
        pressSave(f.window.get());
    }) << "Geri al: Şule Çağlar güncellendi"
                            << QStringList({"1", "Şule Çağlar", "0232 333 66 77", "0532",
                                            "sule@ornek.com.tr"});
    QTest::newRow("delete") << Step([](WindowFixture &f) {
        loadRowNamed(f.window.get(), "Ali Veli");
        BoxAnswerer confirm({clickButton(QMessageBox::Yes)});
        click(f.window.get(), "btn_sil");
        QTRY_COMPARE_WITH_TIMEOUT(confirm.seen.size(), 1, 30000);
    }) << "Geri al: Ali Veli silindi"
                            << QStringList({"2", "Ali Veli", "", "", ""});
    QTest::newRow("import") << Step([](WindowFixture &f) {
        const QString path = f.cwd.path() + "/rehber.vcf";
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Gökçe Işık\r\nEND:VCARD\r\n"
                   "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ömer Çelik\r\nTEL:0312\r\nEND:VCARD\r\n");
        file.close();
        const int before = f.side.rows().size();
        BoxAnswerer question({clickButton(QMessageBox::Yes), clickButton(QMessageBox::Ok)});
        dropFile(f.window.get(), path);
        QTRY_COMPARE_WITH_TIMEOUT(f.side.rows().size(), before + 2, 30000);
    }) << "Geri al: 2 kişi içe aktarıldı"
                            << QStringList({"", "", "", "", ""});
}

void HistoryTest::eachKindOfStepIsUndoneAndRedone()
{
    QFETCH(Step, step);
    QFETCH(QString, undoText);
    QFETCH(QStringList, formAfterUndo);
    WindowFixture fixture([](const SideConnection &seed) {
        seed.insert("Şule Çağlar", "0232 333 66 77", "0532", "sule@ornek.com.tr");
        seed.insert("Ali Veli", "", "", "");
    });
    QWidget *window = fixture.window.get();
    QVERIFY(menuTexts(window).contains("Geri al (kapalı)"));
    const Rows before = fixture.side.rows();
    step(fixture);
    const Rows after = fixture.side.rows();
    QVERIFY(after != before);
    QVERIFY2(menuTexts(window).contains(undoText), qPrintable(menuTexts(window).join('|')));

    for (int round = 0; round < 2; ++round) {
        press(window, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(fixture.side.rows(), before);
        QStringList form;
        for (const char *field : {"txt_id", "txt_adsoyad", "txt_telefon", "txt_cep", "txt_mail"})
            form << fieldText(window, field);
        QCOMPARE(form, formAfterUndo);
        QCOMPARE(listModel(window)->rowCount(), before.size());
        QVERIFY(menuTexts(window).contains("Yinele: " + undoText.mid(9)));
        // Redo by both of its keys; the ids come back as they were.
        if (round == 0)
            press(window, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        else
            press(window, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(fixture.side.rows(), after);
        QCOMPARE(listModel(window)->rowCount(), after.size());
    }
}

void HistoryTest::aStepChangedElsewhereIsNotTaken()
{
    WindowFixture fixture;
    QWidget *window = fixture.window.get();
    typeInto(window, "txt_adsoyad", "Ali Veli");
    pressSave(window);
    typeInto(window, "txt_telefon", "212");
    pressSave(window);
    fixture.side.exec("UPDATE TELEFON SET telefon='999' WHERE id=1");
    const Rows changed = fixture.side.rows();

    BoxAnswerer refused({clickButton(QMessageBox::Ok)});
    press(window, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(refused.seen.size(), 1);
    QCOMPARE(refused.seen.first().title, QStringLiteral("Geri Al"));
    QVERIFY2(refused.seen.first().text.contains("başka bir yerde değiştirilmiş"),
             qPrintable(refused.seen.first().text));
    QCOMPARE(fixture.side.rows(), changed);
    // The refused step is gone; the one before it (the save of the new entry) is next,
    // and it too finds the entry changed.
    QVERIFY(menuTexts(window).contains("Geri al: Ali Veli eklendi"));
    BoxAnswerer again({clickButton(QMessageBox::Ok)});
    press(window, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(again.seen.size(), 1);
    QCOMPARE(fixture.side.rows(), changed);
    QVERIFY(menuTexts(window).contains("Geri al (kapalı)"));

    // A deleted entry whose id another program took meanwhile is not brought back.
    fixture.side.exec("DELETE FROM TELEFON");
    typeInto(window, "txt_id", "");
    typeInto(window, "txt_adsoyad", "Ayşe");
    pressSave(window);
    const QString id = fieldText(window, "txt_id");
    BoxAnswerer confirm({clickButton(QMessageBox::Yes)});
    click(window, "btn_sil");
    fixture.side.exec("INSERT INTO TELEFON (id, adsoyad) VALUES (" + id + ", 'Başkası')");
    BoxAnswerer taken({clickButton(QMessageBox::Ok)});
    press(window, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(taken.seen.size(), 1);
    QCOMPARE(fixture.side.rows(),
             Rows({{id.toInt(), "Başkası", QVariant(), QVariant(), QVariant()}}));
}

void HistoryTest::aCompletionChangedElsewhereIsNotTakenBack_data()
{
    QTest::addColumn<Step>("step");
    // The entry the step completed, which another desk then changes.
    QTest::addColumn<QString>("completed");
    QTest::newRow("import") << Step([](WindowFixture &f) {
        const QString path = f.cwd.path() + "/rehber.vcf";
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Şule Çağlar\r\nTEL;TYPE=CELL:0532\r\n"
                   "EMAIL:sule@ornek.com.tr\r\nEND:VCARD\r\n"
                   "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Gökçe Işık\r\nEND:VCARD\r\n");
        file.close();
        BoxAnswerer question({clickButton(QMessageBox::Yes), clickButton(QMessageBox::Ok)});
        dropFile(f.window.get(), path);
        QTRY_COMPARE_WITH_TIMEOUT(question.seen.size(), 2, 30000);
    }) << "Şule Çağlar";
    QTest::newRow("merge") << Step([](WindowFixture &f) {
        BoxAnswerer question({clickButton(QMessageBox::Yes)});
        QStringList texts;
        bool chosen = false;
        chooseFromListMenu(f.window.get(), "Yinelenenleri birleştir…", texts, chosen);
        QVERIFY2(chosen, qPrintable(texts.join('|')));
        QTRY_COMPARE_WITH_TIMEOUT(question.seen.size(), 1, 30000);
    }) << "Ali Veli";
}

void HistoryTest::aCompletionChangedElsewhereIsNotTakenBack()
{
    QFETCH(Step, step);
    QFETCH(QString, completed);
    WindowFixture fixture([](const SideConnection &seed) {
        seed.insert("Şule Çağlar", "0232 333 66 77", "0532", "");
        seed.insert("Ali Veli", "", "0532 1", "");
        seed.insert("Ali Veli", "0212 5", "0532 1", "");
    });
    QWidget *window = fixture.window.get();
    const Rows before = fixture.side.rows();
    step(fixture);
    QTRY_VERIFY_WITH_TIMEOUT(fixture.side.rows() != before, 30000);
    fixture.side.exec("UPDATE TELEFON SET cep='0555 0' WHERE adsoyad='" + completed + "'");
    const Rows changed = fixture.side.rows();

    BoxAnswerer refused({clickButton(QMessageBox::Ok)});
    press(window, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(refused.seen.size(), 1);
    QVERIFY2(refused.seen.first().text.contains("başka bir yerde değiştirilmiş"),
             qPrintable(refused.seen.first().text));
    QCOMPARE(fixture.side.rows(), changed);
}

void HistoryTest::aStepTheDatabaseRefusesStaysWhereItWas()
{
    WindowFixture fixture;
    QWidget *window = fixture.window.get();
    typeInto(window, "txt_adsoyad", "Ali Veli");
    pressSave(window);
    typeInto(window, "txt_telefon", "212");
    pressSave(window);
    const Rows updated = fixture.side.rows();
    fixture.side.refuse("UPDATE", "geri alma yasak");

    // Refused: nothing changes, the step stays the next one to take, and is taken once
    // the database allows it.
    BoxAnswerer refused({clickButton(QMessageBox::Ok)});
    press(window, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(refused.seen.size(), 1);
    QCOMPARE(refused.seen.first().title, QStringLiteral("Hata"));
    QVERIFY2(refused.seen.first().text.contains("geri alma yasak"),
             qPrintable(refused.seen.first().text));
    QCOMPARE(fixture.side.rows(), updated);
    QVERIFY(menuTexts(window).contains("Geri al: Ali Veli güncellendi"));
    fixture.side.allow("UPDATE");
    press(window, Qt::Key_Z, Qt::ControlModifier);
    const Rows undone = fixture.side.rows();
    QCOMPARE(undone.value(0).value(2).toString(), QString());

    // The same for a redo.
    fixture.side.refuse("UPDATE", "yineleme yasak");
    BoxAnswerer redoRefused({clickButton(QMessageBox::Ok)});
    press(window, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(redoRefused.seen.size(), 1);
    QCOMPARE(fixture.side.rows(), undone);
    QVERIFY(menuTexts(window).contains("Yinele: Ali Veli güncellendi"));
    QVERIFY(menuTexts(window).contains("Geri al: Ali Veli eklendi"));
    fixture.side.allow("UPDATE");
    press(window, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(fixture.side.rows(), updated);
}

void HistoryTest::aHundredStepsAndMoreGoBackAndForth()
{
    WindowFixture fixture;
    QWidget *window = fixture.window.get();
    for (int i = 0; i < 101; ++i) {
        click(window, "btn_yeni");
        typeInto(window, "txt_adsoyad", QStringLiteral("Kişi %1").arg(i));
        pressSave(window);
    }
    const Rows saved = fixture.side.rows();
    QCOMPARE(saved.size(), 101);
    for (int i = 0; i < 101; ++i)
        press(window, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(fixture.side.rows().isEmpty());
    QCOMPARE(listModel(window)->rowCount(), 0);
    for (int i = 0; i < 101; ++i)
        press(window, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(fixture.side.rows(), saved);
}

void HistoryTest::aFieldUndoesItsOwnTypingFirst()
{
    WindowFixture fixture;
    QWidget *window = fixture.window.get();
    typeInto(window, "txt_adsoyad", "Ali Veli");
    pressSave(window);
    auto *name = child<QLineEdit>(window, "txt_adsoyad");
    name->setFocus();
    QTest::keyClicks(name, "x");
    press(window, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(name->text(), QStringLiteral("Ali Veli"));
    QCOMPARE(fixture.side.rows().size(), 1);
    // Nothing left to undo in the field: the key takes back the save.
    press(window, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(fixture.side.rows().isEmpty());
}

QTEST_MAIN(HistoryTest)
#include "tst_history.moc"
