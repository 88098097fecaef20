#include "store/writetransaction.h"

#include "platform/username.h"
#include "store/booklog.h"
#include "store/phonebookdb.h"
#include "store/statements.h"

int WriteTransaction::openCount = 0;

WriteTransaction::WriteTransaction() : query(phoneBookDb)
{
    begun = runStatement(query, beginWriteStatement());
    openCount += begun ? 1 : 0;
    // The server's triggers name the role themselves.
    if (begun && bookIsLocal() && changeLogPresent())
        loggedBefore = newestRevision(query);
}

WriteTransaction::~WriteTransaction()
{
    if (begun && !ended)
        query.exec(QStringLiteral("ROLLBACK"));
    openCount -= begun ? 1 : 0;
}

bool WriteTransaction::commit()
{
    if (loggedBefore >= 0 && !nameOwnChanges(query, loggedBefore, desktopUserName()))
        return false;
    ended = query.exec(QStringLiteral("COMMIT"));
    return ended;
}
