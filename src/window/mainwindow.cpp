#include "window/mainwindow.h"

#include "form/mainwindowform.h"
#include "store/databasepath.h"
#include "store/phonebookdb.h"
#include "store/searchfunctions.h"
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
        useWriteAheadLog();
        createPhoneBookTableIfMissing();
        installSearchFunctions(phoneBookDb);
        refreshList(selectAllStatement().text);
    } else {
        tell(box, QStringLiteral("Hata"), QStringLiteral("Veritabanı Bağlantısı Yapılamadı."),
             QMessageBox::Information);
    }
    form->txt_adsoyad->setFocus(Qt::OtherFocusReason);
}

MainWindow::~MainWindow() = default;

void MainWindow::refreshList(const QString &statement, const QVariantList &boundValues)
{
    // The shown list's statement may still be reading (long lists are read in batches).
    // All statements of a connection share one snapshot of the file, so it must end
    // first, or the new list would not see what other programs saved since.
    if (auto *shown = qobject_cast<QSqlQueryModel *>(form->tbl_liste->model())) {
        QSqlQuery reading = shown->query();
        reading.finish();
    }
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

void MainWindow::refreshListStillReading()
{
    auto *model = qobject_cast<QSqlQueryModel *>(form->tbl_liste->model());
    if (!model || !model->canFetchMore())
        return;
    const QSqlQuery shown = model->query();
    QVariantList values;
    for (int i = 0; i < shown.boundValues().size(); ++i)
        values << shown.boundValue(i);
    refreshList(shown.lastQuery(), values);
}

void MainWindow::tell(QMessageBox &box, const QString &title, const QString &text,
                      QMessageBox::Icon icon)
{
    box.setWindowTitle(title);
    box.setText(text);
    box.setIcon(icon);
    box.exec();
}

void MainWindow::showFailure(QMessageBox &box, const QSqlQuery &query)
{
    tell(box, QStringLiteral("Hata"), QStringLiteral("HATA") + query.lastError().text(),
         QMessageBox::Warning);
}

void MainWindow::resizeEvent(QResizeEvent *)
{
    // Integer centres as QRect computes them: (size - 1) / 2, truncated.
    const QRect window = this->window()->rect();
    const QRect panel = form->widget->rect();
    form->widget->move(window.center() - panel.center());
}
