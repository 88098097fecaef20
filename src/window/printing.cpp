// The entries the list shows as a printed phone list, or as a PDF file.
#include "window/mainwindow.h"

#include "exchange/nativefile.h"
#include "list/phonebooklistmodel.h"
#include "printing/phonelist.h"
#include "window/backgroundwork.h"

#include <QFile>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStandardPaths>

void MainWindow::printShownEntries()
{
    listWhole();
    const QVector<Entry> entries = inTurkishOrder(readEntries(list->ids()));
    const QDate today = QDate::currentDate();
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("Yazdır"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    QPrintPreviewDialog preview(&printer, this);
    preview.setWindowTitle(QStringLiteral("Baskı Önizleme"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [&entries, &today](QPrinter *target) { printPhoneList(*target, entries, today); });
    preview.exec();
}

void MainWindow::saveShownEntriesAsPdf()
{
    const QString home = QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("PDF olarak kaydet"),
                                                home + QStringLiteral("/telefon-listesi.pdf"),
                                                QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        path += QStringLiteral(".pdf");
    listWhole();
    const QVector<Entry> entries = inTurkishOrder(readEntries(list->ids()));
    QString why;
    QMessageBox box;
    const bool written = runBehindProgress(
        this, QStringLiteral("PDF olarak kaydet"), QStringLiteral("Telefon listesi yazılıyor…"),
        [&](const Progress &progress) {
            return writePhoneListPdf(QFile::encodeName(path), entries, QDate::currentDate(), why,
                                     progress);
        });
    if (!written) {
        if (why.isEmpty() || why.endsWith(stoppedWriting()))
            return;
        tell(box, QStringLiteral("Hata"), why, QMessageBox::Warning);
        return;
    }
    tell(box, QStringLiteral("İşlem Tamam"),
         QStringLiteral("%1 kişilik telefon listesi kaydedildi.").arg(entries.size()),
         QMessageBox::Information);
}
