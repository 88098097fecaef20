#include "changelog/loggedchange.h"

#include <QStringList>

QStringList changedFields(const Entry &before, const Entry &after)
{
    static const struct {
        EntryColumn column;
        const char *name;
    } fields[] = {{EntryColumn::Name, "ad soyad"},
                  {EntryColumn::Phone, "telefon"},
                  {EntryColumn::Mobile, "cep"},
                  {EntryColumn::Mail, "mail"}};
    QStringList changed;
    for (const auto &field : fields) {
        const QString was = textIn(before, field.column), is = textIn(after, field.column);
        if (was != is)
            changed << QStringLiteral("%1: %2 → %3")
                           .arg(QString::fromLatin1(field.name),
                                was.isEmpty() ? QStringLiteral("(boş)") : was,
                                is.isEmpty() ? QStringLiteral("(boş)") : is);
    }
    return changed;
}
