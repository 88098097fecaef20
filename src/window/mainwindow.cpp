#include "window/mainwindow.h"

#include "changelog/logpruning.h"
#include "form/mainwindowform.h"
#include "index/phonebookindex.h"
#include "list/listorder.h"
#include "list/orderrebuild.h"
#include "list/phonebooklistmodel.h"
#include "store/bookwatcher.h"
#include "store/phonebookdb.h"
#include "store/storefailure.h"

#include <QLineEdit>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), form(std::make_unique<MainWindowForm>())
{
    form->setupForm(this);
    form->txt_id->hide();
    list = new PhoneBookListModel(this);
    searchIndex = new PhoneBookIndex(this);
    rebuild = new OrderRebuild(this);
    connect(searchIndex, &PhoneBookIndex::changesFound, this, &MainWindow::sortChangesElsewhere);
    connect(searchIndex, &PhoneBookIndex::built, this, &MainWindow::shareIndexIds);
    setUpList();
    setUpKeyboardBrowsing();
    setUpKeyboard();
    setUpHistory();
    setUpContactExchange();
    setUpRemembering();
    setUpDialing();
    setUpPhoneSync();
    showMaximized();

    watcher = new BookWatcher(this);
    pruning = new LogPruning(this);
    connect(watcher, &BookWatcher::changedElsewhere, this, &MainWindow::followChangesElsewhere);
    openBook();
    form->txt_adsoyad->setFocus(Qt::OtherFocusReason);
}

void MainWindow::openBook()
{
    QMessageBox box;
    PhoneBookOpening opening = openPhoneBook();
    if (opening == PhoneBookOpening::NeedsPassword)
        opening = openWithPassword();
    // A file that cannot be read, or whose table cannot be made, is reported like a
    // failed open instead of being shown as an empty phone book.
    if (opening == PhoneBookOpening::Opened || opening == PhoneBookOpening::OpenedReadOnly) {
        showBookAccess(opening == PhoneBookOpening::OpenedReadOnly);
        listAll();
        watcher->start();
        pruning->start();
        // Once the first screen is shown; until the index is ready the store answers.
        QTimer::singleShot(0, searchIndex, &PhoneBookIndex::rebuild);
        if (!serverAdvice().isEmpty())
            tell(box, QStringLiteral("Ortak Defter"), serverAdvice(), QMessageBox::Information);
        return;
    }
    const QString why = openingFailure();
    tell(box, QStringLiteral("Hata"),
         QStringLiteral("Veritabanı Bağlantısı Yapılamadı.") +
             (why.isEmpty() ? QString() : QStringLiteral("\n\n") + why),
         QMessageBox::Information);
}

MainWindow::~MainWindow()
{
    releasePhoneBook();
}

void MainWindow::releasePhoneBook()
{
    searchIndex->stop();
    rebuild->stop();
    pruning->stop();
    closePhoneBook();
}

void MainWindow::tell(QMessageBox &box, const QString &title, const QString &text,
                      QMessageBox::Icon icon)
{
    box.setWindowTitle(title);
    box.setText(text);
    box.setIcon(icon);
    box.exec();
}

bool MainWindow::toldUndone(const Change &change, const QString &failed)
{
    if (change.outcome == ChangeOutcome::Done)
        return false;
    noteFailure(change.kind);
    listAll();
    QMessageBox box;
    tell(box, QStringLiteral("Hata"),
         change.outcome == ChangeOutcome::ChangedElsewhere
             ? QStringLiteral("Kayıtlar o arada başka bir yerde değiştirildi. Hiçbir şey "
                              "değiştirilmedi.")
             : failed,
         QMessageBox::Warning);
    return true;
}

void MainWindow::showFailure(QMessageBox &box, const QSqlQuery &query)
{
    const QSqlError error = query.lastError();
    // A book that was never opened leaves no error on the query.
    const FailureKind kind = error.isValid() ? failureKind(error) : FailureKind::Unreachable;
    noteFailure(kind);
    tell(box, QStringLiteral("Hata"), failureMessage(kind, error.text()), QMessageBox::Warning);
}

void MainWindow::resizeEvent(QResizeEvent *)
{
    // Integer centres as QRect computes them: (size - 1) / 2, truncated.
    const QRect window = this->window()->rect();
    const QRect panel = form->widget->rect();
    form->widget->move(window.center() - panel.center());
}
