#include "window/mainwindow.h"

#include "form/mainwindowform.h"

#include <QLineEdit>
#include <QModelIndex>
#include <QShortcut>
#include <QTableView>

void MainWindow::on_tbl_liste_doubleClicked(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    // Whichever cell was clicked, the whole row is loaded.
    QLineEdit *const fields[] = {form->txt_id, form->txt_adsoyad, form->txt_telefon, form->txt_cep,
                                 form->txt_mail};
    QString texts[5];
    for (int column = 0; column < 5; ++column)
        texts[column] = index.sibling(index.row(), column).data(Qt::DisplayRole).toString();
    for (int column = 0; column < 5; ++column)
        fields[column]->setText(texts[column]);
    formEntry = Entry{texts[0].toLongLong(), texts[1], texts[2], texts[3], texts[4]};
}

void MainWindow::on_txt_ara_textChanged(const QString &arg1)
{
    listSearch(arg1);
}

void MainWindow::loadCurrentRowForEditing()
{
    const QModelIndex current = form->tbl_liste->currentIndex();
    if (!current.isValid())
        return;
    on_tbl_liste_doubleClicked(current);
    form->txt_adsoyad->setFocus(Qt::OtherFocusReason);
}

void MainWindow::setUpKeyboardBrowsing()
{
    // Enter on the list's current row loads it, as a double-click does, and goes on to
    // the name so that the entry can be edited at once.
    for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto *load =
            new QShortcut(QKeySequence(key), form->tbl_liste, nullptr, nullptr, Qt::WidgetShortcut);
        connect(load, &QShortcut::activated, this, &MainWindow::loadCurrentRowForEditing);
    }
    // Down in the search box goes on to the first row found.
    auto *down = new QShortcut(QKeySequence(Qt::Key_Down), form->txt_ara, nullptr, nullptr,
                               Qt::WidgetShortcut);
    connect(down, &QShortcut::activated, this, [this] {
        QTableView *view = form->tbl_liste;
        view->setFocus(Qt::TabFocusReason);
        const QAbstractItemModel *model = view->model();
        if (!model || model->rowCount() == 0)
            return;
        int column = 0;
        while (column < model->columnCount() - 1 && view->isColumnHidden(column))
            ++column;
        view->setCurrentIndex(model->index(0, column));
    });
}
