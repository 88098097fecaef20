#include "window/mainwindow.h"

#include "form/mainwindowform.h"
#include "store/phonebookdb.h"
#include "store/statements.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QSqlRecord>
#include <QStyle>
#include <QTableView>

namespace
{

// Wide enough for a whole 17-character number ("+90 532 111 22 33") in the list's own
// font, which the desktop chooses: a plus and sixteen of the widest digit or separator,
// inside the margins the item delegate keeps on both sides of a cell's text.
int numberColumnWidth(const QTableView *list)
{
    const QFontMetrics metrics(list->font());
    int widest = 0;
    for (const QChar c : QStringLiteral("0123456789 ()-."))
        widest = qMax(widest, metrics.horizontalAdvance(c));
    const int margin = list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
    return metrics.horizontalAdvance(QLatin1Char('+')) + 16 * widest + 2 * margin +
           (list->showGrid() ? 1 : 0);
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), form(std::make_unique<MainWindowForm>())
{
    form->setupForm(this);
    form->txt_id->hide();
    setUpKeyboardBrowsing();
    setUpContactExchange();
    showMaximized();

    QMessageBox box;
    // A file that cannot be read, or whose table cannot be made, is reported like a
    // failed open instead of being shown as an empty phone book.
    if (openPhoneBook() != PhoneBookOpening::Failed) {
        refreshList(selectAllStatement().text);
    } else {
        tell(box, QStringLiteral("Hata"), QStringLiteral("Veritabanı Bağlantısı Yapılamadı."),
             QMessageBox::Information);
    }
    form->txt_adsoyad->setFocus(Qt::OtherFocusReason);
}

MainWindow::~MainWindow()
{
    releasePhoneBook();
}

void MainWindow::releasePhoneBook()
{
    finishShownList();
    closePhoneBook();
}

void MainWindow::finishShownList()
{
    if (auto *shown = qobject_cast<QSqlQueryModel *>(form->tbl_liste->model())) {
        QSqlQuery reading = shown->query();
        reading.finish();
    }
}

void MainWindow::refreshList(const QString &statement, const QVariantList &boundValues)
{
    // The shown list's statement may still be reading (long lists are read in batches).
    // All statements of a connection share one snapshot of the file, so it must end
    // first, or the new list would not see what other programs saved since.
    finishShownList();
    const bool readWhole = listMustBeReadWhole();
    QSqlQuery query(phoneBookDb);
    // Owned by the list, so the last model goes with the window.
    auto *model = new QSqlQueryModel(form->tbl_liste);
    runStatement(query, {statement, boundValues});
    model->setQuery(query);
    while (readWhole && model->canFetchMore())
        model->fetchMore();

    // The view lets go of the old model before it is released, and never shows it again.
    QAbstractItemModel *replaced = form->tbl_liste->model();
    form->tbl_liste->setModel(model);
    delete replaced;

    // By name: another program may have made the table with its columns in another order.
    const QSqlRecord columns = model->record();
    form->tbl_liste->hideColumn(columns.indexOf(QStringLiteral("id")));
    form->tbl_liste->setColumnWidth(columns.indexOf(QStringLiteral("adsoyad")), 200);
    form->tbl_liste->setColumnWidth(columns.indexOf(QStringLiteral("mail")), 140);
    const int numbers = qMax(numberColumnWidth(form->tbl_liste),
                             form->tbl_liste->horizontalHeader()->defaultSectionSize());
    form->tbl_liste->setColumnWidth(columns.indexOf(QStringLiteral("telefon")), numbers);
    form->tbl_liste->setColumnWidth(columns.indexOf(QStringLiteral("cep")), numbers);
}

void MainWindow::refreshListStillReading()
{
    auto *model = qobject_cast<QSqlQueryModel *>(form->tbl_liste->model());
    if (!model || !model->canFetchMore())
        return;
    const Statement shown = shownStatement();
    refreshList(shown.text, shown.values);
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
