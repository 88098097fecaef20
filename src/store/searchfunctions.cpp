#include "store/searchfunctions.h"

#include "search/folding.h"
#include "search/likepattern.h"

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

const char *textOf(sqlite3_value *value, int &bytes)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(value));
    bytes = sqlite3_value_bytes(value);
    return text;
}

void deletePattern(void *pattern)
{
    delete static_cast<FoldedLikePattern *>(pattern);
}

// The pattern compiled once and kept with the statement while it stays the same.
const FoldedLikePattern *compiledPattern(sqlite3_context *context, sqlite3_value *argument)
{
    if (auto *pattern = static_cast<FoldedLikePattern *>(sqlite3_get_auxdata(context, 0)))
        return pattern;
    int bytes = 0;
    const char *text = textOf(argument, bytes);
    sqlite3_set_auxdata(context, 0, new FoldedLikePattern(text, bytes), deletePattern);
    // SQLite may release it at once (then the call is answered as out of memory).
    return static_cast<FoldedLikePattern *>(sqlite3_get_auxdata(context, 0));
}

bool likeMatches(sqlite3_context *context, sqlite3_value *pattern, sqlite3_value *text,
                 bool &failed)
{
    const FoldedLikePattern *compiled = compiledPattern(context, pattern);
    failed = !compiled;
    int bytes = 0;
    const char *utf8 = textOf(text, bytes);
    return compiled && utf8 && compiled->matches(utf8, bytes);
}

bool numberFound(sqlite3_value *key, sqlite3_value *const *numbers, int count)
{
    int keyBytes = 0;
    const char *digits = textOf(key, keyBytes);
    for (int i = 0; i < count && digits; ++i) {
        int bytes = 0;
        const char *number = textOf(numbers[i], bytes);
        if (number && phoneNumberContains(number, bytes, digits, keyBytes))
            return true;
    }
    return false;
}

void answer(sqlite3_context *context, bool matched, bool failed)
{
    if (failed)
        sqlite3_result_error_nomem(context);
    else
        sqlite3_result_int(context, matched);
}

// like(pattern, text), what "text LIKE pattern" calls: NULL on either side is NULL.
void foldedLike(sqlite3_context *context, int, sqlite3_value **arguments)
{
    if (sqlite3_value_type(arguments[0]) == SQLITE_NULL ||
        sqlite3_value_type(arguments[1]) == SQLITE_NULL)
        return;
    bool failed = false;
    const bool matched = likeMatches(context, arguments[0], arguments[1], failed);
    answer(context, matched, failed);
}

// name_or_number(pattern, key, adsoyad, telefon, cep): the name search of "adsoyad
// LIKE pattern", or the key's digits in one of the numbers. One call per row, as a
// number search scans every row and each call costs about as much as reading one.
void nameOrNumber(sqlite3_context *context, int, sqlite3_value **arguments)
{
    bool failed = false;
    const bool matched = (sqlite3_value_type(arguments[2]) != SQLITE_NULL &&
                          likeMatches(context, arguments[0], arguments[2], failed)) ||
                         numberFound(arguments[1], arguments + 3, 2);
    answer(context, matched, failed);
}

} // namespace

bool installSearchFunctions(const QSqlDatabase &db)
{
    installed = false;
    sqlite3 *handle = driverHandle(db);
    if (!handle)
        return false;
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    installed = sqlite3_create_function_v2(handle, "like", 2, flags, nullptr, foldedLike, nullptr,
                                           nullptr, nullptr) == SQLITE_OK &&
                sqlite3_create_function_v2(handle, "name_or_number", 5, flags, nullptr,
                                           nameOrNumber, nullptr, nullptr, nullptr) == SQLITE_OK;
    return installed;
}

bool searchFunctionsInstalled()
{
    return installed;
}
