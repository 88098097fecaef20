// Contacts in and out: the list's menu, files dropped on the window.
#include "window/mainwindow.h"

#include "exchange/backgroundreading.h"
#include "exchange/contactfile.h"
#include "exchange/importer.h"
#include "exchange/nativefile.h"
#include "form/mainwindowform.h"
#include "list/phonebooklistmodel.h"
#include "platform/terminationsignals.h"
#include "store/entries.h"
#include "store/phonebookdb.h"
#include "window/backgroundwork.h"
#include "window/columndialog.h"
#include "window/filedrop.h"

#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QProgressDialog>
#include <QShortcut>
#include <QStandardPaths>
#include <QTableView>
#include <QTimer>

void MainWindow::setUpContactExchange()
{
    form->tbl_liste->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(form->tbl_liste, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        showContactMenu(form->tbl_liste->viewport()->mapToGlobal(at));
    });
    // The Menu key opens it through the platform; Shift+F10 is the other usual key.
    auto *keyboard = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), form->tbl_liste, nullptr,
                                   nullptr, Qt::WidgetShortcut);
    connect(keyboard, &QShortcut::activated, this, [this] {
        QTableView *list = form->tbl_liste;
        const QRect current = list->visualRect(list->currentIndex());
        showContactMenu(
            list->viewport()->mapToGlobal(current.isValid() ? current.center() : QPoint(0, 0)));
    });
    auto *drop = new ContactFileDrop(this);
    drop->watch(this);
    connect(drop, &ContactFileDrop::dropped, this, &MainWindow::importContactFiles,
            Qt::QueuedConnection);
}

void MainWindow::showContactMenu(const QPoint &at)
{
    const int entries = list->rowCount();
    QMenu menu;
    addDialingActions(menu);
    menu.addSeparator();
    addHistoryActions(menu);
    menu.addSeparator();
    QAction *importing = menu.addAction(QStringLiteral("İçe aktar…"));
    QAction *merging = menu.addAction(QStringLiteral("Yinelenenleri birleştir…"));
    markChanging(menu, {importing, merging});
    addPhoneSyncAction(menu);
    menu.addSeparator();
    addRememberingActions(menu);
    menu.addSeparator();
    QAction *vcard = menu.addAction(QStringLiteral("vCard olarak dışa aktar…"));
    QAction *csv = menu.addAction(QStringLiteral("CSV olarak dışa aktar…"));
    QAction *excel = menu.addAction(QStringLiteral("Excel olarak dışa aktar…"));
    menu.addAction(QStringLiteral("Listedeki %1 kayıt dışa aktarılır").arg(entries))
        ->setEnabled(false);
    menu.addSeparator();
    QAction *printing = menu.addAction(QStringLiteral("Yazdır…"));
    QAction *pdf = menu.addAction(QStringLiteral("PDF olarak kaydet…"));
    for (QAction *action : {vcard, csv, excel, printing, pdf})
        action->setEnabled(entries > 0);
    QAction *chosen = menu.exec(at);
    if (chosen == importing) {
        const QStringList paths = QFileDialog::getOpenFileNames(
            this, QStringLiteral("İçe aktar"),
            QStandardPaths::writableLocation(QStandardPaths::HomeLocation),
            QStringLiteral("Kişi dosyaları (*.vcf *.vcard *.csv *.xlsx);;Bütün dosyalar (*)"));
        QList<QByteArray> names;
        for (const QString &path : paths)
            names << QFile::encodeName(path);
        if (!names.isEmpty())
            importContactFiles(names);
    } else if (chosen == merging) {
        mergeDuplicates();
    } else if (chosen == vcard || chosen == csv || chosen == excel) {
        exportShownEntries(chosen == csv     ? ExportFormat::Csv
                           : chosen == excel ? ExportFormat::Excel
                                             : ExportFormat::VCard);
    } else if (chosen == printing) {
        printShownEntries();
    } else if (chosen == pdf) {
        saveShownEntriesAsPdf();
    }
}

void MainWindow::exportShownEntries(ExportFormat format)
{
    struct Kind {
        QString title, name, filter, suffix;
    };
    const Kind kinds[] = {
        {QStringLiteral("vCard olarak dışa aktar"), QStringLiteral("/rehber.vcf"),
         QStringLiteral("vCard (*.vcf)"), QStringLiteral(".vcf")},
        {QStringLiteral("CSV olarak dışa aktar"), QStringLiteral("/rehber.csv"),
         QStringLiteral("CSV (*.csv)"), QStringLiteral(".csv")},
        {QStringLiteral("Excel olarak dışa aktar"), QStringLiteral("/rehber.xlsx"),
         QStringLiteral("Excel çalışma kitabı (*.xlsx)"), QStringLiteral(".xlsx")},
    };
    const Kind &kind = kinds[int(format)];
    const QString home = QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
    QString path = QFileDialog::getSaveFileName(this, kind.title, home + kind.name, kind.filter);
    if (path.isEmpty())
        return;
    if (!path.endsWith(kind.suffix, Qt::CaseInsensitive))
        path += kind.suffix;

    QMessageBox box;
    QVector<Contact> contacts;
    listWhole();
    for (const Entry &entry : readEntries(list->ids()))
        contacts.append({entry.adsoyad, entry.telefon, entry.cep, entry.mail, {}});
    QString error;
    const bool written =
        runBehindProgress(this, QStringLiteral("Dışa Aktar"), QStringLiteral("Kişiler yazılıyor…"),
                          [&](const Progress &progress) {
                              return writeContactFile(path, contacts, error, progress);
                          });
    if (!written) {
        // Cancelled or signalled, the user knows: nothing to tell.
        if (error.isEmpty() || error.endsWith(stoppedWriting()))
            return;
        tell(box, QStringLiteral("Hata"),
             error + QStringLiteral("\n\nDosya yazılamadı, hiçbir şey değiştirilmedi."),
             QMessageBox::Warning);
        return;
    }
    tell(box, QStringLiteral("İşlem Tamam"),
         QStringLiteral("%1 kişi dışa aktarıldı.").arg(contacts.size()), QMessageBox::Information);
}

bool MainWindow::readContactFiles(const QList<QByteArray> &paths, ContactFile &read)
{
    // A spreadsheet whose header names nothing known is read again once someone has said
    // what its columns hold.
    QHash<QByteArray, ColumnChoice> choices;
    for (;;) {
        UnknownColumns unknown;
        switch (readContactFilesOnce(paths, choices, read, unknown)) {
        case Reading::Read:
            return true;
        case Reading::Stopped:
            return false;
        case Reading::ColumnsUnknown:
            break;
        }
        ColumnDialog dialog(unknown, shownFileName(unknown.path), this);
        if (dialog.exec() != QDialog::Accepted || terminationRequested())
            return false;
        choices.insert(unknown.path, dialog.choice());
    }
}

MainWindow::Reading MainWindow::readContactFilesOnce(const QList<QByteArray> &paths,
                                                     const QHash<QByteArray, ColumnChoice> &choices,
                                                     ContactFile &read, UnknownColumns &unknown)
{
    BackgroundReading reading(paths, choices);
    QProgressDialog progress(this);
    setUpProgress(progress, QStringLiteral("İçe Aktar"),
                  QStringLiteral("Kişi dosyaları okunuyor…"));
    QTimer ticks;
    connect(&ticks, &QTimer::timeout, &progress,
            [&progress, &reading] { progress.setValue(reading.permille()); });
    // The loop also ends when a termination signal ends every loop; the reading is then
    // stopped and waited for as it goes out of scope, and nothing is imported.
    QEventLoop loop;
    constexpr int readingDone = 1;
    connect(&reading, &BackgroundReading::finished, &loop, [&loop] { loop.exit(readingDone); });
    connect(&progress, &QProgressDialog::canceled, &loop, [&loop, &reading] {
        reading.cancel();
        loop.exit(0);
    });
    reading.start();
    ticks.start(50);
    // The reading may finish in the moment it is cancelled: a cancel still imports nothing.
    if (loop.exec() != readingDone || progress.wasCanceled() || terminationRequested())
        return Reading::Stopped;
    progress.close();
    if (!reading.succeeded()) {
        if (!reading.unknownColumns().header.isEmpty() &&
            !choices.contains(reading.unknownColumns().path)) {
            unknown = reading.unknownColumns();
            return Reading::ColumnsUnknown;
        }
        QMessageBox box;
        tell(box, QStringLiteral("Hata"), readingFailure(reading.error()), QMessageBox::Warning);
        return Reading::Stopped;
    }
    read = reading.contacts();
    return Reading::Read;
}

QString MainWindow::readingFailure(const QString &error)
{
    return QStringLiteral("Dosya okunamadı: ") + error +
           QStringLiteral("\n\nHiçbir kişi içe aktarılmadı.");
}

void MainWindow::importContactFiles(const QList<QByteArray> &paths)
{
    if (refusedAsReadOnly())
        return;
    QMessageBox box;
    ContactFile read;
    if (!readContactFiles(paths, read))
        return;
    const ImportPlan plan = planImport(phoneBookDb, read);
    const QString found = importSummary(plan, false);
    box.setDetailedText(plan.details.join(QLatin1Char('\n')));
    if (plan.fresh.isEmpty() && plan.completed.isEmpty()) {
        tell(box, QStringLiteral("İçe Aktar"), found, QMessageBox::Information);
        return;
    }
    box.setWindowTitle(QStringLiteral("İçe Aktar"));
    box.setIcon(QMessageBox::Question);
    box.setText(found + QStringLiteral(" İçe aktarılsın mı?"));
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Yes);
    if (box.exec() != QMessageBox::Yes || terminationRequested())
        return;

    QProgressDialog progress(this);
    setUpProgress(progress, QStringLiteral("İçe Aktar"), QStringLiteral("Kişiler ekleniyor…"));
    // A window-modal progress dialog lets events through as its value changes: a cancel
    // or a termination signal then rolls the whole import back.
    const Progress adding = [&progress](qint64 done, qint64 total) {
        if (done % 256 == 0)
            progress.setValue(int(1000 * done / total));
        return !progress.wasCanceled() && !terminationRequested();
    };
    QString error;
    EntriesChange applied;
    const bool imported = runImport(plan, error, adding, &applied);
    progress.close();
    if (!imported) {
        // Cancelled or signalled, the user knows: nothing to tell.
        if (!progress.wasCanceled() && !terminationRequested()) {
            QMessageBox failed;
            tell(failed, QStringLiteral("Hata"),
                 QStringLiteral("Kişiler içe aktarılamadı: ") + error, QMessageBox::Warning);
        }
        listAll();
        return;
    }
    showImportedEntries(applied);
    QMessageBox result;
    tell(result, QStringLiteral("İçe Aktar"),
         QStringLiteral("%1 kişi eklendi, %2 kişi tamamlandı.")
             .arg(applied.restored.size())
             .arg(applied.replaced.size()),
         QMessageBox::Information);
}

void MainWindow::showImportedEntries(const EntriesChange &applied)
{
    showChangedEntries(applied, QStringLiteral("%1 kişi içe aktarıldı")
                                    .arg(applied.restored.size() + applied.replaced.size()));
}

void MainWindow::showChangedEntries(const EntriesChange &applied, const QString &stepText)
{
    QVector<Entry> present = applied.restored;
    for (const auto &replaced : applied.replaced)
        present << replaced.second;
    if (!applied.isEmpty()) {
        noteOwnChange(present, idsOf(applied.removed));
        record(new EntriesChanged(applied, stepText, stepReport()));
    }
    listAll();
    selectEntries(idsOf(present));
}
