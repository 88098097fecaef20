#pragma once

#include "store/entry.h"

#include <QAbstractTableModel>
#include <QCache>
#include <QSet>
#include <QVector>

// The list's rows: the ids of the entries it shows, in the order it shows them, with
// each entry's texts read by id a page at a time as the view asks for them. No statement
// stays open between two refreshes, so the list never holds a snapshot of the file.
// Columns as the table names them: id (hidden by the view), adsoyad, telefon, cep, mail.
class PhoneBookListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    // Shows these entries from now on, read afresh.
    void show(const QVector<qint64> &ids);
    // Shows these entries after the others.
    void append(const QVector<qint64> &ids);
    // Holds these ids instead of its own copy when they are the rows shown, in the same
    // order: the memory is shared, nothing is shown anew.
    void shareIds(const QVector<qint64> &same);
    const QVector<qint64> &ids() const { return shown; }
    // -1 when the entry is not listed.
    int rowOf(qint64 id) const;
    // The rows of these entries, ascending, in one pass over the list; those not listed
    // are left out.
    QVector<int> rowsOf(const QSet<qint64> &ids) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    // The page holding the row, read when the view first asks for one of its rows.
    const QVector<Entry> &pageOf(int row) const;

    QVector<qint64> shown;
    mutable QCache<int, QVector<Entry>> pages{16};
};
