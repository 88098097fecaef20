#include "store/writetransaction.h"

#include "store/phonebookdb.h"
#include "store/statements.h"

int WriteTransaction::openCount = 0;

WriteTransaction::WriteTransaction() : query(phoneBookDb)
{
    begun = runStatement(query, beginWriteStatement());
    openCount += begun ? 1 : 0;
}

WriteTransaction::~WriteTransaction()
{
    if (begun && !ended)
        query.exec(QStringLiteral("ROLLBACK"));
    openCount -= begun ? 1 : 0;
}

bool WriteTransaction::commit()
{
    ended = query.exec(QStringLiteral("COMMIT"));
    return ended;
}
