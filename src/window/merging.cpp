// Entries that are the same person, merged into the oldest of each group.
#include "window/mainwindow.h"

#include "exchange/duplicates.h"
#include "store/phonebookdb.h"

namespace
{

// What is lost is said where it is read, not only in the details.
QString lossWarning(const DuplicateMerge &merge)
{
    QStringList lost;
    if (merge.droppedNumbers > 0)
        lost << QStringLiteral("%1 numara").arg(merge.droppedNumbers);
    if (merge.droppedMails > 0)
        lost << QStringLiteral("%1 mail adresi").arg(merge.droppedMails);
    if (lost.isEmpty())
        return {};
    return QStringLiteral("\n\nDikkat: %1 hiçbir alana sığmadığı için defterden silinecek "
                          "(ayrıntılarda listeleniyor).")
        .arg(lost.join(QStringLiteral(" ve ")));
}

} // namespace

void MainWindow::mergeDuplicates()
{
    if (refusedAsReadOnly())
        return;
    QVector<Entry> book;
    QMessageBox box;
    box.setWindowTitle(QStringLiteral("Yinelenenleri Birleştir"));
    if (!readEveryEntry(phoneBookDb, [&book](const Entry &entry) {
            book << entry;
            return true;
        })) {
        tell(box, QStringLiteral("Hata"), QStringLiteral("Defter okunamadı."),
             QMessageBox::Warning);
        return;
    }
    const DuplicateMerge merge = planDuplicateMerge(book);
    if (merge.groups == 0) {
        tell(box, QStringLiteral("Yinelenenleri Birleştir"),
             QStringLiteral("Defterde aynı kişinin birden fazla kaydı yok."),
             QMessageBox::Information);
        return;
    }
    box.setIcon(QMessageBox::Question);
    box.setText(QStringLiteral("%1 kişinin %2 kaydı var. Her kişinin kayıtları en eski kaydında "
                               "birleştirilsin mi? Boş alanlar diğer kayıtlardan doldurulur, "
                               "farklı değerlerde en eski kayıt kalır.")
                    .arg(merge.groups)
                    .arg(merge.entries) +
                lossWarning(merge));
    box.setDetailedText(merge.details.join(QLatin1Char('\n')));
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Yes);
    if (box.exec() != QMessageBox::Yes)
        return;
    const Change change = applyEntriesChange(merge.change);
    if (toldUndone(change, QStringLiteral("Kayıtlar birleştirilemedi: ") +
                               failureReason(change.kind, change.error)))
        return;
    showChangedEntries(
        merge.change,
        QStringLiteral("%1 yinelenen kayıt birleştirildi").arg(merge.change.removed.size()));
}
