// The list's menu beyond the first formats: an import that completes entries and its box
// of what it did, undone and made again as one step; merging duplicates; the column
// dialog for a spreadsheet nobody named the columns of; Excel and PDF exports.
#include "testsupport.h"

#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QItemSelectionModel>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QPushButton>
#include <QSet>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

namespace
{

using Rows = QVector<QVariantList>;

QString writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QString output(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitCode() != 0)
        qFatal("%s: %s", qPrintable(program), process.readAllStandardError().constData());
    return QString::fromUtf8(process.readAllStandardOutput());
}

void press(QWidget *window, Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    activate(window);
    QWidget *focus = QApplication::focusWidget() ? QApplication::focusWidget() : window;
    QTest::keyClick(focus, key, modifiers);
}

int selectedRows(QWidget *window)
{
    QSet<int> rows;
    for (const QModelIndex &index :
         child<QTableView>(window, "tbl_liste")->selectionModel()->selectedIndexes())
        rows.insert(index.row());
    return rows.size();
}

} // namespace

class ContactMenuTest : public QObject
{
    Q_OBJECT

private slots:
    void importCompletesEntriesAsOneStep();
    void duplicatesAreMergedAsOneStep();
    void unknownColumnsAreAskedFor();
    void exportsExcelAndPdf_data();
    void exportsExcelAndPdf();
};

void ContactMenuTest::importCompletesEntriesAsOneStep()
{
    WindowFixture fixture([](const SideConnection &seed) {
        seed.insert("İbrahim Güneş", "0216 222 77 88", "", "ibrahim@ornek.com.tr");
        seed.insert("Ali Veli", "0212 000 11 22");
    });
    QWidget *window = fixture.window.get();
    const Rows before = fixture.side.rows();
    const QString file =
        writeFile(fixture.cwd.path() + "/guncel.csv", "İsim;Tel;Cep Tel;Eposta\r\n"
                                                      "IBRAHIM GÜNEŞ;0212 999 00 11;0532 444 55 66;"
                                                      "Ibrahim@ornek.com.tr\r\n"
                                                      "Ümit Öz;;0505 111 22 33;\r\n");
    BoxAnswerer boxes({clickButton(QMessageBox::Yes), clickButton(QMessageBox::Ok)});
    dropFiles(window, {file});
    QTRY_COMPARE_WITH_TIMEOUT(boxes.seen.size(), 2, 30000);
    QCOMPARE(boxes.seen.first().text,
             QStringLiteral("2 kişi bulundu: 1 yeni, 1 kişi tamamlanacak, 0 kişi defterde zaten "
                            "var. İçe aktarılsın mı?"));
    QCOMPARE(boxes.seen.first().detailedText,
             QStringLiteral("İbrahim Güneş — tamamlanan: cep 0532 444 55 66\n"
                            "İbrahim Güneş — sığmayan numara: 0212 999 00 11"));
    QCOMPARE(boxes.seen.last().title, QStringLiteral("İçe Aktar"));
    QCOMPARE(boxes.seen.last().text, QStringLiteral("1 kişi eklendi, 1 kişi tamamlandı."));
    const Rows imported = fixture.side.rows();
    QCOMPARE(imported.size(), 3);
    QCOMPARE(imported.first().value(3).toString(), QStringLiteral("0532 444 55 66"));
    QCOMPARE(imported.last().value(1).toString(), QStringLiteral("Ümit Öz"));
    QCOMPARE(listModel(window)->rowCount(), 3);
    QCOMPARE(selectedRows(window), 2);

    // One step back takes both the new entry and the completion.
    press(window, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(fixture.side.rows(), before);
    QCOMPARE(listModel(window)->rowCount(), 2);
    press(window, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(fixture.side.rows(), imported);
}

void ContactMenuTest::duplicatesAreMergedAsOneStep()
{
    WindowFixture fixture([](const SideConnection &seed) {
        seed.insert("Şule Çağlar", "", "0532 111 22 33", "");
        seed.insert("Ali Veli", "0212", "", "ali@ornek.com.tr");
        seed.insert("ŞULE ÇAĞLAR", "0232 333 66 77", "+90 532 111 22 33", "sule@ornek.com.tr");
        seed.insert("Ali Veli", "0216", "", "ALI@ornek.com.tr");
        seed.insert("Ayşe Kaya", "0212");
    });
    QWidget *window = fixture.window.get();
    const Rows before = fixture.side.rows();
    BoxAnswerer question({clickButton(QMessageBox::Yes)});
    QStringList texts;
    bool chosen = false;
    chooseFromListMenu(window, "Yinelenenleri birleştir…", texts, chosen);
    QVERIFY2(chosen, qPrintable(texts.join('|')));
    QTRY_COMPARE_WITH_TIMEOUT(question.seen.size(), 1, 30000);
    QCOMPARE(question.seen.first().text,
             QStringLiteral("2 kişinin 4 kaydı var. Her kişinin kayıtları en eski kaydında "
                            "birleştirilsin mi? Boş alanlar diğer kayıtlardan doldurulur, farklı "
                            "değerlerde en eski kayıt kalır.\n\nDikkat: 1 numara hiçbir alana "
                            "sığmadığı için defterden silinecek (ayrıntılarda listeleniyor)."));
    QCOMPARE(question.seen.first().detailedText,
             QStringLiteral("Şule Çağlar: 2 kayıt birleşir; tamamlanan: telefon 0232 333 66 77, "
                            "mail sule@ornek.com.tr\n"
                            "Ali Veli: 2 kayıt birleşir; sığmayan numara: 0216"));
    QTRY_COMPARE_WITH_TIMEOUT(fixture.side.rows().size(), 3, 30000);
    const Rows merged = fixture.side.rows();
    QCOMPARE(merged.at(0), QVariantList({1, "Şule Çağlar", "0232 333 66 77", "0532 111 22 33",
                                         "sule@ornek.com.tr"}));
    QCOMPARE(merged.at(1), before.at(1));
    QCOMPARE(merged.at(2), before.at(4));
    QCOMPARE(listModel(window)->rowCount(), 3);

    press(window, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(fixture.side.rows(), before);
    press(window, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(fixture.side.rows(), merged);

    // Nothing left to merge: a box says so, and nothing changes.
    BoxAnswerer none({clickButton(QMessageBox::Ok)});
    chooseFromListMenu(window, "Yinelenenleri birleştir…", texts, chosen);
    QTRY_COMPARE_WITH_TIMEOUT(none.seen.size(), 1, 30000);
    QCOMPARE(none.seen.first().text,
             QStringLiteral("Defterde aynı kişinin birden fazla kaydı yok."));
    QCOMPARE(fixture.side.rows(), merged);
}

void ContactMenuTest::unknownColumnsAreAskedFor()
{
    WindowFixture fixture;
    QWidget *window = fixture.window.get();
    const QString file =
        writeFile(fixture.cwd.path() + "/liste.csv", "Kim;Numara;Nerede;E-posta adresi\r\n"
                                                     "Gökçe Işık;0532 1;Ankara;g@ornek.com.tr\r\n"
                                                     "Ali Veli;0212 2;İzmir;\r\n");
    QStringList guessed, preview;
    bool importable = true, twiceImportable = true;
    whenDialogShown("ColumnDialog", [&](QDialog *dialog) {
        auto *table = dialog->findChild<QTableWidget *>(QStringLiteral("columnTable"));
        QVector<QComboBox *> roles;
        for (int column = 0; column < table->columnCount(); ++column) {
            roles << qobject_cast<QComboBox *>(table->cellWidget(0, column));
            guessed << roles.last()->currentText();
            preview << table->item(1, column)->text();
        }
        QPushButton *import = nullptr;
        for (QPushButton *button : dialog->findChildren<QPushButton *>())
            if (button->text() == QStringLiteral("İçe aktar"))
                import = button;
        importable = import->isEnabled();
        roles[0]->setCurrentText(QStringLiteral("Ad Soyad"));
        // Two columns of mail: one of them would vanish.
        roles[2]->setCurrentText(QStringLiteral("Mail"));
        twiceImportable = import->isEnabled();
        roles[2]->setCurrentText(QStringLiteral("Yok say"));
        roles[1]->setCurrentText(QStringLiteral("Cep"));
        import->click();
    });
    BoxAnswerer boxes({clickButton(QMessageBox::Yes), clickButton(QMessageBox::Ok)});
    dropFiles(window, {file});
    QTRY_COMPARE_WITH_TIMEOUT(boxes.seen.size(), 2, 30000);
    // Guessed from the names where they give it away; without a name nothing imports.
    QCOMPARE(guessed, QStringList({"Yok say", "Telefon", "Yok say", "Mail"}));
    QCOMPARE(preview, QStringList({"Gökçe Işık", "0532 1", "Ankara", "g@ornek.com.tr"}));
    QVERIFY(!importable);
    QVERIFY(!twiceImportable);
    QCOMPARE(boxes.seen.last().text, QStringLiteral("2 kişi eklendi, 0 kişi tamamlandı."));
    QCOMPARE(fixture.side.rows(), Rows({{1, "Gökçe Işık", "", "0532 1", "g@ornek.com.tr"},
                                        {2, "Ali Veli", "", "0212 2", ""}}));
}

void ContactMenuTest::exportsExcelAndPdf_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("file");
    QTest::newRow("Excel") << "Excel olarak dışa aktar…"
                           << "rehber.xlsx";
    QTest::newRow("PDF") << "PDF olarak kaydet…"
                         << "liste.pdf";
}

void ContactMenuTest::exportsExcelAndPdf()
{
    QFETCH(QString, entry);
    QFETCH(QString, file);
    WindowFixture fixture([](const SideConnection &seed) {
        seed.insert("Şule Çağlar", "0232 333 66 77", "0532 111 22 33", "sule@ornek.com.tr");
        seed.insert("Ali Veli", "05321112233");
        seed.insert("Çiğdem Öz", "", "+90 505 1");
    });
    QWidget *window = fixture.window.get();
    typeInto(window, "txt_ara", "ç");
    QTRY_COMPARE_WITH_TIMEOUT(listModel(window)->rowCount(), 2, 30000);
    const QString path = fixture.cwd.path() + '/' + file;
    chooseFileWhenAsked(path);
    BoxAnswerer done({clickButton(QMessageBox::Ok)});
    QStringList texts;
    bool chosen = false;
    chooseFromListMenu(window, entry, texts, chosen);
    QVERIFY2(chosen, qPrintable(texts.join('|')));
    QTRY_COMPARE_WITH_TIMEOUT(done.seen.size(), 1, 30000);
    QCOMPARE(done.seen.first().title, QStringLiteral("İşlem Tamam"));
    QStringList names;
    if (file.endsWith(".xlsx")) {
        const QJsonObject sheet =
            QJsonDocument::fromJson(
                output("/usr/bin/python3", {QStringLiteral(WORKBOOK_HELPER), "read", path})
                    .toUtf8())
                .object();
        for (const QJsonValue row : sheet["rows"].toArray())
            names << row.toArray().at(0).toArray().at(0).toString();
        QCOMPARE(names, QStringList({"Ad Soyad", "Şule Çağlar", "Çiğdem Öz"}));
    } else {
        // The list's entries only, in Turkish order: Ç after C and before D, Ş after S.
        const QString text = output("pdftotext", {"-layout", path, "-"});
        QVERIFY2(text.indexOf("Çiğdem Öz") >= 0 &&
                     text.indexOf("Çiğdem Öz") < text.indexOf("Şule Çağlar"),
                 qPrintable(text));
        QVERIFY(!text.contains("Ali Veli"));
        QVERIFY(text.contains("2 kişi"));
        QVERIFY(text.contains("+90 505 1"));
    }
}

QTEST_MAIN(ContactMenuTest)
#include "tst_contactmenu.moc"
