#include "changelog/bothchanges.h"

std::optional<Entry> bothChanges(const Entry &base, const Entry &mine, const Entry &theirs)
{
    Entry merged = theirs;
    for (const EntryColumn column :
         {EntryColumn::Name, EntryColumn::Phone, EntryColumn::Mobile, EntryColumn::Mail}) {
        const QString was = textIn(base, column), ours = textIn(mine, column),
                      other = textIn(theirs, column);
        if (ours == was || ours == other)
            continue;
        if (other != was)
            return std::nullopt;
        switch (column) {
        case EntryColumn::Name:
            merged.adsoyad = ours;
            break;
        case EntryColumn::Phone:
            merged.telefon = ours;
            break;
        case EntryColumn::Mobile:
            merged.cep = ours;
            break;
        case EntryColumn::Mail:
            merged.mail = ours;
            break;
        }
    }
    return merged;
}
