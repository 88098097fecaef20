#pragma once

#include <QElapsedTimer>
#include <QMessageBox>
#include <QObject>
#include <QPair>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>
#include <QVector>

#include <functional>
#include <memory>

#include "privateserver.h"
#include "store/phonebookdb.h"
#include "window/mainwindow.h"

class QAbstractItemModel;
class QDialog;
class QMenu;
class QProcess;
class QProcessEnvironment;
class QTableWidget;
class QWidget;

// Makes a fresh temporary directory the working directory for the life of the object,
// so that each test has its own database.db.
class WorkingDirectory
{
public:
    WorkingDirectory();
    ~WorkingDirectory();
    QString path() const { return dir.path(); }
    QString databaseFile() const { return dir.path() + QStringLiteral("/database.db"); }
    // On a server: the fresh database the book is in.
    QString database() const;
    // Runs SQL on the book in another process, as another program or desk would: sqlite3 on
    // database.db, psql on the server.
    void runOtherProgram(const QString &sql) const;
    // Whom the book's change log names for what runOtherProgram did: another program on
    // database.db, another desk's role on a server.
    static QString otherProgramLogged();
    // Whom it names for what this program did.
    static QString thisProgramLogged();

private:
    QTemporaryDir dir;
    QString previous;
    QString ownDatabase;
};

// A second connection to a database file, as another program would open it.
class SideConnection
{
public:
    explicit SideConnection(const QString &file);
    ~SideConnection();
    QSqlDatabase db() const;
    void exec(const QString &statement) const;
    // Creates the table the program expects and stores the given rows (id assigned).
    void createTable() const;
    // Makes the database refuse every INSERT, UPDATE or DELETE on the table with the
    // message, or those whose row (NEW, OLD) meets the condition; allow takes that back.
    void refuse(const char *operation, const char *message, const char *condition = nullptr,
                const char *table = "TELEFON") const;
    void allow(const char *operation, const char *table = "TELEFON") const;
    int insert(const QVariant &adsoyad, const QVariant &telefon = QString(),
               const QVariant &cep = QString(), const QVariant &mail = QString()) const;
    // Every row as [id, adsoyad, telefon, cep, mail], NULL as an invalid QVariant.
    QVector<QVariantList> rows() const;

private:
    QString name;
};

// What a message box looked like when it was answered.
struct SeenBox {
    QString title;
    QString text;
    QString detailedText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    bool hasParent = false;
    bool mainWindowVisible = false;
};

using BoxAnswer = std::function<void(QMessageBox *)>;
BoxAnswer clickButton(QMessageBox::StandardButton button);
BoxAnswer pressKey(int key);
BoxAnswer closeBox();
Q_DECLARE_METATYPE(BoxAnswer)

// Answers the modal message boxes that open from now on, in order, recording each.
// Checks from a QTimer::singleShot, so it runs inside the box's own event loop. When the
// next box does not come within 30 s the test fails at once, naming what it waits in.
class BoxAnswerer : public QObject
{
    Q_OBJECT
public:
    explicit BoxAnswerer(QVector<BoxAnswer> answers,
                         std::function<void(QMessageBox *)> onShown = {});
    QVector<SeenBox> seen;

private:
    void check();
    static constexpr int waitLimitMs = 30000;
    QElapsedTimer waiting;
    QVector<BoxAnswer> answers;
    std::function<void(QMessageBox *)> onShown;
};

// A window on a fresh working directory, with a second connection to its file. The
// seed, if any, creates the table and fills it before the window starts.
struct WindowFixture {
    explicit WindowFixture(const std::function<void(const SideConnection &)> &seed = {});
    WorkingDirectory cwd;
    SideConnection side;
    std::unique_ptr<MainWindow> window;
};

// A book in a fresh working directory, made and filled by seed through a side connection,
// and opened by this program.
struct BookFixture {
    explicit BookFixture(const std::function<void(const SideConnection &)> &seed);
    WorkingDirectory cwd;
    SideConnection side;
    PhoneBookOpening opening;
};

template <typename T> T *child(QWidget *window, const char *name)
{
    return window->findChild<T *>(QString::fromLatin1(name));
}

// Makes the window the active one, as a desktop does again when a box closes, so that
// its shortcuts answer.
void activate(QWidget *window);

// Calls back once a popup menu is shown (from inside its own event loop), polling for it
// for 30 seconds at most.
void whenPopupShown(const std::function<void(QMenu *)> &shown);

// Answers the next file dialog with the file, from inside its own event loop; gives up
// after 30 s, so that no later test gets the answer.
void chooseFileWhenAsked(const QString &path, int triesLeft = 3000);

// Chooses the menu's entry of that text once the menu shows, from inside its own event
// loop, and records the entries' texts. A disabled entry closes the menu unchosen, so that
// the test fails at once instead of waiting for a dialog that never comes.
void chooseMenuEntryWhenShown(const QString &text, QStringList &texts, bool &chosen);

// Opens the list's menu from the keyboard (Shift+F10) with the entry chosen as above.
void chooseFromListMenu(QWidget *window, const QString &text, QStringList &texts, bool &chosen);

// Drops the files on the window as a file manager does.
void dropFiles(QWidget *window, const QStringList &paths);

// Calls back once a modal dialog of the class is shown (from inside its own event loop),
// polling for it for 30 seconds at most; fails the test when none comes.
void whenDialogShown(const char *className, const std::function<void(QDialog *)> &shown);

// Types the text into the line edit as the keyboard would, after emptying it.
void typeInto(QWidget *window, const char *lineEditName, const QString &text);
void click(QWidget *window, const char *buttonName);
QString fieldText(QWidget *window, const char *lineEditName);
QAbstractItemModel *listModel(QWidget *window);
// The list once every row it shows is read: a long list is read a chunk at a time, its
// count marked "…" meanwhile. Waits 30 s at most.
QAbstractItemModel *wholeList(QWidget *window);
// Clicks KAYDET, answers the one box it must show with OK, and returns what it showed.
SeenBox pressSave(QWidget *window);
// The texts of the list's menu, opened from the keyboard, each switched-off one marked
// " (kapalı)".
QStringList menuTexts(QWidget *window);
// Chooses a row of a table as a click on it does.
void chooseRow(QTableWidget *table, int row);

// An INSERT into TELEFON of count generated rows, i running from 1: the columns, and the
// SQL of i that fills them. SQLite and PostgreSQL both run it.
QString insertNumberedRows(int count, const QString &columns, const QString &values);

// Every entry of the book phoneBookDb has open, in ascending order of the ids.
QVector<Entry> wholeBook();

// Runs telefon-defteri-aktar in the directory and waits for it; its exit status and what it
// printed on both streams. The book is the one the environment names, as for any program.
QPair<int, QString> runAktar(const QString &directory, const QStringList &arguments,
                             const QProcessEnvironment &environment);
QPair<int, QString> runAktar(const QString &directory, const QStringList &arguments);

// telefon-defteri-aktar serving the book ("sun") on a free loopback port, in the directory;
// stopped with SIGTERM when it goes. The test fails at once when it does not start.
class ServingAktar
{
public:
    explicit ServingAktar(const QString &directory, const QStringList &options = {},
                          const QProcessEnvironment *environment = nullptr);
    ~ServingAktar();
    int port() const { return listening; }
    QString url(const QString &pathAndQuery) const;
    // Stops it as systemd does, with SIGTERM; its exit status.
    int stop();
    QString output() const;
    bool running() const;

private:
    std::unique_ptr<QProcess> process;
    int listening = 0;
    mutable QByteArray printed;
};

// An answer over HTTP as curl, an independent client, got it: status 0 when none came.
struct HttpAnswer {
    int status = 0;
    QByteArray body;
    QByteArray headers;
    // A header's value, its name in any case; empty when it is absent.
    QByteArray header(const QByteArray &name) const;
};
HttpAnswer askWithCurl(const QString &url, const QStringList &options = {});

// Starts tests/window_driver (the real window in a process of its own) in a directory.
void startWindowDriver(QProcess &process, const QString &directory, const QStringList &arguments);

// The search as users are promised it, written independently of the program: texts
// folded (ı to i, Latin diacritics below U+0250 dropped through NFD, lower case) and
// matched with LIKE's % and _. Every word of the search (split at white space) is found in
// the name or the mail, or a search of digits and separators is found in a number.
bool referenceSearchFinds(const QString &search, const QString &name, const QString &phone,
                          const QString &mobile, const QString &mail = QString());
// What the search was before it knew words and mails: the whole text in the name, or the
// number. Everything this finds, the search still lists.
bool referenceWholeTextFinds(const QString &search, const QString &name, const QString &phone,
                             const QString &mobile);

// LIKE on UTF-8 bytes as the search compares them, the same folding; every byte that is
// not part of a well-formed character is one character that equals only another such.
bool referenceLikeMatches(const QByteArray &pattern, const QByteArray &text);

// Texts built from the pieces that break naive SQL, CSV and vCard, mixed at random with a
// fixed seed, and one of 100,000 characters.
QStringList generatedHostileTexts();
