#include "exchange/workbookwriter.h"

#include "exchange/nativefile.h"
#include "exchange/workbooktext.h"

#include <xlsxwriter.h>

namespace
{

// A spreadsheet's cell holds at most this many characters.
constexpr int longestCell = 32767;

// Widths in characters: as wide as the longest value, within reason.
constexpr double narrowest = 12, widest = 50;

QString failure(lxw_error error)
{
    return QStringLiteral("yazılamadı (%1)").arg(QString::fromUtf8(lxw_strerror(error)));
}

bool fill(lxw_workbook *workbook, const QVector<Contact> &contacts, QString &why,
          const Progress &progress)
{
    lxw_worksheet *sheet = workbook_add_worksheet(workbook, "Rehber");
    lxw_format *bold = workbook_add_format(workbook);
    if (!sheet || !bold) {
        why = failure(LXW_ERROR_MEMORY_MALLOC_FAILED);
        return false;
    }
    format_set_bold(bold);
    // Text, "@": typed into later, a number stays a text as well.
    lxw_format *text = workbook_add_format(workbook);
    format_set_num_format(text, "@");
    const char *header[] = {"Ad Soyad", "Telefon", "Cep", "Mail"};
    double widths[4] = {narrowest, narrowest, narrowest, narrowest};
    for (lxw_col_t column = 0; column < 4; ++column)
        worksheet_write_string(sheet, 0, column, header[column], bold);
    lxw_row_t row = 1;
    for (const Contact &contact : contacts) {
        if (progress && row % 256 == 0 && !progress(row - 1, contacts.size())) {
            why = stoppedWriting();
            return false;
        }
        const QString *values[] = {&contact.adsoyad, &contact.telefon, &contact.cep, &contact.mail};
        for (lxw_col_t column = 0; column < 4; ++column) {
            const QString &value = *values[column];
            if (value.isEmpty())
                continue;
            if (value.size() > longestCell) {
                why = QStringLiteral("satır %1: bir alan bir Excel hücresine sığmıyor (en çok "
                                     "32.767 karakter)")
                          .arg(row + 1);
                return false;
            }
            widths[column] = qBound(widths[column], double(value.size()) + 2, widest);
            const lxw_error error = worksheet_write_string(
                sheet, row, column, escapedWorkbookText(value).toUtf8().constData(), text);
            if (error != LXW_NO_ERROR) {
                why = failure(error);
                return false;
            }
        }
        ++row;
    }
    for (lxw_col_t column = 0; column < 4; ++column)
        worksheet_set_column(sheet, column, column, widths[column], text);
    worksheet_freeze_panes(sheet, 1, 0);
    return true;
}

} // namespace

bool writeWorkbook(const QByteArray &path, const QVector<Contact> &contacts, QString &why,
                   const Progress &progress)
{
    // The library writes to a name and leaves a failure's remains there.
    ScratchFile scratch(path);
    if (!scratch.exists(why))
        return false;
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    lxw_workbook *workbook = workbook_new_opt(scratch.path().constData(), &options);
    if (!workbook) {
        why = failure(LXW_ERROR_MEMORY_MALLOC_FAILED);
        return false;
    }
    const bool filled = fill(workbook, contacts, why, progress);
    const lxw_error closed = workbook_close(workbook);
    if (!filled)
        return false;
    if (closed != LXW_NO_ERROR) {
        why = failure(closed);
        return false;
    }
    return scratch.replaceTarget(why);
}
