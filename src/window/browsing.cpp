#include "window/mainwindow.h"

#include "form/mainwindowform.h"
#include "store/searchfunctions.h"
#include "store/statements.h"

#include <QLineEdit>
#include <QModelIndex>
#include <QShortcut>
#include <QSqlQueryModel>
#include <QSqlRecord>
#include <QTableView>

void MainWindow::on_tbl_liste_doubleClicked(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    // Columns by name, so that a table another program made with its columns in another
    // order loads each into its own field. Whichever cell was clicked, the whole row is
    // loaded.
    QLineEdit *const fields[] = {form->txt_id, form->txt_adsoyad, form->txt_telefon, form->txt_cep,
                                 form->txt_mail};
    const char *const names[] = {"id", "adsoyad", "telefon", "cep", "mail"};
    const auto *model = qobject_cast<const QSqlQueryModel *>(index.model());
    QString texts[5];
    for (int field = 0; field < 5; ++field) {
        const int column = model ? model->record().indexOf(QLatin1String(names[field])) : field;
        texts[field] = index.sibling(index.row(), column).data(Qt::DisplayRole).toString();
    }
    for (int field = 0; field < 5; ++field)
        fields[field]->setText(texts[field]);
}

void MainWindow::on_txt_ara_textChanged(const QString &arg1)
{
    const Statement search = searchStatement(arg1, searchFunctionsInstalled());
    refreshList(search.text, search.values);
}

void MainWindow::setUpKeyboardBrowsing()
{
    // Enter on the list's current row loads it, as a double-click does.
    for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto *load =
            new QShortcut(QKeySequence(key), form->tbl_liste, nullptr, nullptr, Qt::WidgetShortcut);
        connect(load, &QShortcut::activated, this,
                [this] { on_tbl_liste_doubleClicked(form->tbl_liste->currentIndex()); });
    }
    // Down in the search box goes on to the first row found.
    auto *down = new QShortcut(QKeySequence(Qt::Key_Down), form->txt_ara, nullptr, nullptr,
                               Qt::WidgetShortcut);
    connect(down, &QShortcut::activated, this, [this] {
        QTableView *list = form->tbl_liste;
        list->setFocus(Qt::TabFocusReason);
        const QAbstractItemModel *model = list->model();
        if (!model || model->rowCount() == 0)
            return;
        int column = 0;
        while (column < model->columnCount() - 1 && list->isColumnHidden(column))
            ++column;
        list->setCurrentIndex(model->index(0, column));
    });
}
