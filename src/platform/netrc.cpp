#include "platform/netrc.h"

#include <QDir>
#include <QFile>
#include <QStringList>

namespace
{

// Words parted by white space; a word in double quotes may hold any, and \" or \\.
QStringList wordsOf(const QString &text)
{
    QStringList words;
    for (int i = 0; i < text.size();) {
        if (text[i].isSpace()) {
            ++i;
            continue;
        }
        QString word;
        if (text[i] == QLatin1Char('"')) {
            for (++i; i < text.size() && text[i] != QLatin1Char('"'); ++i) {
                if (text[i] == QLatin1Char('\\') && i + 1 < text.size())
                    ++i;
                word += text[i];
            }
            ++i;
        } else {
            for (; i < text.size() && !text[i].isSpace(); ++i)
                word += text[i];
        }
        words << word;
    }
    return words;
}

} // namespace

std::optional<QString> netrcPassword(const QString &host, const QString &login)
{
    const QString path = qEnvironmentVariableIsSet("NETRC") ? qEnvironmentVariable("NETRC")
                                                            : QDir::homePath() + "/.netrc";
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QStringList words = wordsOf(QString::fromUtf8(file.readAll()));
    // The entries in order: the first that names the host (or is the default) and the login.
    QString machine, name, password;
    bool inEntry = false;
    const auto matches = [&] {
        return inEntry && (machine.isNull() || machine.compare(host, Qt::CaseInsensitive) == 0) &&
               (login.isEmpty() || name.isEmpty() || name == login) && !password.isNull();
    };
    for (int i = 0; i < words.size(); ++i) {
        const QString &word = words[i];
        if (word == QLatin1String("machine") || word == QLatin1String("default")) {
            if (matches())
                return password;
            inEntry = true;
            machine = word == QLatin1String("machine") ? words.value(++i) : QString();
            name.clear();
            password = QString();
        } else if (word == QLatin1String("login")) {
            name = words.value(++i);
        } else if (word == QLatin1String("password")) {
            password = words.value(++i);
        } else if (word == QLatin1String("macdef")) {
            break;
        }
    }
    if (matches())
        return password;
    return std::nullopt;
}
