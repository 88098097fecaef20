// Contacts in and out: the list's menu, files dropped on the window.
#include "window/mainwindow.h"

#include "exchange/backgroundreading.h"
#include "exchange/contactfile.h"
#include "exchange/importer.h"
#include "form/mainwindowform.h"
#include "list/phonebooklistmodel.h"
#include "platform/terminationsignals.h"
#include "store/entries.h"
#include "store/phonebookdb.h"
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

namespace
{

// Shown only when the work takes more than a moment; cancelling stops it.
void setUpProgress(QProgressDialog &progress, const QString &label)
{
    progress.setWindowTitle(QStringLiteral("İçe Aktar"));
    progress.setLabelText(label);
    progress.setCancelButtonText(QStringLiteral("Vazgeç"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(400);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setRange(0, 1000);
    progress.setValue(0);
}

} // namespace

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
    addHistoryActions(menu);
    menu.addSeparator();
    QAction *importing = menu.addAction(QStringLiteral("İçe aktar…"));
    menu.addSeparator();
    QAction *vcard = menu.addAction(QStringLiteral("vCard olarak dışa aktar…"));
    QAction *csv = menu.addAction(QStringLiteral("CSV olarak dışa aktar…"));
    menu.addAction(QStringLiteral("Listedeki %1 kayıt dışa aktarılır").arg(entries))
        ->setEnabled(false);
    vcard->setEnabled(entries > 0);
    csv->setEnabled(entries > 0);
    QAction *chosen = menu.exec(at);
    if (chosen == importing) {
        const QStringList paths = QFileDialog::getOpenFileNames(
            this, QStringLiteral("İçe aktar"),
            QStandardPaths::writableLocation(QStandardPaths::HomeLocation),
            QStringLiteral("Kişi dosyaları (*.vcf *.vcard *.csv);;Bütün dosyalar (*)"));
        QList<QByteArray> names;
        for (const QString &path : paths)
            names << QFile::encodeName(path);
        if (!names.isEmpty())
            importContactFiles(names);
    } else if (chosen == vcard || chosen == csv) {
        exportShownEntries(chosen == csv);
    }
}

void MainWindow::exportShownEntries(bool csv)
{
    const QString home = QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
    QString path = QFileDialog::getSaveFileName(
        this,
        csv ? QStringLiteral("CSV olarak dışa aktar") : QStringLiteral("vCard olarak dışa aktar"),
        home + (csv ? QStringLiteral("/rehber.csv") : QStringLiteral("/rehber.vcf")),
        csv ? QStringLiteral("CSV (*.csv)") : QStringLiteral("vCard (*.vcf)"));
    if (path.isEmpty())
        return;
    const QString suffix = csv ? QStringLiteral(".csv") : QStringLiteral(".vcf");
    if (!path.endsWith(suffix, Qt::CaseInsensitive))
        path += suffix;

    QMessageBox box;
    QVector<Contact> contacts;
    listWhole();
    for (const Entry &entry : readEntries(list->ids()))
        contacts.append({entry.adsoyad, entry.telefon, entry.cep, entry.mail});
    QString error;
    if (!writeContactFile(path, contacts, error)) {
        tell(box, QStringLiteral("Hata"), QStringLiteral("HATA") + error, QMessageBox::Warning);
        return;
    }
    tell(box, QStringLiteral("İşlem Tamam"),
         QStringLiteral("%1 kişi dışa aktarıldı.").arg(contacts.size()), QMessageBox::Information);
}

bool MainWindow::readContactFiles(const QList<QByteArray> &paths, ContactFile &read)
{
    BackgroundReading reading(paths);
    QProgressDialog progress(this);
    setUpProgress(progress, QStringLiteral("Kişi dosyaları okunuyor…"));
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
        return false;
    progress.close();
    if (!reading.succeeded()) {
        QMessageBox box;
        tell(box, QStringLiteral("Hata"), QStringLiteral("HATA") + reading.error(),
             QMessageBox::Warning);
        return false;
    }
    read = reading.contacts();
    return true;
}

void MainWindow::importContactFiles(const QList<QByteArray> &paths)
{
    QMessageBox box;
    ContactFile read;
    if (!readContactFiles(paths, read))
        return;
    const ImportPlan plan = planImport(phoneBookDb, read);
    QString found = QStringLiteral("%1 kişi bulundu: %2 yeni, %3 kişi defterde zaten var.")
                        .arg(plan.found)
                        .arg(plan.fresh.size())
                        .arg(plan.existing);
    if (plan.repeated > 0)
        found += QStringLiteral(" %1 kişi dosyada birden fazla kez geçiyor, bir kez eklenir.")
                     .arg(plan.repeated);
    if (plan.unreadable > 0)
        found += QStringLiteral(" %1 kayıt adsız olduğu için okunamadı.").arg(plan.unreadable);
    if (plan.fresh.isEmpty()) {
        tell(box, QStringLiteral("İçe Aktar"), found, QMessageBox::Information);
        return;
    }
    box.setWindowTitle(QStringLiteral("İçe Aktar"));
    box.setIcon(QMessageBox::Question);
    box.setText(found + QStringLiteral(" Yeni kişiler deftere eklensin mi?"));
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Yes);
    if (box.exec() != QMessageBox::Yes || terminationRequested())
        return;

    QProgressDialog progress(this);
    setUpProgress(progress, QStringLiteral("Kişiler ekleniyor…"));
    // A window-modal progress dialog lets events through as its value changes: a cancel
    // or a termination signal then rolls the whole import back.
    const Progress adding = [&progress](qint64 done, qint64 total) {
        if (done % 256 == 0)
            progress.setValue(int(1000 * done / total));
        return !progress.wasCanceled() && !terminationRequested();
    };
    QString error;
    QVector<qint64> added;
    if (!runImport(phoneBookDb, plan.fresh, error, adding, &added)) {
        progress.close();
        box.setStandardButtons(QMessageBox::Ok);
        // Cancelled or signalled, the user knows: nothing to tell.
        if (!progress.wasCanceled() && !terminationRequested())
            tell(box, QStringLiteral("Hata"), QStringLiteral("HATA") + error, QMessageBox::Warning);
        listAll();
        return;
    }
    showImportedEntries(added);
}

void MainWindow::showImportedEntries(const QVector<qint64> &ids)
{
    const QVector<Entry> added = readEntries(ids);
    if (!added.isEmpty()) {
        noteOwnChange(added, {});
        record(new EntriesAdded(added, QStringLiteral("%1 kişi içe aktarıldı").arg(added.size()),
                                stepReport()));
    }
    listAll();
}
