#include "store/writetransaction.h"

#include "platform/username.h"
#include "store/booklog.h"
#include "store/phonebookdb.h"
#include "store/serverbook.h"
#include "store/statements.h"

int WriteTransaction::openCount = 0;

WriteTransaction::WriteTransaction() : query(phoneBookDb)
{
    begun = runStatement(query, beginWriteStatement());
    openCount += begun ? 1 : 0;
    // The server's triggers name the role themselves.
    if (begun && bookIsLocal() && changeLogPresent())
        loggedBefore = newestRevision(query);
    if (begun && !bookIsLocal())
        transactionId = serverTransactionId();
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
    if (ended || transactionId < 0 || !serverConnectionLost())
        return ended;
    const std::optional<bool> committed = serverCommitted(transactionId);
    unknown = !committed;
    ended = committed.value_or(false);
    return ended;
}
