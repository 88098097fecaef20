#include "window/mainwindow.h"

#include "form/mainwindowform.h"
#include "store/phonebookdb.h"
#include "store/statements.h"

#include <QLineEdit>
#include <QMessageBox>
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

    refreshListStillReading();
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
        refreshList(selectAllStatement().text);
        form->txt_id->setText(query.lastInsertId().toString());
        tell(box, QStringLiteral("İşlem Tamam"), QStringLiteral("Kaydedildi"),
             QMessageBox::Information);
        return;
    }

    if (!runStatement(query, updateStatement(name, phone, mobile, mail, id))) {
        showFailure(box, query);
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
        tell(box, QStringLiteral("İşlem Tamam"), QStringLiteral("Güncellendi"),
             QMessageBox::Information);
    }
    refreshList(selectAllStatement().text);
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

    refreshListStillReading();
    QSqlQuery query(phoneBookDb);
    if (!runStatement(query, deleteStatement(id))) {
        // The entry is still stored, so the form keeps showing it.
        box.setStandardButtons(QMessageBox::Ok);
        showFailure(box, query);
        refreshList(selectAllStatement().text);
        return;
    }
    on_btn_yeni_clicked();
    refreshList(selectAllStatement().text);
}

void MainWindow::on_btn_sil_2_clicked()
{
    releasePhoneBook();
    std::exit(0);
}
