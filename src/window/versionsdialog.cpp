#include "window/versionsdialog.h"

#include "window/logtable.h"

#include <QDialogButtonBox>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace
{

QString whatChanged(const LoggedChange &version)
{
    switch (version.kind) {
    case LoggedChange::Kind::Added:
        return QStringList{version.after.adsoyad, version.after.telefon, version.after.cep,
                           version.after.mail}
            .join(QStringLiteral(", "));
    case LoggedChange::Kind::Deleted:
        return QString();
    case LoggedChange::Kind::Changed:
        break;
    }
    return changedFields(version.before, version.after).join(QStringLiteral("; "));
}

} // namespace

VersionsDialog::VersionsDialog(const QString &name, const QVector<LoggedChange> &shown,
                               QWidget *parent)
    : QDialog(parent), versions(shown)
{
    setObjectName(QStringLiteral("VersionsDialog"));
    setWindowTitle(QStringLiteral("Geçmiş: %1").arg(name));
    auto *layout = new QVBoxLayout(this);
    table = newLogTable({QStringLiteral("Zaman"), QStringLiteral("Kim"), QStringLiteral("İşlem"),
                         QStringLiteral("Değişen")},
                        this);
    QVector<QStringList> rows;
    for (const LoggedChange &version : versions)
        rows << QStringList{shownTime(version.time), version.who, shownKind(version.kind),
                            whatChanged(version)};
    fillLogTable(table, rows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(table);
    auto *buttons = new QDialogButtonBox(this);
    bringBack =
        buttons->addButton(QStringLiteral("Bu Sürümü Geri Getir"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Kapat"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // A deletion leaves no version to bring back; the one before it is.
    const auto allow = [this] {
        const QVector<int> rows = selectedLogRows(table);
        bringBack->setEnabled(rows.size() == 1 &&
                              versions.at(rows.first()).kind != LoggedChange::Kind::Deleted);
    };
    connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this, allow);
    allow();
    layout->addWidget(buttons);
    resize(720, 380);
}

Entry VersionsDialog::chosen() const
{
    const QVector<int> rows = selectedLogRows(table);
    return rows.isEmpty() ? Entry{} : versions.at(rows.first()).after;
}
