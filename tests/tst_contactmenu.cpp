// The list's menu beyond the first formats: an import that completes entries and its box
// of what it did, undone and made again as one step; merging duplicates; the column
// dialog for a spreadsheet nobody named the columns of; Excel and PDF exports.
#include "testsupport.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>
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
#include <QTemporaryDir>
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
    void aNumberIsHandedToTheDesktopsSoftphone();
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

void ContactMenuTest::aNumberIsHandedToTheDesktopsSoftphone()
{
    // A desktop of the test's own: its programs, its defaults, a display xdg-open sees.
    QTemporaryDir desktop;
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME"), dataDirs = qgetenv("XDG_DATA_DIRS"),
                     configHome = qgetenv("XDG_CONFIG_HOME"), display = qgetenv("DISPLAY");
    qputenv("XDG_DATA_HOME", QFile::encodeName(desktop.path() + "/data"));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(desktop.path() + "/none"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(desktop.path() + "/config"));
    qputenv("DISPLAY", ":77");
    WindowFixture fixture([](const SideConnection &seed) {
        seed.insert("Ali Veli", "0212 555 00 00", "+90 (532) 111-22-33", "");
        seed.insert("Numarasız", "", "", "n@ornek.tr");
    });
    QWidget *window = fixture.window.get();
    QStringList texts;
    bool chosen = false;

    // None set: said so, with the number.
    BoxAnswerer none({clickButton(QMessageBox::Ok)});
    chooseFromListMenu(window, "Ara: 0212 555 00 00", texts, chosen);
    QVERIFY2(chosen, qPrintable(texts.join('|')));
    QCOMPARE(texts.mid(0, 2), QStringList({"Ara: 0212 555 00 00", "Ara: +90 (532) 111-22-33"}));
    QTRY_COMPARE_WITH_TIMEOUT(none.seen.size(), 1, 30000);
    QCOMPARE(none.seen.first().title, QStringLiteral("Ara"));
    QVERIFY2(none.seen.first().text.contains("softphone") &&
                 none.seen.first().text.endsWith("02125550000"),
             qPrintable(none.seen.first().text));

    // A softphone set as the desktop's program for tel: addresses gets the number as dialled.
    QVERIFY(QDir().mkpath(desktop.path() + "/data/applications"));
    const QString called = desktop.path() + "/arandi";
    writeFile(desktop.path() + "/softphone",
              ("#!/bin/sh\necho \"$1\" >> '" + called + "'\n").toUtf8());
    QFile::setPermissions(desktop.path() + "/softphone",
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    writeFile(desktop.path() + "/data/applications/sahte-softphone.desktop",
              ("[Desktop Entry]\nType=Application\nName=Sahte\nExec=" + desktop.path() +
               "/softphone %u\nMimeType=x-scheme-handler/tel;\n")
                  .toUtf8());
    output("xdg-mime", {"default", "sahte-softphone.desktop", "x-scheme-handler/tel"});
    const auto calls = [&called] {
        QFile file(called);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };
    chooseFromListMenu(window, "Ara: 0212 555 00 00", texts, chosen);
    QVERIFY(chosen);
    QTRY_COMPARE_WITH_TIMEOUT(calls(), QStringLiteral("tel:02125550000\n"), 30000);
    // Ctrl+T on the mobile's cell calls the mobile.
    auto *list = child<QTableView>(window, "tbl_liste");
    list->setCurrentIndex(listModel(window)->index(0, 3));
    press(window, Qt::Key_T, Qt::ControlModifier);
    QTRY_COMPARE_WITH_TIMEOUT(calls(), QStringLiteral("tel:02125550000\ntel:+905321112233\n"),
                              30000);
    // An entry without a number has nothing to call.
    list->setCurrentIndex(listModel(window)->index(1, 1));
    texts.clear();
    chooseFromListMenu(window, "Ara", texts, chosen);
    QVERIFY(!chosen);
    QCOMPARE(texts.first(), QStringLiteral("Ara"));

    const QVector<QPair<const char *, QByteArray>> kept = {{"XDG_DATA_HOME", dataHome},
                                                           {"XDG_DATA_DIRS", dataDirs},
                                                           {"XDG_CONFIG_HOME", configHome},
                                                           {"DISPLAY", display}};
    for (const auto &[name, value] : kept)
        value.isNull() ? qunsetenv(name) : qputenv(name, value);
}

QTEST_MAIN(ContactMenuTest)
#include "tst_contactmenu.moc"
