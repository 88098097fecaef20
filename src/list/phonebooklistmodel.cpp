#include "list/phonebooklistmodel.h"

#include "store/entries.h"

namespace
{

// A screenful and more: one statement per page, a handful of pages kept.
constexpr int pageSize = 64;

QVariant shownText(const QString &text)
{
    return text.isNull() ? QVariant() : QVariant(text);
}

} // namespace

void PhoneBookListModel::show(const QVector<qint64> &ids)
{
    beginResetModel();
    shown = ids;
    pages.clear();
    endResetModel();
}

void PhoneBookListModel::append(const QVector<qint64> &ids)
{
    if (ids.isEmpty())
        return;
    beginInsertRows({}, shown.size(), shown.size() + ids.size() - 1);
    // The last page read may have been cut short where the list ended.
    pages.remove(shown.size() / pageSize);
    shown += ids;
    endInsertRows();
}

void PhoneBookListModel::shareIds(const QVector<qint64> &same)
{
    if (same == shown)
        shown = same;
}

int PhoneBookListModel::rowOf(qint64 id) const
{
    return shown.indexOf(id);
}

QVector<int> PhoneBookListModel::rowsOf(const QSet<qint64> &ids) const
{
    QVector<int> rows;
    for (int row = 0; row < shown.size() && rows.size() < ids.size(); ++row)
        if (ids.contains(shown.at(row)))
            rows << row;
    return rows;
}

int PhoneBookListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : shown.size();
}

int PhoneBookListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 5;
}

const QVector<Entry> &PhoneBookListModel::pageOf(int row) const
{
    const int page = row / pageSize;
    if (const QVector<Entry> *read = pages.object(page))
        return *read;
    const QVector<qint64> ids = shown.mid(page * pageSize, pageSize);
    const QVector<Entry> found = readEntries(ids);
    // Aligned with the rows; an entry deleted meanwhile by another program shows empty.
    auto *read = new QVector<Entry>(ids.size());
    for (int i = 0, j = 0; i < ids.size(); ++i) {
        if (j < found.size() && found.at(j).id == ids.at(i))
            (*read)[i] = found.at(j++);
        else
            (*read)[i].id = ids.at(i);
    }
    pages.insert(page, read);
    return *read;
}

QVariant PhoneBookListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= shown.size() ||
        (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const Entry &entry = pageOf(index.row()).at(index.row() % pageSize);
    switch (index.column()) {
    case 0:
        return entry.id;
    case 1:
        return shownText(entry.adsoyad);
    case 2:
        return shownText(entry.telefon);
    case 3:
        return shownText(entry.cep);
    case 4:
        return shownText(entry.mail);
    default:
        return {};
    }
}

QVariant PhoneBookListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char *const names[] = {"id", "adsoyad", "telefon", "cep", "mail"};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 5)
        return QString::fromLatin1(names[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}
