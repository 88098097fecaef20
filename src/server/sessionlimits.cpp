#include "server/sessionlimits.h"

#include <QSqlDatabase>
#include <QSqlQuery>

bool limitServerSession(const QSqlDatabase &db)
{
    // "0" is the server's own default, no limit: only then is the program's set.
    QSqlQuery query(db);
    return query.exec(QStringLiteral("SELECT CASE WHEN current_setting('lock_timeout') = '0' "
                                     "THEN set_config('lock_timeout', '%1s', false) END, "
                                     "CASE WHEN current_setting('statement_timeout') = '0' "
                                     "THEN set_config('statement_timeout', '%2s', false) END, "
                                     "CASE WHEN current_setting("
                                     "'idle_in_transaction_session_timeout') = '0' THEN "
                                     "set_config('idle_in_transaction_session_timeout', '%3s', "
                                     "false) END")
                          .arg(serverLockWaitSeconds)
                          .arg(serverStatementSeconds)
                          .arg(serverIdleTransactionSeconds));
}
