#include "platform/keyring.h"

#include <QEventLoop>

#include <qt5keychain/keychain.h>

namespace keyring
{
namespace
{

const QString service = QStringLiteral("Telefon Defteri");

// The keyring answers asynchronously, over D-Bus; the book is opened only after it has.
void runToTheEnd(QKeychain::Job &job, const QString &book)
{
    job.setAutoDelete(false);
    job.setInsecureFallback(false);
    job.setKey(book);
    QEventLoop loop;
    bool done = false;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, [&] {
        done = true;
        loop.quit();
    });
    job.start();
    if (!done)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

std::optional<QString> rememberedPassword(const QString &book)
{
    QKeychain::ReadPasswordJob job(service);
    runToTheEnd(job, book);
    if (job.error() != QKeychain::NoError)
        return std::nullopt;
    return job.textData();
}

bool rememberPassword(const QString &book, const QString &password, QString &error)
{
    QKeychain::WritePasswordJob job(service);
    job.setTextData(password);
    runToTheEnd(job, book);
    error = job.errorString();
    return job.error() == QKeychain::NoError;
}

void forgetPassword(const QString &book)
{
    QKeychain::DeletePasswordJob job(service);
    runToTheEnd(job, book);
}

} // namespace keyring
