// telefon-defteri-aktar: contacts in and out of database.db of the working directory, or
// of the book on a server, without the window.
//   telefon-defteri-aktar [--sunucu URI] import [--ayrinti] [--sutunlar ROLES] FILE...
//   telefon-defteri-aktar [--sunucu URI] export FILE.vcf|FILE.csv|FILE.xlsx|FILE.pdf
//   telefon-defteri-aktar [--sunucu URI] rehber --bicim BİÇİM FILE | sun [--adres A:PORT]
//   telefon-defteri-aktar [--sunucu URI] silinenler | geri-getir ID... | gecmis ID |
//                         saklama [GÜN]
#include "aktar/directorycommand.h"
#include "aktar/logcommands.h"
#include "aktar/servecommand.h"
#include "aktar/synccommand.h"
#include "exchange/contactfile.h"
#include "exchange/importer.h"
#include "platform/keyring.h"
#include "platform/terminationsignals.h"
#include "printing/phonelist.h"
#include "server/serveraddress.h"
#include "store/databasepath.h"
#include "store/entries.h"
#include "store/phonebookdb.h"

#include <QFile>
#include <QGuiApplication>
#include <QStringList>

#include <cstdio>
#include <memory>
#include <optional>

namespace
{

const char usage[] =
    "Kullanım: telefon-defteri-aktar [--sunucu URI] import [--ayrinti] [--sutunlar SÜTUNLAR]\n"
    "                                DOSYA...\n"
    "          telefon-defteri-aktar [--sunucu URI] export "
    "DOSYA.vcf|DOSYA.csv|DOSYA.xlsx|DOSYA.pdf\n"
    "          telefon-defteri-aktar [--sunucu URI] silinenler | geri-getir KİMLİK... |\n"
    "                                gecmis KİMLİK | saklama [GÜN]\n"
    "          telefon-defteri-aktar [--sunucu URI] rehber --bicim BİÇİM DOSYA.xml\n"
    "          telefon-defteri-aktar [--sunucu URI] sun [--adres ADRES:PORT] [--kullanici AD\n"
    "                                [--parola-dosyasi DOSYA]] [--istek-siniri N]\n"
    "          telefon-defteri-aktar [--sunucu URI] esitle --carddav ADRES [--kullanici AD]\n"
    "                                [--yerel-kazanir]\n"
    "\n"
    "Bulunduğunuz klasördeki database.db telefon defterine vCard (.vcf), CSV ya da Excel\n"
    "(.xlsx) dosyalarındaki kişileri ekler (import) ya da defterdeki bütün kayıtları bir\n"
    "dosyaya yazar (export; .pdf Türk alfabesine göre sıralı, yazdırılacak bir telefon\n"
    "listesidir). Defterde zaten olan bir kişi yeniden eklenmez, kaydının boş alanları\n"
    "tamamlanır: adları aynı ve bir numaraları ya da mail adresleri ortak olan iki kayıt\n"
    "aynı kişidir. Bir dosya okunamazsa hiçbir kişi eklenmez.\n"
    "\n"
    "  --ayrinti           tamamlanan alanları ve hiçbir alana sığmayan numaraları da yazar\n"
    "  --sutunlar SÜTUNLAR başlığı tanınmayan bir CSV ya da Excel dosyasının sütunları,\n"
    "                      sırayla ve virgülle: adsoyad, ad, soyad, telefon, cep, mail, yok\n"
    "                      (ör. --sutunlar ad,soyad,cep,yok,mail)\n"
    "\n"
    "Defter her değişikliği kimin ne zaman yaptığıyla saklar (saklama, gün; öntanımlı 30):\n"
    "  silinenler          silinen kişileri CSV olarak yazar (Kimlik;Ad Soyad;...;Silen;...)\n"
    "  geri-getir KİMLİK... silinen kişileri geri getirir, boşsa eski kimlikleriyle\n"
    "  gecmis KİMLİK       bir kaydın bütün sürümlerini CSV olarak yazar\n"
    "\n"
    "rehber, defteri masa telefonlarının uzak rehberi olarak yazar (Türk alfabesine göre\n"
    "sıralı, numarası olmayanlar dışarıda); BİÇİM yealink (Fanvil de okur), cisco,\n"
    "grandstream ya da snom.\n"
    "\n"
    "sun, rehberleri ve santral için arayanın adını canlı sunar (Ctrl+C ile durur):\n"
    "  http://ADRES:PORT/rehber/BİÇİM.xml     defterin o anki hali\n"
    "  http://ADRES:PORT/arayan?numara=NUMARA arayanın adı (düz metin; Accept:\n"
    "                                         application/json ile JSON); yoksa 404\n"
    "  --adres ADRES:PORT   öntanımlı 127.0.0.1:8080; ağdaki telefonlar için 0.0.0.0:8080\n"
    "  --kullanici AD       temel kimlik doğrulaması; parola --parola-dosyasi DOSYA'nın ilk\n"
    "                       satırı ya da TELEFON_DEFTERI_SUN_PAROLA\n"
    "  --istek-siniri N     bir istemcinin saniyede ortalama en çok isteği (öntanımlı 50)\n"
    "\n"
    "esitle, defteri telefonların eşitlendiği CardDAV rehberiyle iki yönlü eşitler: ADRES\n"
    "rehberin ya da sunucunun adresi. Parola ~/.netrc'den, anahtarlıktan ya da uçbirimden\n"
    "alınır. İki tarafta da değişen bir kişide sunucudaki kalır ve ikisi de yazılır;\n"
    "--yerel-kazanir ile defterdeki kalır.\n"
    "\n"
    "--sunucu URI  PostgreSQL sunucusundaki ortak defter (postgresql://ofis-sunucu/telefon).\n"
    "              Verilmezse TELEFON_DEFTERI_SUNUCU, sonra ayar dosyasındaki sunucu\n"
    "              anahtarı. Parola ~/.pgpass ya da PGPASSWORD ile verilir.\n"
    "\n"
    "Çıkış durumu: 0 başarılı, 1 bir dosya okunamadı ya da yazılamadı, 2 hatalı kullanım,\n"
    "128 + sinyal numarası bir sinyalle durduruldu (yarım kalan içe aktarmadan hiçbir kişi\n"
    "eklenmez; sun bir sinyalle durunca 0).\n";

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

struct ImportOptions {
    QList<QByteArray> paths;
    ColumnChoice columns;
    bool details = false;
};

// The words after "import": options anywhere, the rest files. False on wrong usage.
bool parseImport(const QList<QByteArray> &words, ImportOptions &options, QString &error)
{
    for (int i = 0; i < words.size(); ++i) {
        const QByteArray &word = words.at(i);
        if (word == "--ayrinti") {
            options.details = true;
        } else if (word == "--sutunlar" || word.startsWith("--sutunlar=")) {
            const bool joined = word.startsWith("--sutunlar=");
            if (!joined && i + 1 >= words.size())
                return false;
            const QByteArray roles = joined ? word.mid(int(qstrlen("--sutunlar="))) : words.at(++i);
            if (!parseColumnChoice(QString::fromLocal8Bit(roles), options.columns, error))
                return false;
        } else {
            options.paths << word;
        }
    }
    return !options.paths.isEmpty();
}

int importFiles(const ImportOptions &options)
{
    ContactFile read;
    QString error;
    for (const QByteArray &path : options.paths) {
        if (!readContactFileAt(path, read, error, untilSignalled, options.columns)) {
            if (!read.unknown.header.isEmpty())
                error += QStringLiteral("; sütunları --sutunlar ile söyleyin, ör. --sutunlar "
                                        "ad,soyad,cep,yok,mail");
            return fail(error + QStringLiteral(" (hiçbir kişi eklenmedi)"));
        }
    }
    const ImportPlan plan = planImport(phoneBookDb, read);
    if (!runImport(plan, error, untilSignalled))
        return fail(QStringLiteral("kişiler eklenemedi, hiçbir kişi eklenmedi: ") + error);
    say(stdout, importSummary(plan, true));
    if (options.details)
        for (const QString &line : plan.details)
            say(stdout, line);
    return 0;
}

int exportTo(const QByteArray &path)
{
    QVector<Entry> entries;
    if (!readEveryEntry(phoneBookDb, [&entries](const Entry &entry) {
            entries << entry;
            return true;
        }))
        return fail(QStringLiteral("defter okunamadı"));
    QString error;
    if (path.toLower().endsWith(".pdf")) {
        if (!writePhoneListPdf(path, inTurkishOrder(entries), QDate::currentDate(), error))
            return fail(error);
    } else {
        QVector<Contact> contacts;
        contacts.reserve(entries.size());
        for (const Entry &entry : entries)
            contacts.append({entry.adsoyad, entry.telefon, entry.cep, entry.mail, {}});
        if (!writeContactFileAt(path, contacts, error))
            return fail(error);
    }
    say(stdout, QStringLiteral("%1 kişi %2 dosyasına yazıldı.")
                    .arg(entries.size())
                    .arg(QFile::decodeName(path)));
    return 0;
}

bool exportable(const QByteArray &path)
{
    const QByteArray lower = path.toLower();
    for (const char *suffix : {".vcf", ".csv", ".xlsx", ".pdf"})
        if (lower.endsWith(suffix))
            return true;
    return false;
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
    QString server;
    const bool serverNamed = takeServerOption(arguments, server);
    const QByteArray command = arguments.value(0);
    // A PDF is laid out with fonts, which need a GUI application; it shows nothing, so
    // it needs no display either.
    const bool printing = command == "export" && arguments.value(1).toLower().endsWith(".pdf");
    if (printing && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::unique_ptr<QCoreApplication> application(
        printing ? new QGuiApplication(argc, argv) : new QCoreApplication(argc, argv));
    if (arguments.value(0) == "--help" || arguments.value(0) == "-h") {
        std::fputs(usage, stdout);
        return 0;
    }
    if (!serverNamed) {
        std::fputs(usage, stderr);
        return 2;
    }
    usePhoneBookServer(chosenServerUri(server));
    const bool local = chosenServerUri(server).isEmpty();
    ImportOptions options;
    QString wrong;
    const bool importing = command == "import" && parseImport(arguments.mid(1), options, wrong);
    const bool exporting = command == "export" && arguments.size() == 2 && exportable(arguments[1]);
    const bool logging = isLogCommand(command) && logCommandWellFormed(command, arguments.mid(1));
    const bool directory =
        isDirectoryCommand(command) && directoryCommandWellFormed(arguments.mid(1));
    const bool serving = isServeCommand(command) && serveCommandWellFormed(arguments.mid(1), wrong);
    const bool syncing = isSyncCommand(command) && syncCommandWellFormed(arguments.mid(1));
    if (!importing && !exporting && !logging && !directory && !serving && !syncing) {
        if (!wrong.isEmpty())
            say(stderr, QStringLiteral("telefon-defteri-aktar: ") + wrong);
        std::fputs(usage, stderr);
        return 2;
    }
    // Exporting a phone book that is not there would make an empty one and an empty file.
    if ((exporting || directory || serving ||
         (logging && !logCommandWrites(command, arguments.mid(1)))) &&
        local && !QFile::exists(databasePath()))
        return fail(QStringLiteral("burada telefon defteri yok: bu klasörde database.db "
                                   "bulunamadı, hiçbir dosya yazılmadı"));
    // A phone book on a read-only medium can still be exported.
    PhoneBookOpening opened = openPhoneBook();
    // A password the window was asked to remember, after libpq's own sources.
    if (opened == PhoneBookOpening::NeedsPassword) {
        if (const std::optional<QString> remembered =
                keyring::rememberedPassword(phoneBookName())) {
            setServerPassword(*remembered);
            opened = openPhoneBook();
        }
    }
    if (opened == PhoneBookOpening::NeedsPassword ||
        (opened == PhoneBookOpening::Failed && passwordRefused()))
        return fail(
            openingFailure() +
            QStringLiteral("\nsunucu parola istiyor: ~/.pgpass ya da PGPASSWORD ile verin, ya da "
                           "pencerede \"Parolayı hatırla\" ile anahtarlığa kaydedin"));
    const bool writing =
        importing || syncing || (logging && logCommandWrites(command, arguments.mid(1)));
    if (writing && opened == PhoneBookOpening::OpenedReadOnly)
        return fail(QStringLiteral("bu defter salt okunur, değiştirme yetkiniz yok; hiçbir şey "
                                   "değiştirilmedi"));
    if (opened == PhoneBookOpening::Failed || (writing && opened != PhoneBookOpening::Opened))
        return fail(local ? QStringLiteral("database.db açılamadı ya da yazılamıyor")
                          : QStringLiteral("ortak defter açılamadı: ") + openingFailure());
    if (serving) {
        const int served = runServeCommand(arguments.mid(1), *application);
        closePhoneBook();
        return served;
    }
    const int status = importing   ? importFiles(options)
                       : syncing   ? runSyncCommand(arguments.mid(1))
                       : logging   ? runLogCommand(command, arguments.mid(1))
                       : directory ? runDirectoryCommand(arguments.mid(1))
                                   : exportTo(arguments[1]);
    // Rolled back by then; the phone book still goes back to the rollback journal.
    closePhoneBook();
    const int signal = terminationSignal();
    return signal != 0 ? 128 + signal : status;
}
