#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// A PostgreSQL server of this test process's own: initdb into a temporary directory owned
// by an unprivileged user (the server refuses root, and CI runs as root), listening on a
// unix socket in that directory only. A watchdog process stops it and removes the
// directory when this process ends, however it ends; a normal exit does so at once.
class PrivateServer
{
public:
    // Started on first use; the test fails at once when it cannot start.
    static PrivateServer &instance();
    // Another server of this test process's own, made and started as the first one.
    static std::unique_ptr<PrivateServer> another();
    // A streaming standby of this server, copied with pg_basebackup and started: it reads
    // only, until promoted.
    std::unique_ptr<PrivateServer> standby() const;
    void promote() const;
    ~PrivateServer();

    QString socketDirectory() const { return dir->path(); }
    // A libpq URI for the database as the given role (the superuser when empty).
    QString uri(const QString &database, const QString &role = QString()) const;
    // Runs SQL as the superuser with psql, an independent client; its output, rows as
    // "a|b", or a fatal test failure.
    QString psql(const QString &database, const QString &sql,
                 const QString &role = QStringLiteral("postgres")) const;
    // A login role of another desk (a superuser), made on first use: what its changes are
    // logged under.
    QString otherDeskRole();
    QString createDatabase();
    void dropDatabase(const QString &database);
    // Stops the server the hard way, as a crash or a restart would, and starts it again.
    void stop();
    void start() const;
    // Stops it the hard way after a while, whatever this process is doing meanwhile.
    void stopAfter(int seconds) const;

private:
    // A primary of its own, or a standby of the primary given.
    explicit PrivateServer(const PrivateServer *primary = nullptr);
    QStringList asServerUser(const QStringList &command) const;
    void run(const QStringList &command) const;

    std::unique_ptr<QTemporaryDir> dir;
    QString bin;
    int databases = 0;
    bool otherDeskMade = false;
};

// The store and window tests run against database.db, and again against a private server
// when TELEFON_TEST_SUNUCU=1 (CTest registers both).
bool testingOnServer();
