#include "aktar/synccommand.h"

#include "platform/keyring.h"
#include "platform/netrc.h"
#include "platform/terminationsignals.h"
#include "sync/phonesync.h"

#include <QUrl>

#include <cstdio>
#include <string>

#include <termios.h>
#include <unistd.h>

namespace
{

struct Wanted {
    SyncRequest request;
    bool wellFormed = false;
};

Wanted parse(const QList<QByteArray> &words)
{
    Wanted wanted;
    for (int i = 0; i < words.size(); ++i) {
        const QByteArray &word = words.at(i);
        const int equals = word.indexOf('=');
        const QByteArray name = word.startsWith("--") && equals > 0 ? word.left(equals) : word;
        const auto value = [&]() -> QString {
            if (equals > 0)
                return QString::fromLocal8Bit(word.mid(equals + 1));
            return i + 1 < words.size() ? QString::fromLocal8Bit(words.at(++i)) : QString();
        };
        if (name == "--carddav") {
            wanted.request.address = QUrl(value(), QUrl::StrictMode);
        } else if (name == "--kullanici") {
            wanted.request.user = value();
            if (wanted.request.user.isEmpty())
                return wanted;
        } else if (word == "--yerel-kazanir") {
            wanted.request.localWins = true;
        } else {
            return wanted;
        }
    }
    const QUrl &address = wanted.request.address;
    wanted.wellFormed =
        address.isValid() && !address.host().isEmpty() &&
        (address.scheme() == QLatin1String("https") || address.scheme() == QLatin1String("http"));
    // A user named in the address is the user.
    if (wanted.request.user.isEmpty())
        wanted.request.user = address.userName();
    return wanted;
}

void tell(FILE *stream, const QString &line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stream);
}

// Asked on the terminal without showing what is typed; empty when there is none.
QString askedPassword(const QString &user, const QUrl &address)
{
    if (!::isatty(STDIN_FILENO))
        return {};
    std::fprintf(stderr, "%s parolası (%s): ", qPrintable(user), qPrintable(address.host()));
    termios before = {};
    const bool quiet = ::tcgetattr(STDIN_FILENO, &before) == 0;
    termios hidden = before;
    hidden.c_lflag &= ~tcflag_t(ECHO);
    if (quiet)
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &hidden);
    std::string line;
    for (int c = std::fgetc(stdin); c != EOF && c != '\n'; c = std::fgetc(stdin))
        line += char(c);
    if (quiet)
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &before);
    std::fputc('\n', stderr);
    return QString::fromLocal8Bit(line.c_str());
}

} // namespace

bool isSyncCommand(const QByteArray &command)
{
    return command == "esitle";
}

bool syncCommandWellFormed(const QList<QByteArray> &words)
{
    return parse(words).wellFormed;
}

int runSyncCommand(const QList<QByteArray> &words)
{
    Wanted wanted = parse(words);
    SyncRequest &request = wanted.request;
    const QString shownAddress = request.address.toString(QUrl::RemoveUserInfo);
    // The password from the address, ~/.netrc, the keyring, or the terminal.
    request.password = request.address.password();
    request.address = request.address.adjusted(QUrl::RemoveUserInfo);
    if (request.password.isEmpty() && !request.user.isEmpty()) {
        if (const std::optional<QString> netrc =
                netrcPassword(request.address.host(), request.user))
            request.password = *netrc;
        else if (const std::optional<QString> remembered =
                     keyring::rememberedPassword(QStringLiteral("carddav ") + shownAddress))
            request.password = *remembered;
        else
            request.password = askedPassword(request.user, request.address);
    }
    const SyncOutcome outcome =
        syncWithPhones(request, [](qint64, qint64) { return terminationSignal() == 0; });
    for (const QString &conflict : outcome.conflicts)
        tell(stdout, QStringLiteral("Çakışma: ") + conflict);
    for (const QString &skipped : outcome.skipped)
        tell(stdout, QStringLiteral("Atlandı: ") + skipped);
    if (!outcome.error.isEmpty()) {
        tell(stderr, QStringLiteral("telefon-defteri-aktar: %1 ile eşitlenemedi: %2")
                         .arg(shownAddress, outcome.error));
        return 1;
    }
    tell(stdout, QStringLiteral("Eşitlendi: defterde %1 kişi eklendi, %2 değişti, %3 silindi; "
                                "sunucuya %4 kart yazıldı, %5 silindi; %6 kişi kartıyla "
                                "eşleşti (%7 istek).")
                     .arg(outcome.added)
                     .arg(outcome.changed)
                     .arg(outcome.deleted)
                     .arg(outcome.sent)
                     .arg(outcome.removed)
                     .arg(outcome.linked)
                     .arg(outcome.requests));
    return 0;
}
