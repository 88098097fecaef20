#include "store/writetransaction.h"

#include "store/phonebookdb.h"

WriteTransaction::WriteTransaction() : query(phoneBookDb)
{
    begun = query.exec(QStringLiteral("BEGIN IMMEDIATE"));
}

WriteTransaction::~WriteTransaction()
{
    if (begun && !ended)
        query.exec(QStringLiteral("ROLLBACK"));
}

bool WriteTransaction::commit()
{
    ended = query.exec(QStringLiteral("COMMIT"));
    return ended;
}
