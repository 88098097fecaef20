// telefon-defteri-aktar: contacts in and out of database.db of the working directory,
// without the window.
//   telefon-defteri-aktar import FILE...    vCard or CSV files, all or nothing
//   telefon-defteri-aktar export FILE.vcf|FILE.csv
#include "exchange/contactfile.h"
#include "exchange/importer.h"
#include "store/phonebookdb.h"
#include "store/statements.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <cstdio>

namespace
{

const char usage[] =
    "Kullanım: telefon-defteri-aktar import DOSYA...\n"
    "          telefon-defteri-aktar export DOSYA.vcf|DOSYA.csv\n"
    "\n"
    "Bulunduğunuz klasördeki database.db telefon defterine vCard (.vcf) ya da CSV\n"
    "dosyalarındaki kişileri ekler (import) ya da defterdeki bütün kayıtları bir dosyaya\n"
    "yazar (export). Defterde zaten olan kişiler yeniden eklenmez. Bir dosya okunamazsa\n"
    "hiçbir kişi eklenmez.\n"
    "\n"
    "Çıkış durumu: 0 başarılı, 1 bir dosya okunamadı ya da yazılamadı, 2 hatalı kullanım.\n";

void say(FILE *stream, const QString &line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stream);
}

int fail(const QString &message)
{
    say(stderr, QStringLiteral("telefon-defteri-aktar: ") + message);
    return 1;
}

int importFiles(const QStringList &paths)
{
    ContactFile read;
    QString error;
    for (const QString &path : paths)
        if (!readContactFile(path, read, error))
            return fail(error + QStringLiteral(" (hiçbir kişi eklenmedi)"));
    const ImportPlan plan = planImport(phoneBookDb, read);
    if (!runImport(phoneBookDb, plan.fresh, error))
        return fail(QStringLiteral("kişiler eklenemedi: ") + error);
    QString summary = QStringLiteral("%1 kişi bulundu: %2 yeni kişi eklendi, %3 kişi defterde "
                                     "zaten vardı")
                          .arg(plan.found)
                          .arg(plan.fresh.size())
                          .arg(plan.existing);
    if (plan.unreadable > 0)
        summary += QStringLiteral(", %1 kayıt adsız olduğu için okunamadı").arg(plan.unreadable);
    say(stdout, summary + QLatin1Char('.'));
    return 0;
}

int exportTo(const QString &path)
{
    QSqlQuery all(phoneBookDb);
    if (!runStatement(all, selectAllStatement()))
        return fail(QStringLiteral("defter okunamadı: ") + all.lastError().text());
    const QVector<Contact> contacts = contactsOf(all);
    all.finish();
    QString error;
    if (!writeContactFile(path, contacts, error))
        return fail(error);
    say(stdout, QStringLiteral("%1 kişi %2 dosyasına yazıldı.").arg(contacts.size()).arg(path));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments().mid(1);
    if (arguments.value(0) == QLatin1String("--help") ||
        arguments.value(0) == QLatin1String("-h")) {
        std::fputs(usage, stdout);
        return 0;
    }
    const QString command = arguments.value(0);
    const bool importing = command == QLatin1String("import") && arguments.size() >= 2;
    const bool exporting = command == QLatin1String("export") && arguments.size() == 2 &&
                           (arguments[1].endsWith(QLatin1String(".vcf"), Qt::CaseInsensitive) ||
                            arguments[1].endsWith(QLatin1String(".csv"), Qt::CaseInsensitive));
    if (!importing && !exporting) {
        std::fputs(usage, stderr);
        return 2;
    }
    // A phone book on a read-only medium can still be exported.
    const PhoneBookOpening opened = openPhoneBook();
    if (opened == PhoneBookOpening::Failed || (importing && opened != PhoneBookOpening::Opened))
        return fail(QStringLiteral("database.db açılamadı ya da yazılamıyor"));
    const int status = importing ? importFiles(arguments.mid(1)) : exportTo(arguments[1]);
    closePhoneBook();
    return status;
}
