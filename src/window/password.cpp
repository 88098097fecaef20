// A server book that asks for a password: the one the keyring remembers, else one typed.
// libpq's own sources (~/.pgpass, PGPASSWORD, a service file) were tried before either.
#include "window/mainwindow.h"

#include "platform/keyring.h"
#include "store/phonebookdb.h"
#include "window/passworddialog.h"

namespace
{

bool opened(PhoneBookOpening opening)
{
    return opening == PhoneBookOpening::Opened || opening == PhoneBookOpening::OpenedReadOnly;
}

} // namespace

PhoneBookOpening MainWindow::openWithPassword()
{
    const QString book = phoneBookName();
    QString why = openingFailure().section(QLatin1Char('\n'), 0, 0);
    bool rememberedRefused = false;
    if (const std::optional<QString> remembered = keyring::rememberedPassword(book)) {
        setServerPassword(*remembered);
        const PhoneBookOpening opening = openPhoneBook();
        // A server that is down now is reported as it is, not asked for another password.
        if (opened(opening) || !passwordRefused())
            return opening;
        rememberedRefused = true;
        why += QStringLiteral("\nAnahtarlıkta hatırlanan parola kabul edilmedi.");
    }
    PasswordDialog dialog(why, this);
    if (dialog.exec() != QDialog::Accepted) {
        setServerPassword(QString());
        return PhoneBookOpening::Failed;
    }
    setServerPassword(dialog.password());
    const PhoneBookOpening opening = openPhoneBook();
    if (!opened(opening))
        return opening;
    QString error;
    if (dialog.remember() && !keyring::rememberPassword(book, dialog.password(), error)) {
        QMessageBox box;
        tell(box, QStringLiteral("Parola Hatırlanamadı"),
             QStringLiteral("Parola masaüstünün anahtarlığına kaydedilemedi; bir dahaki "
                            "açılışta yeniden sorulacak.\n\n") +
                 error,
             QMessageBox::Warning);
    } else if (!dialog.remember() && rememberedRefused) {
        keyring::forgetPassword(book);
    }
    return opening;
}
