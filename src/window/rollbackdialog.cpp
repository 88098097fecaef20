#include "window/rollbackdialog.h"

#include "window/logtable.h"

#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

RollbackDialog::RollbackDialog(Reader reader, QWidget *parent)
    : QDialog(parent), read(std::move(reader))
{
    setObjectName(QStringLiteral("RollbackDialog"));
    setWindowTitle(QStringLiteral("Defteri Geri Al"));
    auto *layout = new QVBoxLayout(this);
    auto *when = new QFormLayout;
    time = new QDateTimeEdit(QDateTime::currentDateTime().addSecs(-3600), this);
    time->setObjectName(QStringLiteral("since"));
    time->setDisplayFormat(QStringLiteral("d.MM.yyyy HH:mm:ss"));
    time->setCalendarPopup(true);
    when->addRow(QStringLiteral("Bu andan sonraki değişiklikler:"), time);
    layout->addLayout(when);
    summary = new QLabel(this);
    layout->addWidget(summary);
    table = newLogTable({QStringLiteral("Zaman"), QStringLiteral("Kim"), QStringLiteral("İşlem"),
                         QStringLiteral("Ad Soyad"), QStringLiteral("Değişen")},
                        this);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    layout->addWidget(table);
    auto *buttons = new QDialogButtonBox(this);
    rollBack = buttons->addButton(QStringLiteral("Geri Al…"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Kapat"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    connect(time, &QDateTimeEdit::dateTimeChanged, this, &RollbackDialog::readChanges);
    resize(760, 420);
    readChanges();
}

QDateTime RollbackDialog::since() const
{
    return time->dateTime();
}

void RollbackDialog::readChanges()
{
    QString error;
    const auto read = this->read(since(), error);
    shown = read.value_or(QVector<LoggedChange>());
    QVector<QStringList> rows;
    for (const LoggedChange &change : shown) {
        const Entry &named =
            change.kind == LoggedChange::Kind::Deleted ? change.before : change.after;
        rows << QStringList{
            shownTime(change.time), change.who, shownKind(change.kind), named.adsoyad,
            change.kind == LoggedChange::Kind::Changed
                ? changedFields(change.before, change.after).join(QStringLiteral("; "))
                : QString()};
    }
    fillLogTable(table, rows);
    summary->setText(read ? QStringLiteral("%1 değişiklik").arg(shown.size())
                          : QStringLiteral("Değişiklikler okunamadı: ") + error);
    rollBack->setEnabled(!shown.isEmpty());
}
