#include "window/phonesyncdialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

PhoneSyncDialog::PhoneSyncDialog(QWidget *parent)
    : QDialog(parent), addressEdit(new QLineEdit(this)), userEdit(new QLineEdit(this)),
      passwordEdit(new QLineEdit(this)),
      remembered(new QCheckBox(QStringLiteral("Parolayı hatırla"), this)), last(new QLabel(this)),
      progress(new QProgressBar(this)), syncButton(new QPushButton(QStringLiteral("Eşitle"), this)),
      cancelButton(new QPushButton(QStringLiteral("Vazgeç"), this))
{
    setWindowTitle(QStringLiteral("Telefonlarla Eşitle"));
    addressEdit->setObjectName(QStringLiteral("adres"));
    userEdit->setObjectName(QStringLiteral("kullanici"));
    passwordEdit->setObjectName(QStringLiteral("parola"));
    last->setObjectName(QStringLiteral("son"));
    addressEdit->setPlaceholderText(QStringLiteral("https://sunucu/dav/ (CardDAV)"));
    passwordEdit->setEchoMode(QLineEdit::Password);
    passwordEdit->setPlaceholderText(QStringLiteral("anahtarlıktaki ya da ~/.netrc'deki"));
    remembered->setToolTip(QStringLiteral("Parola masaüstünün anahtarlığında saklanır."));
    last->setWordWrap(true);
    progress->setRange(0, 1000);
    progress->setTextVisible(false);
    progress->hide();
    cancelButton->setEnabled(false);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Rehberin adresi:"), addressEdit);
    form->addRow(QStringLiteral("Kullanıcı:"), userEdit);
    form->addRow(QStringLiteral("Parola:"), passwordEdit);
    form->addRow(QString(), remembered);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, Qt::Horizontal, this);
    buttons->addButton(syncButton, QDialogButtonBox::ActionRole);
    buttons->addButton(cancelButton, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(syncButton, &QPushButton::clicked, this, &PhoneSyncDialog::syncAsked);
    connect(cancelButton, &QPushButton::clicked, this, &PhoneSyncDialog::cancelAsked);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(last);
    layout->addWidget(progress);
    layout->addWidget(buttons);
    showLastSync(QStringLiteral("Henüz eşitlenmedi."));
}

void PhoneSyncDialog::setAccount(const QString &address, const QString &user)
{
    addressEdit->setText(address);
    userEdit->setText(user);
}

QString PhoneSyncDialog::address() const
{
    return addressEdit->text().trimmed();
}

QString PhoneSyncDialog::user() const
{
    return userEdit->text().trimmed();
}

QString PhoneSyncDialog::password() const
{
    return passwordEdit->text();
}

bool PhoneSyncDialog::rememberPassword() const
{
    return remembered->isChecked();
}

void PhoneSyncDialog::showLastSync(const QString &said)
{
    last->setText(said);
}

void PhoneSyncDialog::setSyncing(bool syncing)
{
    syncButton->setEnabled(!syncing);
    cancelButton->setEnabled(syncing);
    progress->setVisible(syncing);
    progress->setValue(0);
    if (syncing)
        last->setText(QStringLiteral("Eşitleniyor…"));
}

void PhoneSyncDialog::showProgress(int permille)
{
    progress->setValue(permille);
}
