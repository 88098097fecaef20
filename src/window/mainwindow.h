#pragma once

#include <QMainWindow>
#include <QMessageBox>
#include <QVariantList>
#include <QVector>

#include "store/statements.h"

#include <memory>

struct ContactFile;
struct MainWindowForm;
class QModelIndex;
class QSqlQuery;

// The phone book's one window: the entry form, the list and the six slots that
// connectSlotsByName reaches through their on_<object name>_<signal> names.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private slots:
    void on_btn_kaydet_clicked();
    void on_tbl_liste_doubleClicked(const QModelIndex &index);
    void on_btn_yeni_clicked();
    void on_btn_sil_clicked();
    void on_btn_sil_2_clicked();
    void on_txt_ara_textChanged(const QString &arg1);

private:
    // Runs a SELECT and shows its rows in the list, id column hidden. Failures
    // leave the list empty and are not reported.
    void refreshList(const QString &statement, const QVariantList &boundValues = {});
    // A list longer than one read batch keeps its statement open, and with it a snapshot
    // of the file. Once another program has saved, this connection cannot write from that
    // stale snapshot, so before a write such a list re-runs its own statement.
    void refreshListStillReading();
    // Return on a row loads it; Down in the search box goes on to the list.
    void setUpKeyboardBrowsing();
    // The list's menu (import, export as vCard or CSV) and file drops on the window.
    void setUpContactExchange();
    void showContactMenu(const QPoint &at);
    // Reads every file first, named by the system's bytes: one that cannot be read imports
    // nothing. Then one
    // question with the counts, one transaction, and the list with every entry.
    void importContactFiles(const QList<QByteArray> &paths);
    // Reads the files on a thread of their own behind a progress dialog that can cancel.
    // False, after telling why when a file could not be read, when nothing is to be imported.
    bool readContactFiles(const QList<QByteArray> &paths, ContactFile &read);
    // After a successful import: the list with every entry; ids are the entries added.
    void showImportedEntries(const QVector<qint64> &ids);
    // Writes the entries the list shows, all of them when the search box is empty.
    void exportShownEntries(bool csv);
    // The statement of the list shown, with its bound values.
    Statement shownStatement() const;
    // Ends the shown list's statement, so that the connection holds no read.
    void finishShownList();
    // The window is the program: when it goes, the phone book is closed and left in the
    // rollback journal (unless another copy still has it open).
    void releasePhoneBook();
    // Titles the box, sets its text and icon, and runs it.
    static void tell(QMessageBox &box, const QString &title, const QString &text,
                     QMessageBox::Icon icon);
    static void showFailure(QMessageBox &box, const QSqlQuery &query);

    std::unique_ptr<MainWindowForm> form;
};
