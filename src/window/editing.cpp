#include "window/mainwindow.h"

#include "changelog/bothchanges.h"
#include "form/mainwindowform.h"
#include "store/entries.h"
#include "store/phonebookdb.h"
#include "store/statements.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
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
    if (refusedAsReadOnly())
        return;
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
    const Entry typed{id, name, form->txt_telefon->text().trimmed(),
                      form->txt_cep->text().trimmed(), form->txt_mail->text().trimmed()};

    QSqlQuery query(phoneBookDb);
    // A table that could not be made at start (a full disk, a lock) is tried again; a
    // connection to a server that was lost is made again. A book that never opened says so.
    if (!bookAnswers(box))
        return;
    if (!ensurePhoneBookTable(query)) {
        showFailure(box, query);
        return;
    }
    if (id < 1) {
        query.finish();
        Entry added = typed;
        if (const Change change = addEntry(added); change.outcome != ChangeOutcome::Done) {
            noteFailure(change.kind);
            tell(box, QStringLiteral("Hata"), failureMessage(change), QMessageBox::Warning);
            return;
        }
        noteOwnChange({added}, {});
        record(new EntriesAdded({added}, QStringLiteral("%1 eklendi").arg(name), stepReport()));
        listAll();
        form->txt_id->setText(QString::number(added.id));
        formEntry = added;
        tell(box, QStringLiteral("İşlem Tamam"), QStringLiteral("Kaydedildi"),
             QMessageBox::Information);
        return;
    }
    updateEntry(box, typed);
}

void MainWindow::updateEntry(QMessageBox &box, const Entry &typed)
{
    // What the update replaces is what this window showed: a change another desk made
    // since is never overwritten unasked.
    QSqlError unread;
    std::optional<Entry> expected =
        formEntry && formEntry->id == typed.id ? formEntry : readEntry(typed.id, &unread);
    Change change = unread.isValid() ? failedWith(unread) : Change{};
    const Entry base = expected.value_or(Entry{});
    Entry saved = typed;
    while (expected) {
        change = replaceEntry(*expected, saved);
        if (change.outcome != ChangeOutcome::ChangedElsewhere)
            break;
        expected = readEntry(typed.id, &unread);
        if (unread.isValid()) {
            change = failedWith(unread);
            break;
        }
        if (!expected)
            break;
        const std::optional<Entry> answer = saveOverChangedElsewhere(*expected, base, typed);
        if (!answer)
            return;
        saved = *answer;
    }
    // A read or a write that failed is never taken for a deleted entry.
    if (change.outcome == ChangeOutcome::Failed) {
        noteFailure(change.kind);
        tell(box, QStringLiteral("Hata"), failureMessage(change), QMessageBox::Warning);
        return;
    }
    if (!expected) {
        // The entry was deleted meanwhile: keep the user's texts so that the next
        // save stores them as a new entry instead of losing them.
        form->txt_id->clear();
        formEntry.reset();
        tell(box, QStringLiteral("Hata"),
             QStringLiteral("Güncellenecek kayıt bulunamadı. Tekrar KAYDET'e basarak yeni kayıt "
                            "olarak ekleyebilirsiniz."),
             QMessageBox::Warning);
    } else {
        noteOwnChange({saved}, {});
        if (*expected != saved)
            record(new EntryUpdated(*expected, saved, stepReport()));
        // Both desks' changes together: the form shows what was saved.
        if (saved != typed)
            showInForm(saved);
        formEntry = saved;
        tell(box, QStringLiteral("İşlem Tamam"), QStringLiteral("Güncellendi"),
             QMessageBox::Information);
    }
    listAll();
}

std::optional<Entry> MainWindow::saveOverChangedElsewhere(const Entry &stored, const Entry &base,
                                                          const Entry &typed)
{
    const std::optional<Entry> both = bothChanges(base, typed, stored);
    QMessageBox question(this);
    question.setWindowTitle(QStringLiteral("Kayıt Değişmiş"));
    question.setIcon(QMessageBox::Warning);
    question.setText(QStringLiteral("Bu kişi siz açtıktan sonra başka bir yerde değiştirildi. "
                                    "Sizin yazdıklarınız onun üzerine kaydedilsin mi?"));
    question.setInformativeText(QStringLiteral("Şimdi kayıtlı olan: %1, %2, %3, %4")
                                    .arg(stored.adsoyad, stored.telefon, stored.cep, stored.mail));
    QPushButton *overwrite =
        question.addButton(QStringLiteral("Üzerine Kaydet"), QMessageBox::AcceptRole);
    QPushButton *keep = question.addButton(QStringLiteral("Ötekini Koru"), QMessageBox::RejectRole);
    // Only where no field was changed on both sides: nothing either desk typed is lost.
    QPushButton *merge =
        both && *both != stored && *both != typed
            ? question.addButton(QStringLiteral("İkisini de Koru"), QMessageBox::ApplyRole)
            : nullptr;
    question.setDefaultButton(keep);
    question.setEscapeButton(keep);
    question.exec();
    if (question.clickedButton() == overwrite)
        return typed;
    if (merge && question.clickedButton() == merge)
        return both;
    // Kept: the form still holds what was typed, and a later save overwrites knowingly.
    formEntry = stored;
    listAll();
    return std::nullopt;
}

bool MainWindow::bookAnswers(QMessageBox &box)
{
    QString error;
    if (keepPhoneBookConnection(error))
        return true;
    tell(box, QStringLiteral("Hata"), failureMessage(FailureKind::Unreachable, error),
         QMessageBox::Warning);
    return false;
}

void MainWindow::on_btn_yeni_clicked()
{
    formEntry.reset();
    form->txt_id->setText(QString());
    form->txt_adsoyad->setText(QString());
    form->txt_telefon->setText(QString());
    form->txt_cep->setText(QString());
    form->txt_mail->setText(QString());
    form->txt_adsoyad->setFocus(Qt::OtherFocusReason);
}

void MainWindow::on_btn_sil_clicked()
{
    if (refusedAsReadOnly())
        return;
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

    if (!bookAnswers(box))
        return;
    // What the delete removes is what this window showed, and what undoing it restores.
    QSqlError unread;
    std::optional<Entry> expected =
        formEntry && formEntry->id == id ? formEntry : readEntry(id, &unread);
    // Nothing to compare with (gone, or unreadable): the delete itself tells which.
    Change change = expected ? Change{} : removeEntry(id);
    while (expected) {
        change = removeEntries({*expected});
        if (change.outcome != ChangeOutcome::ChangedElsewhere)
            break;
        expected = readEntry(id, &unread);
        if (unread.isValid()) {
            change = failedWith(unread);
            break;
        }
        if (expected && !deleteChangedElsewhere(*expected))
            return;
    }
    if (change.outcome == ChangeOutcome::Failed) {
        // The entry is still stored, so the form keeps showing it.
        box.setStandardButtons(QMessageBox::Ok);
        noteFailure(change.kind);
        tell(box, QStringLiteral("Hata"), failureMessage(change), QMessageBox::Warning);
        listAll();
        return;
    }
    if (expected) {
        noteOwnChange({}, {id});
        record(new EntryDeleted(*expected, stepReport()));
    }
    on_btn_yeni_clicked();
    listAll();
}

bool MainWindow::deleteChangedElsewhere(const Entry &stored)
{
    QMessageBox question(this);
    question.setWindowTitle(QStringLiteral("Kayıt Değişmiş"));
    question.setIcon(QMessageBox::Warning);
    question.setText(QStringLiteral(
        "Bu kişi siz açtıktan sonra başka bir yerde değiştirildi. Yine de silinsin mi?"));
    question.setInformativeText(QStringLiteral("Şimdi kayıtlı olan: %1, %2, %3, %4")
                                    .arg(stored.adsoyad, stored.telefon, stored.cep, stored.mail));
    QPushButton *remove = question.addButton(QStringLiteral("Sil"), QMessageBox::AcceptRole);
    QPushButton *keep = question.addButton(QStringLiteral("Vazgeç"), QMessageBox::RejectRole);
    question.setDefaultButton(keep);
    question.setEscapeButton(keep);
    question.exec();
    if (question.clickedButton() == remove)
        return true;
    showInForm(stored);
    listAll();
    return false;
}

void MainWindow::on_btn_sil_2_clicked()
{
    releasePhoneBook();
    std::exit(0);
}
