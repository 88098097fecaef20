// What the book's change log gives the window: Silinenler, an entry's Geçmiş, and the book
// taken back to a time. Each is one change of the book, undoable like any other.
#include "window/mainwindow.h"

#include "changelog/changelog.h"
#include "changelog/restoring.h"
#include "form/mainwindowform.h"
#include "window/deleteddialog.h"
#include "window/logtable.h"
#include "window/rollbackdialog.h"
#include "window/versionsdialog.h"

#include <QLineEdit>
#include <QMenu>
#include <QShortcut>
#include <QSqlError>

void MainWindow::setUpRemembering()
{
    auto *deleted = new QShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+Del")), this);
    connect(deleted, &QShortcut::activated, this, &MainWindow::showDeleted);
    auto *versions = new QShortcut(QKeySequence(QStringLiteral("Ctrl+H")), this);
    connect(versions, &QShortcut::activated, this, &MainWindow::showVersions);
}

void MainWindow::addRememberingActions(QMenu &menu)
{
    connect(menu.addAction(QStringLiteral("Silinenler…")), &QAction::triggered, this,
            &MainWindow::showDeleted, Qt::QueuedConnection);
    QAction *versions = menu.addAction(QStringLiteral("Geçmiş…"));
    versions->setEnabled(form->txt_id->text().toLongLong() > 0);
    connect(versions, &QAction::triggered, this, &MainWindow::showVersions, Qt::QueuedConnection);
    QAction *rollingBack = menu.addAction(QStringLiteral("Defteri geri al…"));
    connect(rollingBack, &QAction::triggered, this, &MainWindow::rollBackBook,
            Qt::QueuedConnection);
    markChanging(menu, {rollingBack});
}

void MainWindow::showDeleted()
{
    QString error;
    const auto deletions = deletedEntries(error);
    QMessageBox box;
    if (!deletions) {
        tell(box, QStringLiteral("Hata"), QStringLiteral("Silinenler okunamadı: ") + error,
             QMessageBox::Warning);
        return;
    }
    DeletedDialog dialog(this);
    dialog.setDeletions(*deletions);
    if (bookReadOnly)
        dialog.refuseChanges(readOnlyReason());
    const auto listAgain = [&dialog] {
        QString unread;
        dialog.setDeletions(deletedEntries(unread).value_or(QVector<LoggedChange>()));
    };
    connect(&dialog, &DeletedDialog::restoreAsked, this,
            [this, listAgain](const QVector<LoggedChange> &chosen) {
                restoreDeleted(chosen);
                listAgain();
            });
    connect(&dialog, &DeletedDialog::forgetAsked, this,
            [this, listAgain](const QVector<LoggedChange> &chosen) {
                forgetDeletedForGood(chosen);
                listAgain();
            });
    dialog.exec();
}

void MainWindow::restoreDeleted(const QVector<LoggedChange> &chosen)
{
    if (refusedAsReadOnly())
        return;
    QMessageBox box;
    QString error;
    const EntriesChange plan = restoringDeleted(chosen, error);
    EntriesChange applied;
    const Change outcome = error.isEmpty() ? applyRestoring(plan, applied) : Change{};
    if (!error.isEmpty() || outcome.outcome == ChangeOutcome::Failed) {
        noteFailure(outcome.kind);
        tell(box, QStringLiteral("Hata"),
             error.isEmpty() ? failureMessage(outcome) : QStringLiteral("HATA") + error,
             QMessageBox::Warning);
        return;
    }
    if (outcome.outcome == ChangeOutcome::ChangedElsewhere) {
        tell(box, QStringLiteral("Silinenler"),
             QStringLiteral("Kimliklerden biri o arada başka bir kayda verildi. Hiçbir şey "
                            "değiştirilmedi."),
             QMessageBox::Warning);
        return;
    }
    showChangedEntries(applied, QStringLiteral("%1 kişi geri getirildi").arg(chosen.size()));
}

void MainWindow::forgetDeletedForGood(const QVector<LoggedChange> &chosen)
{
    if (refusedAsReadOnly())
        return;
    QMessageBox question(this);
    question.setWindowTitle(QStringLiteral("Kalıcı Olarak Sil"));
    question.setIcon(QMessageBox::Warning);
    question.setText(QStringLiteral("%1 kişi Silinenler'den de silinsin mi? Bunlar bir daha geri "
                                    "getirilemez.")
                         .arg(chosen.size()));
    question.setStandardButtons(QMessageBox::Yes | QMessageBox::Cancel);
    question.setDefaultButton(QMessageBox::Cancel);
    if (question.exec() != QMessageBox::Yes)
        return;
    QString error;
    if (!forgetDeleted(chosen, error)) {
        QMessageBox box;
        tell(box, QStringLiteral("Hata"), QStringLiteral("HATA") + error, QMessageBox::Warning);
    }
}

void MainWindow::showVersions()
{
    QMessageBox box;
    const qint64 id = form->txt_id->text().toLongLong();
    if (id < 1) {
        tell(box, QStringLiteral("Hata"), QStringLiteral("Kayıt Seçilmemiş."),
             QMessageBox::Information);
        return;
    }
    QString error;
    const auto versions = entryHistory(id, error);
    if (!versions) {
        tell(box, QStringLiteral("Hata"), QStringLiteral("Geçmiş okunamadı: ") + error,
             QMessageBox::Warning);
        return;
    }
    VersionsDialog dialog(form->txt_adsoyad->text(), *versions, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const Entry version = dialog.chosen();
    QSqlError unread;
    const std::optional<Entry> now = readEntry(id, &unread);
    if (unread.isValid()) {
        tell(box, QStringLiteral("Hata"), failureMessage(failedWith(unread)), QMessageBox::Warning);
        return;
    }
    if (!now) {
        // Deleted since: stored again under its id, as Silinenler would.
        LoggedChange deletion;
        deletion.id = id;
        deletion.before = version;
        restoreDeleted({deletion});
        return;
    }
    // An ordinary save of the version's texts over what the form showed: undoable, and
    // asking when another desk changed the entry meanwhile.
    if (!formEntry || formEntry->id != id)
        formEntry = now;
    form->txt_adsoyad->setText(version.adsoyad);
    form->txt_telefon->setText(version.telefon);
    form->txt_cep->setText(version.cep);
    form->txt_mail->setText(version.mail);
    on_btn_kaydet_clicked();
}

void MainWindow::rollBackBook()
{
    if (refusedAsReadOnly())
        return;
    RollbackDialog dialog(changesSince, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QMessageBox box;
    QString error;
    const BookRollback rollback = rollingBack(dialog.changes(), error);
    if (!error.isEmpty()) {
        tell(box, QStringLiteral("Hata"), QStringLiteral("HATA") + error, QMessageBox::Warning);
        return;
    }
    if (rollback.change.isEmpty()) {
        tell(box, QStringLiteral("Defteri Geri Al"),
             QStringLiteral("Defter o andakiyle aynı; geri alınacak bir şey yok."),
             QMessageBox::Information);
        return;
    }
    const QString when = shownTime(dialog.since());
    box.setWindowTitle(QStringLiteral("Defteri Geri Al"));
    box.setIcon(QMessageBox::Question);
    box.setText(QStringLiteral("Defter %1 anındaki hâline dönsün mü? %2 kişi geri getirilecek, "
                               "%3 kişi eski hâline dönecek, %4 kişi silinecek.")
                    .arg(when)
                    .arg(rollback.restored)
                    .arg(rollback.changed)
                    .arg(rollback.removed));
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Cancel);
    if (box.exec() != QMessageBox::Yes)
        return;
    EntriesChange applied;
    const Change outcome = applyRestoring(rollback.change, applied);
    if (toldUndone(outcome, failureMessage(outcome)))
        return;
    showChangedEntries(applied, QStringLiteral("Defter %1 anına geri alındı").arg(when));
}
