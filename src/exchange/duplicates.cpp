#include "exchange/duplicates.h"

#include "exchange/sameperson.h"

#include <QMap>

#include <numeric>

namespace
{

// Groups joined as entries are found to be the same person; each group is named by its
// first entry, so that the oldest entry leads it.
class Groups
{
public:
    explicit Groups(int size) : parent(size) { std::iota(parent.begin(), parent.end(), 0); }
    int leader(int member)
    {
        while (parent[member] != member)
            member = parent[member] = parent[parent[member]];
        return member;
    }
    void join(int a, int b)
    {
        const int first = leader(a), second = leader(b);
        if (first != second)
            parent[qMax(first, second)] = qMin(first, second);
    }

private:
    std::vector<int> parent;
};

Contact contactOf(const Entry &entry)
{
    return {entry.adsoyad, entry.telefon, entry.cep, entry.mail, {}};
}

} // namespace

DuplicateMerge planDuplicateMerge(const QVector<Entry> &book)
{
    SamePeople people;
    Groups groups(book.size());
    for (int i = 0; i < book.size(); ++i) {
        const Contact contact = contactOf(book.at(i));
        for (const int same : people.findAll(contact))
            groups.join(same, i);
        people.add(i, contact);
    }
    QMap<int, QVector<int>> members; // by leader, which is the group's oldest entry
    for (int i = 0; i < book.size(); ++i)
        members[groups.leader(i)] << i;

    DuplicateMerge merge;
    const QString separator = QStringLiteral(", ");
    for (const QVector<int> &group : members) {
        if (group.size() < 2)
            continue;
        ++merge.groups;
        merge.entries += group.size();
        const Entry &oldest = book.at(group.first());
        Contact merged = contactOf(oldest);
        QStringList filled, unplaced, differing;
        for (const int member : group.mid(1)) {
            const Completion completion = complete(merged, contactOf(book.at(member)));
            filled << completion.filled;
            unplaced << completion.unplaced;
            differing << completion.differing;
            merge.droppedNumbers += completion.unplaced.size();
            merge.droppedMails += completion.differingMails;
            merge.change.removed << book.at(member);
        }
        const Entry after = {oldest.id, merged.adsoyad, merged.telefon, merged.cep, merged.mail};
        if (after != oldest)
            merge.change.replaced.append({oldest, after});
        else
            merge.change.kept << oldest;
        QString line =
            QStringLiteral("%1: %2 kayıt birleşir").arg(oldest.adsoyad.trimmed()).arg(group.size());
        if (!filled.isEmpty())
            line += QStringLiteral("; tamamlanan: ") + filled.join(separator);
        if (!unplaced.isEmpty())
            line += QStringLiteral("; sığmayan numara: ") + unplaced.join(separator);
        if (!differing.isEmpty())
            line +=
                QStringLiteral("; farklı, en eski kayıttaki kaldı: ") + differing.join(separator);
        merge.details << line;
    }
    return merge;
}
