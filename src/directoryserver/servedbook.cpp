#include "directoryserver/servedbook.h"

#include "platform/freedmemory.h"
#include "search/folding.h"
#include "search/turkishorder.h"

#include <algorithm>
#include <functional>

namespace
{

// A number key as 64 bits: up to 18 digits exactly, after a leading 1 that keeps leading
// zeros; a longer one by its hash, with the top bit set. The entries a code names are
// compared by their keys, so that a hash that collides finds nobody else.
std::uint64_t keyCode(const QByteArray &key)
{
    constexpr int exactDigits = 18;
    if (key.size() > exactDigits)
        return std::hash<std::string>{}(key.toStdString()) | (std::uint64_t(1) << 63);
    std::uint64_t code = 1;
    for (const char digit : key)
        code = code * 10 + std::uint64_t(digit - '0');
    return code;
}

// The keys an entry is called from: its phone's and its mobile's, once each.
QVector<QByteArray> keysOf(const Entry &entry)
{
    QVector<QByteArray> keys;
    for (const QString *number : {&entry.telefon, &entry.cep}) {
        const QByteArray key = phoneNumberKey(*number);
        if (!key.isEmpty() && !keys.contains(key))
            keys << key;
    }
    return keys;
}

// What the server shows of an entry, in one allocation: its name, phone and mobile in
// UTF-8, parted by a byte UTF-8 never holds. No phone shows a mail address, nor does the
// switchboard.
constexpr char parting = '\xFF';

QByteArray packed(const Entry &entry)
{
    return entry.adsoyad.toUtf8() + parting + entry.telefon.toUtf8() + parting + entry.cep.toUtf8();
}

Entry unpacked(qint64 id, const QByteArray &served)
{
    const int phone = served.indexOf(parting), mobile = served.indexOf(parting, phone + 1);
    return {id, QString::fromUtf8(served.left(phone)),
            QString::fromUtf8(served.mid(phone + 1, mobile - phone - 1)),
            QString::fromUtf8(served.mid(mobile + 1)), QString()};
}

} // namespace

void ServedBook::replace(const QVector<Entry> &read)
{
    QHash<qint64, QByteArray> byId;
    byId.reserve(read.size());
    std::unordered_multimap<std::uint64_t, qint64> byKey;
    byKey.reserve(std::size_t(read.size()) * 2);
    for (const Entry &entry : read) {
        byId.insert(entry.id, packed(entry));
        for (const QByteArray &key : keysOf(entry))
            byKey.emplace(keyCode(key), entry.id);
    }
    {
        QWriteLocker locked(&lock);
        entries.swap(byId);
        callers.swap(byKey);
        ++version;
        isLoaded = true;
    }
    // The old book, gone now, and what reading this one took.
    byId.clear();
    byKey.clear();
    releaseFreedMemory();
}

void ServedBook::apply(const QVector<Entry> &present, const QVector<qint64> &gone)
{
    if (present.isEmpty() && gone.isEmpty())
        return;
    QWriteLocker locked(&lock);
    for (const qint64 id : gone)
        remove(id);
    for (const Entry &entry : present) {
        remove(entry.id);
        add(entry);
    }
    ++version;
}

void ServedBook::add(const Entry &entry)
{
    entries.insert(entry.id, packed(entry));
    for (const QByteArray &key : keysOf(entry))
        callers.emplace(keyCode(key), entry.id);
}

void ServedBook::remove(qint64 id)
{
    const auto held = entries.constFind(id);
    if (held == entries.constEnd())
        return;
    for (const QByteArray &key : keysOf(unpacked(id, *held))) {
        auto [at, end] = callers.equal_range(keyCode(key));
        while (at != end)
            at = at->second == id ? callers.erase(at) : std::next(at);
    }
    entries.erase(held);
}

bool ServedBook::loaded() const
{
    QReadLocker locked(&lock);
    return isLoaded;
}

int ServedBook::size() const
{
    QReadLocker locked(&lock);
    return entries.size();
}

QStringList ServedBook::callerNames(const QByteArray &key) const
{
    QVector<Entry> calling;
    if (key.isEmpty())
        return {};
    {
        QReadLocker locked(&lock);
        const auto [first, end] = callers.equal_range(keyCode(key));
        for (auto at = first; at != end; ++at) {
            const Entry entry = unpacked(at->second, entries.value(at->second));
            if (keysOf(entry).contains(key))
                calling << entry;
        }
    }
    QStringList names;
    for (const Entry &entry : inTurkishOrder(calling))
        names << listedName(entry.adsoyad);
    return names;
}

QByteArray ServedBook::directory(DirectoryLayout layout) const
{
    QMutexLocker makingOne(&making);
    Made &one = made.at(std::size_t(layout));
    QVector<Entry> listed;
    {
        QReadLocker locked(&lock);
        if (one.made && one.version == version)
            return one.xml;
        one.version = version;
        listed.reserve(entries.size());
        for (auto entry = entries.constBegin(); entry != entries.constEnd(); ++entry)
            listed << unpacked(entry.key(), entry.value());
    }
    one.xml = directoryXml(layout, inTurkishOrder(listed));
    one.made = true;
    return one.xml;
}
