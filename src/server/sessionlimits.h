#pragma once

class QSqlDatabase;

// How long a statement of this program waits on the server: for a row another desk holds
// (lock_timeout) and at all (statement_timeout). Without them a colleague's open
// transaction freezes the window for as long as it stays open. A transaction of this
// program that waits idle, as one whose desk stopped answering mid-change would, is ended
// by the server (idle_in_transaction_session_timeout), its locks with it. A limit the
// administrator set for the role or the database (ALTER ROLE … SET lock_timeout = …) is
// left as it is.
constexpr int serverLockWaitSeconds = 5;
constexpr int serverStatementSeconds = 60;
constexpr int serverIdleTransactionSeconds = 30;

// Sets the limits on a freshly opened connection; false when the server refused.
bool limitServerSession(const QSqlDatabase &db);
