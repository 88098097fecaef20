#include "index/phonebookindex.h"

#include "store/entries.h"
#include "store/phonebookdb.h"

#include <QSqlDatabase>
#include <QThread>

#include <limits>

namespace
{

// The buffers address their bytes with 32 bits; a book that needs more is searched by
// the store.
constexpr qint64 largestText = std::numeric_limits<std::uint32_t>::max() / 2;

} // namespace

PhoneBookIndex::PhoneBookIndex(QObject *parent) : QObject(parent) {}

PhoneBookIndex::~PhoneBookIndex()
{
    stop();
}

void PhoneBookIndex::stop()
{
    if (!builder)
        return;
    *cancelled = true;
    builder->wait();
    builder.reset();
}

void PhoneBookIndex::rebuild()
{
    stop();
    current.reset();
    changes.clear();
    const quint64 wanted = ++generation;
    // A server answers with its own indexes.
    building = bookIsLocal();
    if (!building)
        return;
    const QString databaseName = phoneBookDb.databaseName();
    const QString options = phoneBookDb.connectOptions();
    // Unique in the process: every window's index reads on a connection of its own.
    static std::atomic<quint64> connections{0};
    const QString connection = QStringLiteral("index-%1").arg(++connections);
    cancelled = std::make_shared<std::atomic<bool>>(false);
    builder.reset(
        QThread::create([this, databaseName, options, connection, wanted, stopped = cancelled] {
            auto read = std::make_shared<SearchIndex>();
            bool whole = false;
            {
                QSqlDatabase db = openReadingConnection(connection, databaseName, options);
                qint64 bytes = 0;
                whole = db.isOpen() && readEveryEntry(db, [&](const Entry &entry) {
                            bytes += 2 * (entry.adsoyad.size() + entry.mail.size()) + 64;
                            if (*stopped || bytes > largestText)
                                return false;
                            read->append(entry);
                            return true;
                        });
                db.close();
            }
            QSqlDatabase::removeDatabase(connection);
            if (!whole)
                read.reset();
            QMetaObject::invokeMethod(
                this, [this, read, wanted] { take(read, wanted); }, Qt::QueuedConnection);
        }));
    builder->start(QThread::LowPriority);
}

void PhoneBookIndex::take(std::shared_ptr<SearchIndex> read, quint64 built)
{
    if (built != generation)
        return;
    if (read) {
        for (const Change &change : changes) {
            if (change.gone)
                read->forget(change.entry.id);
            else
                read->place(change.entry);
        }
        current = std::make_unique<SearchIndex>(std::move(*read));
    }
    changes.clear();
    building = false;
    emit this->built();
}

void PhoneBookIndex::place(const Entry &entry)
{
    if (current)
        current->place(entry);
    if (building)
        changes.append({entry, false});
}

void PhoneBookIndex::forget(qint64 id)
{
    if (current)
        current->forget(id);
    if (building) {
        Entry gone;
        gone.id = id;
        changes.append({gone, true});
    }
}
