#pragma once

#include <QHash>
#include <QMainWindow>
#include <QMessageBox>
#include <QSet>

#include "exchange/columnchoice.h"
#include "history/entrysteps.h"
#include "store/storefailure.h"

#include <initializer_list>
#include <memory>
#include <optional>

enum class PhoneBookOpening;
class BackgroundSync;
class BookWatcher;
struct LoggedChange;
struct SyncOutcome;
struct ContactFile;
struct UnknownColumns;
struct MainWindowForm;
class ListOrder;
class LogPruning;
class OrderRebuild;
class PhoneBookIndex;
class PhoneBookListModel;
class QLabel;
class QAction;
class QMenu;
class QModelIndex;
class QSqlQuery;
class QUndoStack;

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
    // The list: every entry, or those a search text finds, in the order the list is
    // sorted by; id column hidden, the count beside the search box. Failures leave the
    // list empty and are not reported.
    void listAll();
    void listSearch(const QString &text);
    void showListed(const QVector<qint64> &storedOrder);
    void showInListOrder(const QVector<qint64> &ids);
    // What the text finds (every entry when empty): from the index when it is ready, else
    // from the store, the first screen at once and the rest a chunk at a time.
    void showFound(const QString &text);
    void listMore(const QString &text);
    // Reads the rest of the list now, for what needs every row (a sort, an export).
    void listWhole();
    void fitColumns();
    // After changes of these entries: the number columns widen for a wider number; only
    // when one of the widest may have narrowed (or too many changed) is the book asked.
    void fitNumbersAfter(const QVector<Entry> &present, const QVector<qint64> &gone, bool whole);
    void showCount();
    // Another program's commits since the list last looked: the counts are read again,
    // the index reads what changed, the order follows it (or is read again on a server).
    void followOtherPrograms();
    // What the index found another program changed: the order moves those entries, and a
    // sorted list shows them in their places, unless a listing under way asked for them.
    void sortChangesElsewhere(const QVector<Entry> &present, const QVector<qint64> &gone,
                              bool whole);
    // The order read and sorted again, for changes it cannot follow one by one: a small
    // book at once, a large one on a thread of its own while the list keeps the order it
    // has, until takeRebuiltOrder.
    void sortAgain();
    void takeRebuiltOrder(std::unique_ptr<ListOrder> rebuilt);
    // The index is ready or the order changed: the order, and a list of every entry, share
    // the index's ids instead of holding copies (8 MB each at a million entries).
    void shareIndexIds();
    // This window's own change: the order moves the entries, the counts are read again.
    void noteOwnChange(const QVector<Entry> &present, const QVector<qint64> &gone);
    void selectEntries(const QVector<qint64> &ids);
    // Another program's change shown as it happens: the same search, the same rows selected,
    // the same place in the list; the form and the focus untouched. Waits while a box is open.
    void followChangesElsewhere();
    void listAgainInPlace();
    void listAgainWhenNoBoxIsOpen();

    // Header clicks sort by a column (A–Z, Z–A, then the stored order again); the count;
    // tooltips for cut cells.
    void setUpList();
    void sortBy(int column);
    // A large book is sorted on a thread of its own behind a progress dialog (a million
    // entries take seconds). False when the user stopped it: the list stays as it was.
    bool sortWholeBook(ListOrder &byColumn);
    // Sorted at once below this many entries (some tens of milliseconds).
    static constexpr int sortedAtOnce = 20000;
    // Return on a row loads it; the keys of the form, the list and the search box.
    void setUpKeyboard();
    void setUpKeyboardBrowsing();
    void loadCurrentRowForEditing();

    // Undo and redo of this window's saves, deletes and imports.
    void setUpHistory();
    StepReport stepReport();
    void record(EntryStep *step);
    void takeStep(bool back);
    void showStepOutcome(bool back, const QString &stepText);
    void addHistoryActions(QMenu &menu);
    void showInForm(const Entry &entry);

    // Opens the book, asking for the server's password when it wants one.
    void openBook();
    PhoneBookOpening openWithPassword();
    // False, after telling why, when the book does not answer and cannot be reached again.
    bool bookAnswers(QMessageBox &box);
    // Saves the form over its entry, unless another desk changed it since and the user
    // keeps that change; the typed texts stay in the form either way.
    void updateEntry(QMessageBox &box, const Entry &typed);
    // What to save over an entry another desk changed since base: the typed texts, both
    // desks' changes together (when they changed different fields), or nothing (kept).
    std::optional<Entry> saveOverChangedElsewhere(const Entry &stored, const Entry &base,
                                                  const Entry &typed);
    bool deleteChangedElsewhere(const Entry &stored);

    // The list's menu (undo, import, merging duplicates, export as vCard, CSV or Excel,
    // print, PDF) and file drops on the window.
    void setUpContactExchange();
    void showContactMenu(const QPoint &at);
    // Reads every file first, named by the system's bytes: one that cannot be read imports
    // nothing. Then one question with the counts (the details: what is completed, what
    // does not fit), one transaction, a box with what was done, and the list with every
    // entry, those added and completed selected.
    void importContactFiles(const QList<QByteArray> &paths);
    // Reads the files on a thread of their own behind a progress dialog that can cancel;
    // a spreadsheet whose header names no known column is read again after the column
    // dialog. False, after telling why when a file could not be read, when nothing is to
    // be imported.
    bool readContactFiles(const QList<QByteArray> &paths, ContactFile &read);
    enum class Reading { Read, Stopped, ColumnsUnknown };
    Reading readContactFilesOnce(const QList<QByteArray> &paths,
                                 const QHash<QByteArray, ColumnChoice> &choices, ContactFile &read,
                                 UnknownColumns &unknown);
    static QString readingFailure(const QString &error);
    // The list after an import or a merge: every entry, those changed selected, the change
    // a step of the history.
    void showImportedEntries(const EntriesChange &applied);
    void showChangedEntries(const EntriesChange &applied, const QString &stepText);
    // Merges the entries that are the same person, after a question with the counts.
    void mergeDuplicates();
    // The change log: Silinenler (restored or removed for good), the versions of the entry
    // in the form (one brought back by an ordinary save), the book taken back to a time.
    void setUpRemembering();
    void addRememberingActions(QMenu &menu);
    void setUpDialing();
    void addDialingActions(QMenu &menu);
    // The CardDAV address book the staff's phones sync with: on demand, and every few
    // minutes once an address is set, on a thread of its own while the window goes on;
    // the outcome said as the dialog shows it.
    void setUpPhoneSync();
    void addPhoneSyncAction(QMenu &menu);
    void showPhoneSync();
    bool startPhoneSync(const QString &address, const QString &user, const QString &typed);
    void phoneSyncFinished(const SyncOutcome &outcome);
    BackgroundSync *phoneSync = nullptr;
    void dial(const QString &number);
    std::optional<Entry> currentRowEntry() const;
    void showDeleted();
    void restoreDeleted(const QVector<LoggedChange> &chosen);
    void forgetDeletedForGood(const QVector<LoggedChange> &chosen);
    void showVersions();
    void rollBackBook();
    // Writes the entries the list shows, all of them when the search box is empty.
    enum class ExportFormat { VCard, Csv, Excel };
    void exportShownEntries(ExportFormat format);
    // The entries the list shows as a phone list, in Turkish alphabetical order: on a
    // printer (after the print dialog and a preview) or in a PDF file.
    void printShownEntries();
    void saveShownEntriesAsPdf();
    // The window is the program: when it goes, the phone book is closed and left in the
    // rollback journal (unless another copy still has it open).
    void releasePhoneBook();
    // Titles the box, sets its text and icon, and runs it.
    static void tell(QMessageBox &box, const QString &title, const QString &text,
                     QMessageBox::Icon icon);
    void showFailure(QMessageBox &box, const QSqlQuery &query);
    // A book this desk may only read (see readonly.cpp): the title says so, and what would
    // change it is switched off, saying why.
    void showBookAccess(bool readOnly);
    // The actions of a menu that would change the book, switched off on a read-only one.
    void markChanging(QMenu &menu, std::initializer_list<QAction *> actions) const;
    static QString readOnlyReason();
    // True, and said, when the book may only be read.
    bool refusedAsReadOnly();
    // A change refused for want of rights shows the book as read only from then on.
    void noteFailure(FailureKind kind);
    // A change of several entries that did not happen: the list shown again, and a box
    // saying another desk changed them meanwhile, or the failure given. False when it was done.
    bool toldUndone(const Change &change, const QString &failed);

    std::unique_ptr<MainWindowForm> form;
    PhoneBookListModel *list = nullptr;
    PhoneBookIndex *searchIndex = nullptr;
    // Unset: the stored order.
    std::unique_ptr<ListOrder> order;
    OrderRebuild *rebuild = nullptr;
    bool sortingInBackground = false;
    bool changedWhileSorting = false;
    // What the list shows: every entry, or what this text finds.
    std::optional<QString> listedSearch;
    static constexpr int firstChunk = 256;
    static constexpr int laterChunk = 16384;
    // Counts the lists shown; a chunk read for an older one is dropped.
    quint64 listing = 0;
    bool moreToList = false;
    // The entry as the form was filled with it, what a save or delete expects to find.
    std::optional<Entry> formEntry;
    BookWatcher *watcher = nullptr;
    LogPruning *pruning = nullptr;
    // The file as this window last saw it, and what was counted and measured then.
    qint64 seenVersion = -1;
    qint64 bookSize = -1;
    int numberColumnWidth = -1;
    // The entries whose numbers the number columns were measured by.
    QSet<qint64> widestNumbers;
    // Set while followOtherPrograms takes the changes in: its caller lists them.
    bool takingChangesIn = false;
    // The index answered on while it read another program's changes: they are listed
    // when they arrive.
    bool changesAwaited = false;
    // Changes arrived while a box was open: they are listed once it has closed.
    bool listBehind = false;
    bool bookReadOnly = false;
    QLabel *countLabel = nullptr;

    QUndoStack *history = nullptr;
    std::optional<StepOutcome> lastStep;
};
