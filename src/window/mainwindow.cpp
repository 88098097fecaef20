#include "window/mainwindow.h"

#include "form/mainwindowform.h"
#include "store/databasepath.h"
#include "store/phonebookdb.h"
#include "store/statements.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QTableView>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), form(std::make_unique<MainWindowForm>())
{
    form->setupForm(this);
    form->txt_id->hide();
    showMaximized();
    phoneBookDb.setDatabaseName(databasePath());

    QMessageBox box;
    if (phoneBookDb.open()) {
        createPhoneBookTableIfMissing();
        refreshList(selectAllStatement().text);
    } else {
        box.setWindowTitle(QStringLiteral("Hata"));
        box.setText(QStringLiteral("Veritabanı Bağlantısı Yapılamadı."));
        box.setIcon(QMessageBox::Information);
        box.exec();
    }
    form->txt_adsoyad->setFocus(Qt::OtherFocusReason);
}

MainWindow::~MainWindow() = default;

void MainWindow::refreshList(const QString &statement, const QVariantList &boundValues)
{
    QSqlQuery query(phoneBookDb);
    // Owned by the list, so the last model goes with the window.
    auto *model = new QSqlQueryModel(form->tbl_liste);
    runStatement(query, {statement, boundValues});
    model->setQuery(query);

    // The view lets go of the old model before it is released, and never shows it again.
    QAbstractItemModel *replaced = form->tbl_liste->model();
    form->tbl_liste->setModel(model);
    delete replaced;

    form->tbl_liste->hideColumn(0);
    form->tbl_liste->setColumnWidth(1, 200);
    form->tbl_liste->setColumnWidth(4, 140);
}

void MainWindow::showFailure(QMessageBox &box, const QSqlQuery &query)
{
    box.setWindowTitle(QStringLiteral("Hata"));
    box.setText(QStringLiteral("HATA") + query.lastError().text());
    box.setIcon(QMessageBox::Warning);
    box.exec();
}

void MainWindow::resizeEvent(QResizeEvent *)
{
    // Integer centres as QRect computes them: (size - 1) / 2, truncated.
    const QRect window = this->window()->rect();
    const QRect panel = form->widget->rect();
    form->widget->move(window.center() - panel.center());
}
