// telefon-defteri-aktar: contacts in and out of database.db of the working directory, or
// of the book on a server, without the window.
//   telefon-defteri-aktar [--sunucu URI] import FILE...    vCard or CSV files, all or nothing
//   telefon-defteri-aktar [--sunucu URI] export FILE.vcf|FILE.csv
#include "exchange/contactfile.h"
#include "exchange/importer.h"
#include "exchange/nativefile.h"
#include "platform/terminationsignals.h"
#include "server/serveraddress.h"
#include "store/databasepath.h"
#include "store/phonebookdb.h"
#include "store/statements.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <cstdio>

namespace
{

const char usage[] =
    "Kullanım: telefon-defteri-aktar [--sunucu URI] import DOSYA...\n"
    "          telefon-defteri-aktar [--sunucu URI] export DOSYA.vcf|DOSYA.csv\n"
    "\n"
    "Bulunduğunuz klasördeki database.db telefon defterine vCard (.vcf) ya da CSV\n"
    "dosyalarındaki kişileri ekler (import) ya da defterdeki bütün kayıtları bir dosyaya\n"
    "yazar (export). Defterde zaten olan kişiler yeniden eklenmez. Bir dosya okunamazsa\n"
    "hiçbir kişi eklenmez.\n"
    "\n"
    "--sunucu URI  PostgreSQL sunucusundaki ortak defter (postgresql://ofis-sunucu/telefon).\n"
    "              Verilmezse TELEFON_DEFTERI_SUNUCU, sonra ayar dosyasındaki sunucu\n"
    "              anahtarı. Parola ~/.pgpass ya da PGPASSWORD ile verilir.\n"
    "\n"
    "Çıkış durumu: 0 başarılı, 1 bir dosya okunamadı ya da yazılamadı, 2 hatalı kullanım,\n"
    "128 + sinyal numarası bir sinyalle durduruldu (yarım kalan içe aktarmadan hiçbir kişi\n"
    "eklenmez).\n";

void say(FILE *stream, const QString &line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stream);
}

int fail(const QString &message)
{
    say(stderr, QStringLiteral("telefon-defteri-aktar: ") + message);
    return 1;
}

// SIGTERM, SIGINT or SIGHUP stops reading and adding at the next line or entry.
const Progress untilSignalled = [](qint64, qint64) { return terminationSignal() == 0; };

int importFiles(const QList<QByteArray> &paths)
{
    ContactFile read;
    QString error;
    for (const QByteArray &path : paths)
        if (!readContactFileAt(path, read, error, untilSignalled))
            return fail(error + QStringLiteral(" (hiçbir kişi eklenmedi)"));
    const ImportPlan plan = planImport(phoneBookDb, read);
    if (!runImport(phoneBookDb, plan.fresh, error, untilSignalled))
        return fail(QStringLiteral("kişiler eklenemedi: ") + error);
    QString summary = QStringLiteral("%1 kişi bulundu: %2 yeni kişi eklendi, %3 kişi defterde "
                                     "zaten vardı")
                          .arg(plan.found)
                          .arg(plan.fresh.size())
                          .arg(plan.existing);
    if (plan.repeated > 0)
        summary += QStringLiteral(", %1 kişi dosyada birden fazla kez geçiyordu (bir kez eklendi)")
                       .arg(plan.repeated);
    if (plan.unreadable > 0)
        summary += QStringLiteral(", %1 kayıt adsız olduğu için okunamadı").arg(plan.unreadable);
    say(stdout, summary + QLatin1Char('.'));
    return 0;
}

int exportTo(const QByteArray &path)
{
    QSqlQuery all(phoneBookDb);
    if (!runStatement(all, selectAllStatement()))
        return fail(QStringLiteral("defter okunamadı: ") + all.lastError().text());
    const QVector<Contact> contacts = contactsOf(all);
    all.finish();
    QString error;
    if (!writeContactFileAt(path, contacts, error))
        return fail(error);
    say(stdout, QStringLiteral("%1 kişi %2 dosyasına yazıldı.")
                    .arg(contacts.size())
                    .arg(QFile::decodeName(path)));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    noteTerminationSignals();
    // The arguments as the system gives them: a file's name need not be valid UTF-8, and
    // turned into text and back it would name another file.
    QList<QByteArray> arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QByteArray(argv[i]);
    QCoreApplication application(argc, argv);
    if (arguments.value(0) == "--help" || arguments.value(0) == "-h") {
        std::fputs(usage, stdout);
        return 0;
    }
    QString server;
    if (!takeServerOption(arguments, server)) {
        std::fputs(usage, stderr);
        return 2;
    }
    usePhoneBookServer(chosenServerUri(server));
    const bool local = chosenServerUri(server).isEmpty();
    const QByteArray command = arguments.value(0);
    const bool importing = command == "import" && arguments.size() >= 2;
    const bool exporting =
        command == "export" && arguments.size() == 2 &&
        (arguments[1].toLower().endsWith(".vcf") || arguments[1].toLower().endsWith(".csv"));
    if (!importing && !exporting) {
        std::fputs(usage, stderr);
        return 2;
    }
    // Exporting a phone book that is not there would make an empty one and an empty file.
    if (exporting && local && !QFile::exists(databasePath()))
        return fail(QStringLiteral("burada telefon defteri yok: bu klasörde database.db "
                                   "bulunamadı, hiçbir dosya yazılmadı"));
    // A phone book on a read-only medium can still be exported.
    const PhoneBookOpening opened = openPhoneBook();
    if (opened == PhoneBookOpening::NeedsPassword)
        return fail(
            openingFailure() +
            QStringLiteral("\nsunucu parola istiyor: ~/.pgpass ya da PGPASSWORD ile verin"));
    if (opened == PhoneBookOpening::Failed || (importing && opened != PhoneBookOpening::Opened))
        return fail(local ? QStringLiteral("database.db açılamadı ya da yazılamıyor")
                          : QStringLiteral("ortak defter açılamadı: ") + openingFailure());
    const int status = importing ? importFiles(arguments.mid(1)) : exportTo(arguments[1]);
    // Rolled back by then; the phone book still goes back to the rollback journal.
    closePhoneBook();
    const int signal = terminationSignal();
    return signal != 0 ? 128 + signal : status;
}
