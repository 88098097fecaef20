#include "store/searchfunctions.h"

#include "search/searchquery.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#include <dlfcn.h>
#include <sqlite3.h>

namespace
{

bool installed = false;

// The driver is a class of Qt's SQLite plugin; the plugin's own lookup of an SQLite
// function must land on the same address as this program's, that is one library.
bool driverUsesThisSqlite(const QSqlDriver *driver)
{
    Dl_info plugin;
    if (!dladdr(driver->metaObject(), &plugin) || !plugin.dli_fname)
        return false;
    void *handle = dlopen(plugin.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
    if (!handle)
        return false;
    void *theirs = dlsym(handle, "sqlite3_create_function_v2");
    dlclose(handle);
    return theirs == reinterpret_cast<void *>(&sqlite3_create_function_v2);
}

sqlite3 *driverHandle(const QSqlDatabase &db)
{
    const QSqlDriver *driver = db.driver();
    if (!driver || qstrcmp(driver->metaObject()->className(), "QSQLiteDriver") != 0)
        return nullptr;
    const QVariant handle = driver->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    if (!driverUsesThisSqlite(driver))
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.constData());
}

StoredText storedText(sqlite3_value *value)
{
    if (sqlite3_value_type(value) == SQLITE_NULL)
        return {};
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(value));
    return {text, text ? sqlite3_value_bytes(value) : 0};
}

void deleteQuery(void *query)
{
    delete static_cast<SearchQuery *>(query);
}

// The search text compiled once and kept with the statement while it stays the same.
const SearchQuery *compiledQuery(sqlite3_context *context, sqlite3_value *text)
{
    if (auto *query = static_cast<SearchQuery *>(sqlite3_get_auxdata(context, 0)))
        return query;
    const StoredText typed = storedText(text);
    sqlite3_set_auxdata(context, 0, new SearchQuery(QString::fromUtf8(typed.utf8, typed.bytes)),
                        deleteQuery);
    // SQLite may release it at once (then the call is answered as out of memory).
    return static_cast<SearchQuery *>(sqlite3_get_auxdata(context, 0));
}

// phone_book_search(text, adsoyad, mail[, telefon, cep]): one call per row, as a search
// scans every row and each call costs about as much as reading one. The numbers are
// passed only for a text that reads as one: every column passed is read from every row.
void phoneBookSearch(sqlite3_context *context, int count, sqlite3_value **arguments)
{
    const SearchQuery *query = compiledQuery(context, arguments[0]);
    if (!query) {
        sqlite3_result_error_nomem(context);
        return;
    }
    const bool numbers = count == 5;
    sqlite3_result_int(context, query->matches(storedText(arguments[1]), storedText(arguments[2]),
                                               numbers ? storedText(arguments[3]) : StoredText(),
                                               numbers ? storedText(arguments[4]) : StoredText()));
}

} // namespace

bool installSearchFunctions(const QSqlDatabase &db)
{
    installed = false;
    sqlite3 *handle = driverHandle(db);
    if (!handle)
        return false;
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    installed = true;
    for (const int arguments : {3, 5})
        installed = installed && sqlite3_create_function_v2(handle, "phone_book_search", arguments,
                                                            flags, nullptr, phoneBookSearch,
                                                            nullptr, nullptr, nullptr) == SQLITE_OK;
    return installed;
}

bool searchFunctionsInstalled()
{
    return installed;
}
