#include "window/passworddialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

PasswordDialog::PasswordDialog(const QString &why, QWidget *parent)
    : QDialog(parent), typed(new QLineEdit(this)),
      remembered(new QCheckBox(QStringLiteral("Parolayı hatırla"), this))
{
    setWindowTitle(QStringLiteral("Sunucu Parolası"));
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(why + QStringLiteral("\nSunucu bir parola istiyor:"), this);
    label->setBuddy(typed);
    typed->setEchoMode(QLineEdit::Password);
    remembered->setToolTip(QStringLiteral("Parola masaüstünün anahtarlığında saklanır."));
    auto *buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Horizontal, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(label);
    layout->addWidget(typed);
    layout->addWidget(remembered);
    layout->addWidget(buttons);
    typed->setFocus(Qt::OtherFocusReason);
}

QString PasswordDialog::password() const
{
    return typed->text();
}

bool PasswordDialog::remember() const
{
    return remembered->isChecked();
}
