#include "window/deleteddialog.h"

#include "window/logtable.h"

#include <QDialogButtonBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTableWidget>
#include <QVBoxLayout>

DeletedDialog::DeletedDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DeletedDialog"));
    setWindowTitle(QStringLiteral("Silinenler"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Silinen kişiler, defterin saklama süresi "
                                                "boyunca burada kalır."),
                                 this));
    table = newLogTable({QStringLiteral("Ad Soyad"), QStringLiteral("Telefon"),
                         QStringLiteral("Cep"), QStringLiteral("Mail"), QStringLiteral("Silen"),
                         QStringLiteral("Silindiği Zaman")},
                        this);
    layout->addWidget(table);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *restore =
        buttons->addButton(QStringLiteral("Geri Getir"), QDialogButtonBox::ActionRole);
    QPushButton *group = buttons->addButton(QStringLiteral("Birlikte Silinenleri Seç"),
                                            QDialogButtonBox::ActionRole);
    QPushButton *forget =
        buttons->addButton(QStringLiteral("Kalıcı Olarak Sil…"), QDialogButtonBox::ActionRole);
    buttons->addButton(QStringLiteral("Kapat"), QDialogButtonBox::RejectRole);
    needChoice = {restore, group, forget};
    changing = {restore, forget};
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(restore, &QPushButton::clicked, this, [this] { emit restoreAsked(chosen()); });
    connect(forget, &QPushButton::clicked, this, [this] { emit forgetAsked(chosen()); });
    connect(group, &QPushButton::clicked, this, &DeletedDialog::chooseTheirGroups);
    connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &DeletedDialog::allowWhatIsChosen);
    layout->addWidget(buttons);
    resize(760, 420);
    allowWhatIsChosen();
}

void DeletedDialog::setDeletions(const QVector<LoggedChange> &shown)
{
    deletions = shown;
    QVector<QStringList> rows;
    for (const LoggedChange &deletion : deletions)
        rows << QStringList{deletion.before.adsoyad,
                            deletion.before.telefon,
                            deletion.before.cep,
                            deletion.before.mail,
                            deletion.who,
                            shownTime(deletion.time)};
    fillLogTable(table, rows);
    allowWhatIsChosen();
}

QVector<LoggedChange> DeletedDialog::chosen() const
{
    QVector<LoggedChange> picked;
    for (const int row : selectedLogRows(table))
        picked << deletions.at(row);
    return picked;
}

void DeletedDialog::chooseTheirGroups()
{
    QSet<QString> groups;
    for (const LoggedChange &deletion : chosen())
        groups << deletion.group;
    for (int row = 0; row < deletions.size(); ++row)
        if (groups.contains(deletions.at(row).group))
            table->selectionModel()->select(table->model()->index(row, 0),
                                            QItemSelectionModel::Select |
                                                QItemSelectionModel::Rows);
}

void DeletedDialog::allowWhatIsChosen()
{
    const bool any = table->selectionModel()->hasSelection();
    for (QPushButton *button : needChoice)
        button->setEnabled(any && (refusal.isEmpty() || !changing.contains(button)));
}

void DeletedDialog::refuseChanges(const QString &why)
{
    refusal = why;
    for (QPushButton *button : changing)
        button->setToolTip(why);
    allowWhatIsChosen();
}
