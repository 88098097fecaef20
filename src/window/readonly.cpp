// A book this desk may only read: a role without the right to change it, or a file it may
// not write. What would change it is switched off, each control saying why, and a key that
// would change it anyway is answered with the same sentence.
#include "window/mainwindow.h"

#include "form/mainwindowform.h"
#include "store/phonebookdb.h"

#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

QString MainWindow::readOnlyReason()
{
    return QStringLiteral("Bu defter salt okunur: değiştirme yetkiniz yok.");
}

void MainWindow::showBookAccess(bool readOnly)
{
    bookReadOnly = readOnly;
    // Two windows on two books tell which is which.
    setWindowTitle(
        QStringLiteral("TELEFON DEFTERİ — %1%2")
            .arg(phoneBookName(), readOnly ? QStringLiteral(" (salt okunur)") : QString()));
    for (QPushButton *button : {form->btn_kaydet, form->btn_sil}) {
        button->setEnabled(!readOnly);
        button->setToolTip(readOnly ? readOnlyReason() : QString());
    }
}

void MainWindow::markChanging(QMenu &menu, std::initializer_list<QAction *> actions) const
{
    if (!bookReadOnly)
        return;
    menu.setToolTipsVisible(true);
    for (QAction *action : actions) {
        action->setEnabled(false);
        action->setToolTip(readOnlyReason());
    }
}

bool MainWindow::refusedAsReadOnly()
{
    if (!bookReadOnly)
        return false;
    QMessageBox box;
    tell(box, QStringLiteral("Salt Okunur"), readOnlyReason(), QMessageBox::Information);
    return true;
}

void MainWindow::noteFailure(FailureKind kind)
{
    // Refused by the server or the file after the book opened (rights taken away, a medium
    // made read only): from now on it is shown as read only.
    if (kind == FailureKind::Refused && !bookReadOnly)
        showBookAccess(true);
}
