#include "window/mainwindow.h"

#include "form/mainwindowform.h"
#include "store/entries.h"
#include "store/phonebookdb.h"
#include "store/statements.h"
#include "store/writetransaction.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QSqlError>
#include <QSqlQuery>

#include <cstdlib>

namespace
{

// Below 1 (empty, 0, negative or not a number) the form holds a new entry. 64 bits:
// SQLite's ids go that far, and AUTOINCREMENT follows any id another program stored.
qint64 entryId(const QLineEdit *idField)
{
    return idField->text().toLongLong(nullptr, 10);
}

} // namespace

void MainWindow::on_btn_kaydet_clicked()
{
    QMessageBox box;
    const QString name = form->txt_adsoyad->text().trimmed();
    const qint64 id = entryId(form->txt_id);
    form->txt_adsoyad->setText(name);
    if (name.isEmpty()) {
        box.setText(QStringLiteral("Ad Soyad Boş Bırakılamaz!"));
        box.exec();
        return;
    }
    // Only the name is written back trimmed; the other fields keep what was typed.
    const QString phone = form->txt_telefon->text().trimmed();
    const QString mobile = form->txt_cep->text().trimmed();
    const QString mail = form->txt_mail->text().trimmed();

    QSqlQuery query(phoneBookDb);
    // A table that could not be made at start (a full disk, a lock) is tried again.
    if (!ensurePhoneBookTable(query)) {
        showFailure(box, query);
        return;
    }
    if (id < 1) {
        if (!runStatement(query, insertStatement(name, phone, mobile, mail))) {
            showFailure(box, query);
            return;
        }
        const Entry added{query.lastInsertId().toLongLong(), name, phone, mobile, mail};
        noteOwnChange({added}, {});
        record(new EntriesAdded({added}, QStringLiteral("%1 eklendi").arg(name), stepReport()));
        listAll();
        form->txt_id->setText(query.lastInsertId().toString());
        tell(box, QStringLiteral("İşlem Tamam"), QStringLiteral("Kaydedildi"),
             QMessageBox::Information);
        return;
    }

    // What the update replaces, read in its transaction, is what undoing it restores.
    WriteTransaction transaction;
    if (!transaction.began()) {
        tell(box, QStringLiteral("Hata"), QStringLiteral("HATA") + transaction.error().text(),
             QMessageBox::Warning);
        return;
    }
    const std::optional<Entry> before = readEntry(id);
    if (!runStatement(query, updateStatement(name, phone, mobile, mail, id))) {
        showFailure(box, query);
        return;
    }
    if (!transaction.commit()) {
        tell(box, QStringLiteral("Hata"), QStringLiteral("HATA") + transaction.error().text(),
             QMessageBox::Warning);
        return;
    }
    if (query.numRowsAffected() < 1) {
        // The entry was deleted meanwhile: keep the user's texts so that the next
        // save stores them as a new entry instead of losing them.
        form->txt_id->clear();
        tell(box, QStringLiteral("Hata"),
             QStringLiteral("Güncellenecek kayıt bulunamadı. Tekrar KAYDET'e basarak yeni kayıt "
                            "olarak ekleyebilirsiniz."),
             QMessageBox::Warning);
    } else {
        const Entry after{id, name, phone, mobile, mail};
        noteOwnChange({after}, {});
        if (before && *before != after)
            record(new EntryUpdated(*before, after, stepReport()));
        tell(box, QStringLiteral("İşlem Tamam"), QStringLiteral("Güncellendi"),
             QMessageBox::Information);
    }
    listAll();
}

void MainWindow::on_btn_yeni_clicked()
{
    form->txt_id->setText(QString());
    form->txt_adsoyad->setText(QString());
    form->txt_telefon->setText(QString());
    form->txt_cep->setText(QString());
    form->txt_mail->setText(QString());
    form->txt_adsoyad->setFocus(Qt::OtherFocusReason);
}

void MainWindow::on_btn_sil_clicked()
{
    QMessageBox box;
    const qint64 id = entryId(form->txt_id);
    if (id < 1) {
        tell(box, QStringLiteral("Hata"), QStringLiteral("Kayıt Seçilmemiş."),
             QMessageBox::Information);
        return;
    }
    box.setWindowTitle(QStringLiteral("İşlemi Onayla"));
    box.setIcon(QMessageBox::Critical);
    box.setText(QStringLiteral("İşlemin geri dönüşü yoktur. Emin misiniz?"));
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Cancel);
    if (box.exec() != QMessageBox::Yes)
        return;

    QSqlQuery query(phoneBookDb);
    // What the delete removes, read in its transaction, is what undoing it restores.
    std::optional<WriteTransaction> transaction(std::in_place);
    const std::optional<Entry> deleted = readEntry(id);
    const bool removed =
        transaction->began() && runStatement(query, deleteStatement(id)) && transaction->commit();
    if (!removed) {
        const QSqlError why =
            query.lastError().isValid() ? query.lastError() : transaction->error();
        transaction.reset();
        // The entry is still stored, so the form keeps showing it.
        box.setStandardButtons(QMessageBox::Ok);
        tell(box, QStringLiteral("Hata"), QStringLiteral("HATA") + why.text(),
             QMessageBox::Warning);
        listAll();
        return;
    }
    if (deleted) {
        noteOwnChange({}, {id});
        record(new EntryDeleted(*deleted, stepReport()));
    }
    on_btn_yeni_clicked();
    listAll();
}

void MainWindow::on_btn_sil_2_clicked()
{
    releasePhoneBook();
    std::exit(0);
}
