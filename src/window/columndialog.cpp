#include "window/columndialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

ColumnDialog::ColumnDialog(const UnknownColumns &columns, const QString &fileName, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Sütunlar"));
    setObjectName(QStringLiteral("columnDialog"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("%1 dosyasının başlığındaki sütunlar tanınmadı. Her sütunda ne "
                                  "olduğunu seçin:")
                       .arg(fileName),
                   this));
    int width = columns.header.size();
    for (const QStringList &row : columns.firstRows)
        width = qMax(width, row.size());
    // The first row of the table chooses; the header's names stand above it, the file's
    // first rows below.
    auto *table = new QTableWidget(columns.firstRows.size() + 1, width, this);
    table->setObjectName(QStringLiteral("columnTable"));
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QStringList header;
    for (int column = 0; column < width; ++column) {
        const QString name = columns.header.value(column).simplified();
        header << (name.isEmpty() ? QStringLiteral("%1. sütun").arg(column + 1) : name);
        auto *role = new QComboBox(table);
        for (const ColumnRole known : columnRoles())
            role->addItem(roleLabel(known), int(known));
        role->setCurrentIndex(columnRoles().indexOf(guessedRole(name)));
        connect(role, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
                &ColumnDialog::allowOnlyWhatNamesSomeone);
        table->setCellWidget(0, column, role);
        roles << role;
        for (int row = 0; row < columns.firstRows.size(); ++row)
            table->setItem(row + 1, column,
                           new QTableWidgetItem(columns.firstRows.at(row).value(column)));
    }
    table->setHorizontalHeaderLabels(header);
    table->verticalHeader()->hide();
    table->resizeColumnsToContents();
    layout->addWidget(table);
    auto *buttons = new QDialogButtonBox(this);
    import = buttons->addButton(QStringLiteral("İçe aktar"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Vazgeç"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    allowOnlyWhatNamesSomeone();
}

ColumnChoice ColumnDialog::choice() const
{
    ColumnChoice chosen;
    for (const QComboBox *role : roles)
        chosen << ColumnRole(role->currentData().toInt());
    return chosen;
}

void ColumnDialog::allowOnlyWhatNamesSomeone()
{
    // Without a name no row becomes an entry; a role given twice loses one column's values.
    bool named = false, twice = false;
    ColumnChoice seen;
    for (const ColumnRole role : choice()) {
        named = named || role == ColumnRole::FullName || role == ColumnRole::FirstName ||
                role == ColumnRole::LastName;
        twice = twice || (role != ColumnRole::Ignored && seen.contains(role));
        seen << role;
    }
    import->setEnabled(named && !twice);
    import->setToolTip(twice ? QStringLiteral("İki sütun aynı şeyi tutamaz.") : QString());
}
