// "Ara": a number of the list's current row handed to the desktop's softphone.
#include "window/mainwindow.h"

#include "directory/phonedirectory.h"
#include "form/mainwindowform.h"
#include "list/phonebooklistmodel.h"
#include "platform/dialing.h"
#include "store/entries.h"

#include <QMenu>
#include <QShortcut>
#include <QTableView>

namespace
{

// The list's columns of the two numbers.
constexpr int phoneColumn = 2, mobileColumn = 3;

} // namespace

std::optional<Entry> MainWindow::currentRowEntry() const
{
    const QModelIndex current = form->tbl_liste->currentIndex();
    if (!current.isValid())
        return std::nullopt;
    return readEntry(list->ids().value(current.row()));
}

void MainWindow::setUpDialing()
{
    auto *key = new QShortcut(QKeySequence(QStringLiteral("Ctrl+T")), this);
    connect(key, &QShortcut::activated, this, [this] {
        const std::optional<Entry> entry = currentRowEntry();
        if (!entry)
            return;
        // The number of the column the cursor is on, else the phone, else the mobile.
        const int column = form->tbl_liste->currentIndex().column();
        const QString chosen = column == mobileColumn ? entry->cep : entry->telefon;
        dial(dialledNumber(chosen).isEmpty() ? (chosen == entry->cep ? entry->telefon : entry->cep)
                                             : chosen);
    });
}

void MainWindow::addDialingActions(QMenu &menu)
{
    const std::optional<Entry> entry = currentRowEntry();
    bool any = false;
    for (const QString &number :
         {entry ? entry->telefon : QString(), entry ? entry->cep : QString()}) {
        if (dialledNumber(number).isEmpty())
            continue;
        any = true;
        connect(menu.addAction(QStringLiteral("Ara: ") + number.trimmed()), &QAction::triggered,
                this, [this, number] { dial(number); });
    }
    if (!any)
        menu.addAction(QStringLiteral("Ara"))->setEnabled(false);
}

void MainWindow::dial(const QString &number)
{
    const QString dialled = dialledNumber(number);
    if (dialled.isEmpty())
        return;
    if (dialOnDesktop(dialled) == Dialing::Handed)
        return;
    QMessageBox box;
    tell(box, QStringLiteral("Ara"),
         QStringLiteral("Bu masaüstünde telefon numaralarını arayacak bir program (tel: "
                        "adreslerini açan bir softphone) yok.\nNumara: ") +
             dialled,
         QMessageBox::Information);
}
