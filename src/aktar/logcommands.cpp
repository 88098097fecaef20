#include "aktar/logcommands.h"

#include "changelog/changelog.h"
#include "changelog/restoring.h"
#include "exchange/contactfile.h"
#include "store/phonebookdb.h"

#include <QSet>

#include <cstdio>

namespace
{

int failed(const QString &message)
{
    std::fputs(qPrintable(QStringLiteral("telefon-defteri-aktar: ") + message + '\n'), stderr);
    return 1;
}

void writeRow(const QStringList &fields)
{
    QByteArray row;
    for (const QString &field : fields)
        row += (row.isEmpty() ? QByteArray() : QByteArray(";")) + csvField(field);
    std::fwrite(row.constData(), 1, size_t(row.size()), stdout);
    std::fputs("\r\n", stdout);
}

QString timeText(const QDateTime &time)
{
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

bool readIds(const QByteArrayList &arguments, QVector<qint64> &ids)
{
    for (const QByteArray &argument : arguments) {
        bool number = false;
        const qint64 id = argument.toLongLong(&number);
        if (!number || id < 1)
            return false;
        ids << id;
    }
    return !ids.isEmpty();
}

int listDeleted()
{
    QString error;
    const auto deleted = deletedEntries(error);
    if (!deleted)
        return failed(QStringLiteral("silinenler okunamadı: ") + error);
    writeRow({"Kimlik", "Ad Soyad", "Telefon", "Cep", "Mail", "Silen", "Silindiği Zaman"});
    for (const LoggedChange &deletion : *deleted)
        writeRow({QString::number(deletion.id), deletion.before.adsoyad, deletion.before.telefon,
                  deletion.before.cep, deletion.before.mail, deletion.who,
                  timeText(deletion.time)});
    return 0;
}

int restore(const QVector<qint64> &ids)
{
    QString error;
    const auto deleted = deletedEntries(error);
    if (!deleted)
        return failed(QStringLiteral("silinenler okunamadı: ") + error);
    QVector<LoggedChange> chosen;
    QSet<qint64> found;
    for (const LoggedChange &deletion : *deleted)
        if (ids.contains(deletion.id)) {
            chosen << deletion;
            found << deletion.id;
        }
    for (const qint64 id : ids)
        if (!found.contains(id))
            return failed(QStringLiteral("%1 silinenler arasında yok; hiçbir kişi geri "
                                         "getirilmedi")
                              .arg(id));
    const EntriesChange plan = restoringDeleted(chosen, error);
    if (!error.isEmpty())
        return failed(error);
    EntriesChange applied;
    const Change outcome = applyRestoring(plan, applied);
    if (outcome.outcome == ChangeOutcome::ChangedElsewhere)
        return failed(QStringLiteral("kimliklerden biri o arada başka bir kayda verildi; hiçbir "
                                     "kişi geri getirilmedi"));
    if (outcome.outcome == ChangeOutcome::Failed)
        return failed(QStringLiteral("hiçbir kişi geri getirilmedi: ") +
                      failureReason(outcome.kind, outcome.error));
    std::fputs(qPrintable(QStringLiteral("%1 kişi geri getirildi (%2 kişi yeni kimlikle).\n")
                              .arg(applied.restored.size())
                              .arg(plan.inserted.size())),
               stdout);
    return 0;
}

int showHistory(qint64 id)
{
    QString error;
    const auto versions = entryHistory(id, error);
    if (!versions)
        return failed(QStringLiteral("geçmiş okunamadı: ") + error);
    if (versions->isEmpty())
        return failed(QStringLiteral("%1 kimlikli kaydın geçmişi yok").arg(id));
    writeRow({"Sürüm", "Zaman", "Kim", "İşlem", "Ad Soyad", "Telefon", "Cep", "Mail", "Değişen"});
    for (const LoggedChange &version : *versions) {
        const bool gone = version.kind == LoggedChange::Kind::Deleted;
        const Entry &shown = gone ? version.before : version.after;
        const QString operation = gone ? QStringLiteral("silindi")
                                  : version.kind == LoggedChange::Kind::Added
                                      ? QStringLiteral("eklendi")
                                      : QStringLiteral("değiştirildi");
        writeRow({QString::number(version.revision), timeText(version.time), version.who, operation,
                  shown.adsoyad, shown.telefon, shown.cep, shown.mail,
                  version.kind == LoggedChange::Kind::Changed
                      ? changedFields(version.before, version.after).join(QStringLiteral("; "))
                      : QString()});
    }
    return 0;
}

int keep(const QByteArrayList &arguments)
{
    if (arguments.isEmpty()) {
        std::fputs(qPrintable(QStringLiteral("%1 gün\n").arg(keptDays(phoneBookDb))), stdout);
        return 0;
    }
    const int days = arguments.first().toInt();
    QString error;
    if (!setKeptDays(days, error))
        return failed(QStringLiteral("saklama süresi kaydedilemedi: ") + error);
    std::fputs(qPrintable(QStringLiteral("Değişiklikler %1 gün saklanacak.\n").arg(days)), stdout);
    return 0;
}

} // namespace

bool isLogCommand(const QByteArray &command)
{
    return command == "silinenler" || command == "geri-getir" || command == "gecmis" ||
           command == "saklama";
}

bool logCommandWellFormed(const QByteArray &command, const QByteArrayList &arguments)
{
    QVector<qint64> ids;
    if (command == "silinenler")
        return arguments.isEmpty();
    if (command == "geri-getir")
        return readIds(arguments, ids);
    if (command == "gecmis")
        return arguments.size() == 1 && readIds(arguments, ids);
    bool number = false;
    const int days = arguments.value(0).toInt(&number);
    return arguments.isEmpty() || (arguments.size() == 1 && number && days >= 1 && days <= 36500);
}

bool logCommandWrites(const QByteArray &command, const QByteArrayList &arguments)
{
    return command == "geri-getir" || (command == "saklama" && !arguments.isEmpty());
}

int runLogCommand(const QByteArray &command, const QByteArrayList &arguments)
{
    QVector<qint64> ids;
    if (command == "silinenler")
        return listDeleted();
    if (command == "geri-getir")
        return readIds(arguments, ids) ? restore(ids) : 2;
    if (command == "gecmis")
        return readIds(arguments, ids) ? showHistory(ids.first()) : 2;
    return keep(arguments);
}
