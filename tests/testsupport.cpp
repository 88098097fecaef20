#include "testsupport.h"

#include "platform/username.h"
#include "privateserver.h"
#include "server/serverschema.h"
#include "store/entries.h"
#include "store/phonebookdb.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QUuid>

namespace
{

// The database of the WorkingDirectory alive, when the tests run on the server.
QString serverDatabase;

} // namespace

WorkingDirectory::WorkingDirectory() : previous(QDir::currentPath())
{
    QDir::setCurrent(dir.path());
    if (!testingOnServer())
        return;
    ownDatabase = serverDatabase = PrivateServer::instance().createDatabase();
    const QString uri = PrivateServer::instance().uri(serverDatabase);
    usePhoneBookServer(uri);
    // For the programs a test starts.
    qputenv("TELEFON_DEFTERI_SUNUCU", uri.toUtf8());
}

WorkingDirectory::~WorkingDirectory()
{
    QDir::setCurrent(previous);
    if (!testingOnServer())
        return;
    // A fixture made while another still lives takes over from it.
    if (ownDatabase == serverDatabase) {
        usePhoneBookServer(QString());
        qunsetenv("TELEFON_DEFTERI_SUNUCU");
    }
    PrivateServer::instance().dropDatabase(ownDatabase);
}

QString WorkingDirectory::database() const
{
    return ownDatabase;
}

void WorkingDirectory::runOtherProgram(const QString &sql) const
{
    if (testingOnServer()) {
        PrivateServer::instance().psql(ownDatabase, sql, otherProgramLogged());
        return;
    }
    QProcess sqlite;
    sqlite.start(QStringLiteral("sqlite3"),
                 {QStringLiteral("-bail"), QStringLiteral("-cmd"), QStringLiteral(".timeout 30000"),
                  databaseFile(), sql});
    if (!sqlite.waitForFinished(120000) || sqlite.exitCode() != 0)
        qFatal("sqlite3 %s: %s", qPrintable(sql), sqlite.readAllStandardError().constData());
}

QString WorkingDirectory::otherProgramLogged()
{
    return testingOnServer() ? PrivateServer::instance().otherDeskRole()
                             : QStringLiteral("başka bir program");
}

QString WorkingDirectory::thisProgramLogged()
{
    return testingOnServer() ? QStringLiteral("postgres") : desktopUserName();
}

SideConnection::SideConnection(const QString &file)
    : name(QStringLiteral("side-") + QUuid::createUuid().toString())
{
    if (testingOnServer()) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(PrivateServer::instance().socketDirectory());
        db.setDatabaseName(serverDatabase);
        db.setUserName(QStringLiteral("postgres"));
        if (!db.open())
            qFatal("cannot open %s: %s", qPrintable(serverDatabase),
                   qPrintable(db.lastError().text()));
        return;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(file);
    if (!db.open())
        qFatal("cannot open %s", qPrintable(file));
}

SideConnection::~SideConnection()
{
    QSqlDatabase::database(name, false).close();
    QSqlDatabase::removeDatabase(name);
}

QSqlDatabase SideConnection::db() const
{
    return QSqlDatabase::database(name, false);
}

void SideConnection::exec(const QString &statement) const
{
    QSqlQuery query(db());
    if (!query.exec(statement))
        qFatal("%s: %s", qPrintable(statement), qPrintable(query.lastError().text()));
}

void SideConnection::createTable() const
{
    // The table as the program makes it on a server.
    if (testingOnServer()) {
        if (!ensureServerSchema(db()).usable)
            qFatal("cannot make the server's table");
        return;
    }
    exec(QStringLiteral("CREATE TABLE TELEFON (id INTEGER PRIMARY KEY AUTOINCREMENT, adsoyad "
                        "TEXT, telefon TEXT, cep TEXT, mail TEXT)"));
}

void SideConnection::refuse(const char *operation, const char *message, const char *condition,
                            const char *table) const
{
    const QString op = QString::fromLatin1(operation);
    const QString on = QString::fromLatin1(table);
    const QString when = condition ? QString::fromUtf8(condition) : QStringLiteral("TRUE");
    if (!testingOnServer()) {
        exec(QStringLiteral("CREATE TRIGGER refuse_%1_%4 BEFORE %1 ON %4 WHEN %3 BEGIN SELECT "
                            "RAISE(ABORT, '%2'); END")
                 .arg(op, QString::fromUtf8(message), when, on));
        return;
    }
    exec(QStringLiteral("CREATE FUNCTION refuse_%1_%5() RETURNS trigger LANGUAGE plpgsql AS $$ "
                        "BEGIN IF %3 THEN RAISE EXCEPTION '%2'; END IF; RETURN %4; END $$")
             .arg(op, QString::fromUtf8(message), when,
                  op == QLatin1String("DELETE") ? QStringLiteral("OLD") : QStringLiteral("NEW"),
                  on));
    exec(QStringLiteral("CREATE TRIGGER refuse_%1_%2 BEFORE %1 ON %2 FOR EACH ROW EXECUTE "
                        "FUNCTION refuse_%1_%2()")
             .arg(op, on));
}

void SideConnection::allow(const char *operation, const char *table) const
{
    const QString name = QStringLiteral("refuse_%1_%2")
                             .arg(QString::fromLatin1(operation), QString::fromLatin1(table));
    exec(QStringLiteral("DROP TRIGGER ") + name +
         (testingOnServer() ? QStringLiteral(" ON ") + QString::fromLatin1(table) : QString()));
    if (testingOnServer())
        exec(QStringLiteral("DROP FUNCTION ") + name);
}

int SideConnection::insert(const QVariant &adsoyad, const QVariant &telefon, const QVariant &cep,
                           const QVariant &mail) const
{
    QSqlQuery query(db());
    query.prepare(
        QStringLiteral("INSERT INTO TELEFON (adsoyad, telefon, cep, mail) VALUES (?,?,?,?)") +
        (testingOnServer() ? QStringLiteral(" RETURNING id") : QString()));
    for (const QVariant &value : {adsoyad, telefon, cep, mail})
        // The server's text cannot hold U+0000; the program drops it there too.
        query.addBindValue(testingOnServer() && !value.isNull()
                               ? QVariant(value.toString().remove(QChar(0)))
                               : value);
    if (!query.exec())
        qFatal("insert: %s", qPrintable(query.lastError().text()));
    if (testingOnServer())
        return query.next() ? query.value(0).toInt() : 0;
    return query.lastInsertId().toInt();
}

QVector<QVariantList> SideConnection::rows() const
{
    QVector<QVariantList> result;
    QSqlQuery query(db());
    if (!query.exec(
            QStringLiteral("SELECT id, adsoyad, telefon, cep, mail FROM TELEFON ORDER BY id")))
        qFatal("rows: %s", qPrintable(query.lastError().text()));
    while (query.next()) {
        QVariantList row;
        for (int column = 0; column < 5; ++column)
            row << (query.isNull(column) ? QVariant() : query.value(column));
        result << row;
    }
    return result;
}

WindowFixture::WindowFixture(const std::function<void(const SideConnection &)> &seed)
    : side(cwd.databaseFile())
{
    if (seed) {
        side.createTable();
        seed(side);
    }
    window = std::make_unique<MainWindow>();
}

BookFixture::BookFixture(const std::function<void(const SideConnection &)> &seed)
    : side(cwd.databaseFile())
{
    side.createTable();
    seed(side);
    opening = openPhoneBook();
}

BoxAnswer clickButton(QMessageBox::StandardButton button)
{
    return [button](QMessageBox *box) {
        QAbstractButton *target = box->button(button);
        if (!target)
            qFatal("the box has no such button");
        target->click();
    };
}

BoxAnswer pressKey(int key)
{
    return [key](QMessageBox *box) { QTest::keyClick(box, static_cast<Qt::Key>(key)); };
}

BoxAnswer closeBox()
{
    return [](QMessageBox *box) { box->close(); };
}

BoxAnswerer::BoxAnswerer(QVector<BoxAnswer> answers, std::function<void(QMessageBox *)> onShown)
    : answers(std::move(answers)), onShown(std::move(onShown))
{
    waiting.start();
    QTimer::singleShot(0, this, &BoxAnswerer::check);
}

void BoxAnswerer::check()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) {
        if (seen.size() >= answers.size())
            return;
        // An action that silently did nothing, or something else waiting for input, ends
        // the test here instead of at the test runner's time limit.
        if (waiting.elapsed() > waitLimitMs) {
            QWidget *blocking = QApplication::activePopupWidget();
            blocking = blocking ? blocking : QApplication::activeModalWidget();
            qFatal("no message box came within %d s (%d of %d answered)%s%s", waitLimitMs / 1000,
                   int(seen.size()), int(answers.size()), blocking ? "; waiting in a " : "",
                   blocking ? blocking->metaObject()->className() : "");
        }
        QTimer::singleShot(5, this, &BoxAnswerer::check);
        return;
    }
    SeenBox record;
    record.title = box->windowTitle();
    record.text = box->text();
    record.detailedText = box->detailedText();
    record.icon = box->icon();
    record.buttons = box->standardButtons();
    record.defaultButton =
        box->defaultButton() ? box->standardButton(box->defaultButton()) : QMessageBox::NoButton;
    record.hasParent = box->parentWidget() != nullptr;
    for (QWidget *top : QApplication::topLevelWidgets())
        if (top->inherits("MainWindow") && top->isVisible())
            record.mainWindowVisible = true;
    seen << record;
    if (onShown)
        onShown(box);
    const BoxAnswer answer = answers.value(seen.size() - 1);
    if (answer)
        answer(box);
    else
        box->done(0);
    // Wait for the box to go away before looking for the next one.
    waiting.restart();
    if (seen.size() < answers.size())
        QTimer::singleShot(20, this, &BoxAnswerer::check);
}

void activate(QWidget *window)
{
    QApplication::setActiveWindow(window);
    if (!QTest::qWaitForWindowActive(window))
        qFatal("the window did not become active");
}

void whenPopupShown(const std::function<void(QMenu *)> &shown)
{
    auto *timer = new QTimer(QCoreApplication::instance());
    auto *waited = new QElapsedTimer;
    waited->start();
    QObject::connect(timer, &QTimer::timeout, [timer, waited, shown] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu && waited->elapsed() < 30000)
            return;
        timer->deleteLater();
        delete waited;
        if (menu)
            shown(menu);
    });
    timer->start(5);
}

void chooseFileWhenAsked(const QString &path, int triesLeft)
{
    QTimer::singleShot(10, [path, triesLeft] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            if (triesLeft > 0)
                chooseFileWhenAsked(path, triesLeft - 1);
            return;
        }
        // selectFile leaves the name field alone while it has the focus.
        dialog->selectFile(path);
        if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            name->setText(path);
        static_cast<QDialog *>(dialog)->accept();
    });
}

void chooseMenuEntryWhenShown(const QString &text, QStringList &texts, bool &chosen)
{
    whenPopupShown([text, &texts, &chosen](QMenu *menu) {
        QAction *entry = nullptr;
        for (QAction *action : menu->actions()) {
            if (action->isSeparator())
                continue;
            texts << action->text();
            if (action->text() == text)
                entry = action;
        }
        chosen = entry && entry->isEnabled();
        if (!chosen) {
            menu->close();
            return;
        }
        menu->setActiveAction(entry);
        QTest::keyClick(menu, Qt::Key_Return);
    });
}

void chooseFromListMenu(QWidget *window, const QString &text, QStringList &texts, bool &chosen)
{
    chooseMenuEntryWhenShown(text, texts, chosen);
    auto *list = child<QTableView>(window, "tbl_liste");
    QApplication::setActiveWindow(window);
    if (!QTest::qWaitForWindowActive(window))
        qFatal("the window did not become active");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier);
}

void dropFiles(QWidget *window, const QStringList &paths)
{
    QMimeData files;
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls << QUrl::fromLocalFile(path);
    files.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &drop);
}

void whenDialogShown(const char *className, const std::function<void(QDialog *)> &shown)
{
    auto *timer = new QTimer(QCoreApplication::instance());
    auto *waited = new QElapsedTimer;
    waited->start();
    const QByteArray name(className);
    QObject::connect(timer, &QTimer::timeout, [timer, waited, shown, name] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        const bool found = dialog && dialog->inherits(name.constData());
        if (!found && waited->elapsed() < 30000)
            return;
        timer->deleteLater();
        delete waited;
        if (!found)
            qFatal("no %s came within 30 s", name.constData());
        shown(dialog);
    });
    timer->start(5);
}

void typeInto(QWidget *window, const char *lineEditName, const QString &text)
{
    auto *edit = child<QLineEdit>(window, lineEditName);
    edit->clear();
    // QTest only maps ASCII to keys; other letters arrive as text, the way a keyboard
    // layout or an input method delivers them. A surrogate pair stays one event.
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.unicode() < 0x80 && c.isPrint()) {
            QTest::keyClick(edit, c.toLatin1());
            continue;
        }
        const int length = c.isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, text.mid(i, length),
                            Qt::NoModifier);
        i += length - 1;
    }
}

void click(QWidget *window, const char *buttonName)
{
    QTest::mouseClick(child<QAbstractButton>(window, buttonName), Qt::LeftButton);
}

QString fieldText(QWidget *window, const char *lineEditName)
{
    return child<QLineEdit>(window, lineEditName)->text();
}

QAbstractItemModel *listModel(QWidget *window)
{
    return child<QTableView>(window, "tbl_liste")->model();
}

QAbstractItemModel *wholeList(QWidget *window)
{
    auto *count = child<QLabel>(window, "lbl_sayi");
    if (!QTest::qWaitFor([count] { return !count->text().contains(QStringLiteral("…")); }, 30000))
        qFatal("the list was not read whole within 30 s");
    return listModel(window);
}

SeenBox pressSave(QWidget *window)
{
    BoxAnswerer boxes({clickButton(QMessageBox::Ok)});
    click(window, "btn_kaydet");
    if (boxes.seen.size() != 1)
        qFatal("save showed %d boxes", int(boxes.seen.size()));
    return boxes.seen.first();
}

QString insertNumberedRows(int count, const QString &columns, const QString &values)
{
    return QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE "
                          "i < %1) INSERT INTO TELEFON (%2) SELECT %3 FROM n")
        .arg(count)
        .arg(columns, values);
}

QVector<Entry> wholeBook()
{
    QVector<Entry> entries;
    if (!readEveryEntry(phoneBookDb, [&entries](const Entry &entry) {
            entries << entry;
            return true;
        }))
        qFatal("the book cannot be read");
    return entries;
}

QPair<int, QString> runAktar(const QString &directory, const QStringList &arguments,
                             const QProcessEnvironment &environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(directory);
    process.start(QStringLiteral(TELEFON_AKTAR), arguments);
    if (!process.waitForFinished(120000))
        qFatal("telefon-defteri-aktar did not end");
    return qMakePair(process.exitCode(), QString::fromUtf8(process.readAll()));
}

QPair<int, QString> runAktar(const QString &directory, const QStringList &arguments)
{
    return runAktar(directory, arguments, QProcessEnvironment::systemEnvironment());
}

ServingAktar::ServingAktar(const QString &directory, const QStringList &options,
                           const QProcessEnvironment *environment)
    : process(std::make_unique<QProcess>())
{
    process->setWorkingDirectory(directory);
    if (environment)
        process->setProcessEnvironment(*environment);
    process->start(QStringLiteral(TELEFON_AKTAR),
                   QStringList{QStringLiteral("sun"), QStringLiteral("--adres"),
                               QStringLiteral("127.0.0.1:0")} +
                       options);
    static const QRegularExpression address(QStringLiteral("http://127\\.0\\.0\\.1:(\\d+)/"));
    const bool started = QTest::qWaitFor(
        [&] {
            const QRegularExpressionMatch match = address.match(output());
            listening = match.hasMatch() ? match.captured(1).toInt() : 0;
            return listening > 0 || process->state() == QProcess::NotRunning;
        },
        60000);
    if (!started || listening == 0)
        qFatal("telefon-defteri-aktar sun did not start: %s", qPrintable(output()));
}

ServingAktar::~ServingAktar()
{
    stop();
}

QString ServingAktar::url(const QString &pathAndQuery) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(listening).arg(pathAndQuery);
}

int ServingAktar::stop()
{
    if (process->state() != QProcess::NotRunning) {
        process->terminate();
        if (!process->waitForFinished(60000)) {
            process->kill();
            process->waitForFinished(60000);
            return -1;
        }
    }
    return process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
}

QString ServingAktar::output() const
{
    printed += process->readAllStandardOutput() + process->readAllStandardError();
    return QString::fromUtf8(printed);
}

bool ServingAktar::running() const
{
    return process->state() == QProcess::Running;
}

QByteArray HttpAnswer::header(const QByteArray &name) const
{
    for (const QByteArray &line : headers.split('\n')) {
        const int colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower())
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

HttpAnswer askWithCurl(const QString &url, const QStringList &options)
{
    QTemporaryDir files;
    const QString headers = files.filePath(QStringLiteral("headers"));
    const QString body = files.filePath(QStringLiteral("body"));
    QProcess curl;
    curl.start(QStringLiteral("curl"),
               QStringList{QStringLiteral("--silent"), QStringLiteral("--max-time"),
                           QStringLiteral("60"), QStringLiteral("--dump-header"), headers,
                           QStringLiteral("--output"), body, QStringLiteral("--write-out"),
                           QStringLiteral("%{http_code}")} +
                   options + QStringList{url});
    if (!curl.waitForFinished(120000))
        qFatal("curl did not end");
    HttpAnswer answer;
    answer.status = curl.readAllStandardOutput().toInt();
    QFile read(body);
    if (read.open(QIODevice::ReadOnly))
        answer.body = read.readAll();
    QFile readHeaders(headers);
    if (readHeaders.open(QIODevice::ReadOnly))
        answer.headers = readHeaders.readAll();
    return answer;
}

void startWindowDriver(QProcess &process, const QString &directory, const QStringList &arguments)
{
    process.setWorkingDirectory(directory);
    process.start(QStringLiteral(WINDOW_DRIVER), arguments);
}

namespace
{

uint referenceFold(uint c)
{
    if (c == 0x131)
        return 'i';
    if (c < 0x250)
        c = QString::fromUcs4(&c, 1).normalized(QString::NormalizationForm_D).toUcs4().at(0);
    return QChar::toLower(c);
}

QVector<uint> referenceFold(const QString &text)
{
    QVector<uint> folded;
    for (uint c : text.toUcs4())
        folded << referenceFold(c);
    return folded;
}

// Stands for a byte that is not part of a well-formed character; no code point.
constexpr uint invalidUnit = 0xFFFFFFFF;

// UTF-8 decoded the long way: the sequence the lead byte announces is taken whole when
// every byte after it is a continuation byte and the value is one that only this length
// can write, is no surrogate and lies within Unicode.
QVector<uint> referenceDecode(const QByteArray &utf8)
{
    QVector<uint> units;
    for (int i = 0; i < utf8.size();) {
        const uchar lead = uchar(utf8[i]);
        int ones = 0;
        while (ones < 8 && (lead & (0x80 >> ones)))
            ++ones;
        // No leading one: ASCII; one: a continuation byte alone; two to four: a sequence.
        const int length = ones == 0 ? 1 : ones;
        uint value = ones == 0 ? lead : lead & (0x7Fu >> ones);
        bool wellFormed = ones == 0 || (ones >= 2 && ones <= 4 && i + ones <= utf8.size());
        for (int k = 1; wellFormed && k < length; ++k) {
            wellFormed = (uchar(utf8[i + k]) & 0xC0) == 0x80;
            value = (value << 6) | (uchar(utf8[i + k]) & 0x3F);
        }
        const uint smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (wellFormed && lead >= 0x80)
            wellFormed = value >= smallest[length] && value <= 0x10FFFF &&
                         !(value >= 0xD800 && value <= 0xDFFF);
        units << (wellFormed ? value : invalidUnit);
        i += wellFormed ? length : 1;
    }
    return units;
}

// LIKE's % and _, iteratively, so that very long texts cost little.
bool likeMatches(const QVector<uint> &pattern, const QVector<uint> &text)
{
    int p = 0, t = 0, starP = -1, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '%') {
            starP = p++;
            starT = t;
        } else if (p < pattern.size() && (pattern[p] == '_' || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (starP >= 0) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '%')
        ++p;
    return p == pattern.size();
}

QString numberKey(const QString &number)
{
    QString digits = number;
    digits.remove(QRegularExpression(QStringLiteral("[^0-9]")));
    const QString prefix = number.trimmed().startsWith('+')            ? QStringLiteral("90")
                           : digits.startsWith(QStringLiteral("0090")) ? QStringLiteral("0090")
                                                                       : QStringLiteral("0");
    return digits.startsWith(prefix) ? digits.mid(prefix.size()) : digits;
}

bool referenceNumberFinds(const QString &search, const QString &phone, const QString &mobile)
{
    if (search.contains(QRegularExpression(QStringLiteral("[^0-9 +\\-.()]"))))
        return false;
    const QString key = numberKey(search);
    return !key.isEmpty() && (numberKey(phone).contains(key) || numberKey(mobile).contains(key));
}

} // namespace

bool referenceLikeMatches(const QByteArray &pattern, const QByteArray &text)
{
    QVector<uint> foldedPattern = referenceDecode(pattern), foldedText = referenceDecode(text);
    for (uint &c : foldedPattern)
        c = c == invalidUnit || c == '%' || c == '_' ? c : referenceFold(c);
    for (uint &c : foldedText)
        c = c == invalidUnit ? c : referenceFold(c);
    return likeMatches(foldedPattern, foldedText);
}

bool referenceWholeTextFinds(const QString &search, const QString &name, const QString &phone,
                             const QString &mobile)
{
    if (!name.isNull() && likeMatches(referenceFold('%' + search + '%'), referenceFold(name)))
        return true;
    return referenceNumberFinds(search, phone, mobile);
}

bool referenceSearchFinds(const QString &search, const QString &name, const QString &phone,
                          const QString &mobile, const QString &mail)
{
    const auto foundIn = [](const QString &word, const QString &text) {
        return !text.isNull() && likeMatches(referenceFold('%' + word + '%'), referenceFold(text));
    };
    bool everyWord = true;
    for (const QString &word :
         search.split(QRegularExpression(QStringLiteral("\\s+"),
                                         QRegularExpression::UseUnicodePropertiesOption),
                      Qt::SkipEmptyParts))
        everyWord = everyWord && (foundIn(word, name) || foundIn(word, mail));
    return everyWord || referenceNumberFinds(search, phone, mobile);
}

QStringList generatedHostileTexts()
{
    const QStringList pieces = {"'",
                                "''",
                                "\"",
                                "\\",
                                "\\'",
                                "%",
                                "_",
                                ";",
                                "--",
                                "/*",
                                "*/",
                                "?",
                                ":ad",
                                "@p",
                                "$1",
                                "' OR '1'='1",
                                "'); DROP TABLE TELEFON; --",
                                "NULL",
                                "\x01",
                                "\x1b[31m",
                                "\t",
                                " ",
                                "\u00a0",
                                "İ",
                                "ı",
                                "Ş",
                                "ş",
                                "Ğ",
                                "ğ",
                                "Ç",
                                "ç",
                                "Ö",
                                "ö",
                                "Ü",
                                "ü",
                                "😀",
                                "👍🏽",
                                "\u200f",
                                "\u202e",
                                "\u200b",
                                "ﷺ",
                                "Ali",
                                "Veli",
                                "0212 555",
                                "a@b.c",
                                "\r",
                                "\n"};
    QRandomGenerator random(20261207);
    QStringList texts;
    for (int i = 0; i < 150; ++i) {
        QString text;
        const int count = 1 + random.bounded(8);
        for (int j = 0; j < count; ++j)
            text += pieces.at(random.bounded(pieces.size()));
        texts << text;
    }
    QString longText;
    const QVector<uint> letters =
        QStringLiteral("abcçdefgğhıijklmnoöprsştuüvyzABCÇDEFGĞHIİ '%_\"\\😀").toUcs4();
    while (longText.size() < 100000) {
        const uint letter = letters.at(random.bounded(letters.size()));
        longText += QString::fromUcs4(&letter, 1);
    }
    texts << longText;
    return texts;
}

QStringList menuTexts(QWidget *window)
{
    auto *list = child<QTableView>(window, "tbl_liste");
    QApplication::setActiveWindow(window);
    if (!QTest::qWaitForWindowActive(window))
        qFatal("the window did not become active");
    QStringList texts;
    QWidget *focus = QApplication::focusWidget();
    list->setFocus();
    whenPopupShown([&texts](QMenu *menu) {
        for (QAction *action : menu->actions())
            if (!action->isSeparator())
                texts << action->text() + (action->isEnabled() ? "" : " (kapalı)");
        menu->close();
    });
    QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier);
    if (texts.isEmpty())
        qFatal("the list's menu did not open");
    if (focus)
        focus->setFocus();
    return texts;
}

// As a click on the row does; selectRow needs a table laid out on the screen.
void chooseRow(QTableWidget *table, int row)
{
    table->selectionModel()->select(table->model()->index(row, 0),
                                    QItemSelectionModel::ClearAndSelect |
                                        QItemSelectionModel::Rows);
}
