// The book synced with the CardDAV address book the staff's phones sync with: on demand in
// "Telefonlarla eşitle…", and every few minutes while the window is open and no box is.
#include "window/mainwindow.h"

#include "platform/keyring.h"
#include "platform/netrc.h"
#include "store/phonebookdb.h"
#include "sync/backgroundsync.h"
#include "window/phonesyncdialog.h"

#include <QApplication>
#include <QDateTime>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTimer>

namespace
{

constexpr int everyFewMinutesMs = 5 * 60 * 1000;

QString settingsKey(const char *name)
{
    return QStringLiteral("telefonlar/%1/%2")
        .arg(QString::fromLatin1(phoneBookName().toUtf8().toHex()), QLatin1String(name));
}

QString keyringKey(const QString &address)
{
    return QStringLiteral("carddav ") + QUrl(address).toString(QUrl::RemoveUserInfo);
}

QString outcomeText(const SyncOutcome &outcome)
{
    const QString when = QDateTime::currentDateTime().toString(QStringLiteral("d.MM.yyyy HH:mm"));
    if (!outcome.error.isEmpty())
        return QStringLiteral("Son eşitleme %1: eşitlenemedi: %2").arg(when, outcome.error);
    return QStringLiteral("Son eşitleme %1: defterde %2 kişi eklendi, %3 değişti, %4 silindi; "
                          "sunucuya %5 kart yazıldı, %6 silindi.")
        .arg(when)
        .arg(outcome.added)
        .arg(outcome.changed)
        .arg(outcome.deleted)
        .arg(outcome.sent)
        .arg(outcome.removed);
}

QString shownValues(const QString &name, const QString &phone, const QString &mobile,
                    const QString &mail)
{
    QStringList values = {name, phone, mobile, mail};
    values.removeAll(QString());
    return values.isEmpty() ? QStringLiteral("(silinmiş)") : values.join(QStringLiteral(", "));
}

} // namespace

void MainWindow::setUpPhoneSync()
{
    phoneSync = new BackgroundSync(this);
    connect(phoneSync, &BackgroundSync::finished, this, &MainWindow::phoneSyncFinished);
    auto *timer = new QTimer(this);
    timer->setInterval(everyFewMinutesMs);
    connect(timer, &QTimer::timeout, this, [this] {
        if (!QApplication::activeModalWidget() && !bookReadOnly)
            startPhoneSync(QSettings().value(settingsKey("adres")).toString(),
                           QSettings().value(settingsKey("kullanici")).toString(), QString());
    });
    timer->start();
}

void MainWindow::addPhoneSyncAction(QMenu &menu)
{
    QAction *syncing = menu.addAction(QStringLiteral("Telefonlarla eşitle…"));
    connect(syncing, &QAction::triggered, this, &MainWindow::showPhoneSync, Qt::QueuedConnection);
    markChanging(menu, {syncing});
}

void MainWindow::showPhoneSync()
{
    QSettings settings;
    PhoneSyncDialog dialog(this);
    dialog.setAccount(settings.value(settingsKey("adres")).toString(),
                      settings.value(settingsKey("kullanici")).toString());
    const QString last = settings.value(settingsKey("son")).toString();
    if (!last.isEmpty())
        dialog.showLastSync(last);
    // One started every few minutes may be running already.
    dialog.setSyncing(phoneSync->running());
    connect(phoneSync, &BackgroundSync::progressed, &dialog, &PhoneSyncDialog::showProgress);
    connect(phoneSync, &BackgroundSync::finished, &dialog, [&dialog] {
        dialog.setSyncing(false);
        dialog.showLastSync(QSettings().value(settingsKey("son")).toString());
    });
    connect(&dialog, &PhoneSyncDialog::cancelAsked, phoneSync, &BackgroundSync::cancel);
    connect(&dialog, &PhoneSyncDialog::syncAsked, this, [this, &dialog] {
        QSettings remembered;
        remembered.setValue(settingsKey("adres"), dialog.address());
        remembered.setValue(settingsKey("kullanici"), dialog.user());
        if (dialog.rememberPassword() && !dialog.password().isEmpty()) {
            QString error;
            if (!keyring::rememberPassword(keyringKey(dialog.address()), dialog.password(), error))
                dialog.showLastSync(QStringLiteral("Parola anahtarlığa kaydedilemedi: ") + error);
        }
        if (startPhoneSync(dialog.address(), dialog.user(), dialog.password()))
            dialog.setSyncing(true);
    });
    dialog.exec();
}

bool MainWindow::startPhoneSync(const QString &address, const QString &user, const QString &typed)
{
    if (address.isEmpty() || phoneSync->running())
        return false;
    SyncRequest request;
    request.address = QUrl(address);
    request.user = user;
    request.password = typed;
    if (request.password.isEmpty() && !user.isEmpty()) {
        if (const auto netrc = netrcPassword(request.address.host(), user))
            request.password = *netrc;
        else
            request.password = keyring::rememberedPassword(keyringKey(address)).value_or(QString());
    }
    // Both changed one entry: asked as for a colleague's change.
    request.keepDesk = [this](const Entry &desk, const CardFields &server) {
        QMessageBox box(this);
        box.setWindowTitle(QStringLiteral("Kayıt Değişmiş"));
        box.setIcon(QMessageBox::Question);
        box.setText(QStringLiteral("Bu kişi son eşitlemeden beri hem telefonlarda hem defterde "
                                   "değişmiş.\n\nTelefonlarda: %1\nDefterde: %2\n\nHangisi "
                                   "kalsın?")
                        .arg(shownValues(server.name, server.phone, server.mobile, server.mail),
                             shownValues(desk.adsoyad, desk.telefon, desk.cep, desk.mail)));
        QPushButton *phones = box.addButton(QStringLiteral("Telefondaki"), QMessageBox::AcceptRole);
        QPushButton *book = box.addButton(QStringLiteral("Defterdeki"), QMessageBox::RejectRole);
        box.setDefaultButton(phones);
        box.exec();
        return box.clickedButton() == book;
    };
    return phoneSync->start(request);
}

void MainWindow::phoneSyncFinished(const SyncOutcome &outcome)
{
    if (!outcome.present.isEmpty() || !outcome.gone.isEmpty()) {
        noteOwnChange(outcome.present, outcome.gone);
        listAgainWhenNoBoxIsOpen();
    }
    QSettings().setValue(settingsKey("son"), outcomeText(outcome));
}
