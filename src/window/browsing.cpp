#include "window/mainwindow.h"

#include "form/mainwindowform.h"
#include "store/searchfunctions.h"
#include "store/statements.h"

#include <QLineEdit>
#include <QModelIndex>

void MainWindow::on_tbl_liste_doubleClicked(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    // Columns by position: id, adsoyad, telefon, cep, mail. Whichever cell was
    // clicked, the whole row is loaded.
    QLineEdit *const fields[] = {form->txt_id, form->txt_adsoyad, form->txt_telefon, form->txt_cep,
                                 form->txt_mail};
    QString texts[5];
    for (int column = 0; column < 5; ++column)
        texts[column] = index.sibling(index.row(), column).data(Qt::DisplayRole).toString();
    for (int column = 0; column < 5; ++column)
        fields[column]->setText(texts[column]);
}

void MainWindow::on_txt_ara_textChanged(const QString &arg1)
{
    const Statement search = searchStatement(arg1, searchFunctionsInstalled());
    refreshList(search.text, search.values);
}
