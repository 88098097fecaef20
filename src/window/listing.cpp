// The list: what it shows, in which order, how wide its columns are, and the count.
#include "window/mainwindow.h"

#include "form/mainwindowform.h"
#include "index/phonebookindex.h"
#include "list/listorder.h"
#include "list/orderrebuild.h"
#include "list/phonebooklistmodel.h"
#include "platform/freedmemory.h"
#include "store/entries.h"
#include "store/listing.h"
#include "store/phonebookdb.h"
#include "window/backgroundwork.h"
#include "window/cuttexttooltips.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QScrollBar>
#include <QSet>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace
{

// The widest a number column grows: a whole 17-character number ("+90 532 111 22 33").
constexpr int longestNumber = 17;

// The width a cell of the view needs to show the text whole, as its delegate measures it
// (the style's margins, the style sheet's too), and its grid line.
int cellWidthFor(const QTableView *view, const QString &text)
{
    QStyleOptionViewItem cell;
    cell.initFrom(view);
    cell.font = view->font();
    cell.fontMetrics = QFontMetrics(cell.font);
    cell.features |= QStyleOptionViewItem::HasDisplay;
    cell.text = text;
    cell.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    return view->style()->sizeFromContents(QStyle::CT_ItemViewItem, &cell, QSize(), view).width() +
           (view->showGrid() ? 1 : 0);
}

// Wide enough for a whole number of up to 17 characters in the list's own font, which the
// desktop chooses: a plus and sixteen of the widest digit or separator.
int widestNumberWidth(const QTableView *view)
{
    const QFontMetrics metrics(view->font());
    QChar widest = QLatin1Char('0');
    for (const QChar c : QStringLiteral("0123456789 ()-."))
        if (metrics.horizontalAdvance(c) > metrics.horizontalAdvance(widest))
            widest = c;
    return cellWidthFor(view, QLatin1Char('+') + QString(longestNumber - 1, widest));
}

// Never narrower than the view's default, never wider than a whole number.
int boundNumberWidth(const QTableView *view, int width)
{
    const int narrowest = view->horizontalHeader()->defaultSectionSize();
    return qBound(narrowest, width, qMax(narrowest, widestNumberWidth(view)));
}

// Whole rows from one column to another, each run of neighbouring rows one range: a
// selection of a million rows stays a handful of ranges.
QItemSelection rowsSelection(const QAbstractItemModel *model, const QVector<int> &rows,
                             int firstColumn)
{
    QItemSelection selection;
    for (int i = 0; i < rows.size();) {
        int last = i;
        while (last + 1 < rows.size() && rows.at(last + 1) == rows.at(last) + 1)
            ++last;
        selection.select(model->index(rows.at(i), firstColumn), model->index(rows.at(last), 4));
        i = last + 1;
    }
    return selection;
}

// What a changed entry is placed by in an order: its value as stored.
ListOrder::ValueOf storedValueOf(EntryColumn column)
{
    return [column](qint64 id) {
        const std::optional<Entry> entry = readEntry(id);
        return entry ? textIn(*entry, column) : QString();
    };
}

QString people(qint64 count)
{
    return QLocale(QLocale::Turkish, QLocale::Turkey).toString(count) + QStringLiteral(" kişi");
}

} // namespace

void MainWindow::listAll()
{
    followOtherPrograms();
    listedSearch.reset();
    // The box never names a search the list no longer obeys: a row clicked in the list
    // must be one the box's text would find.
    if (!form->txt_ara->text().isEmpty()) {
        const QSignalBlocker quiet(form->txt_ara);
        form->txt_ara->clear();
    }
    showFound(QString());
}

void MainWindow::listSearch(const QString &text)
{
    followOtherPrograms();
    listedSearch = text;
    showFound(text);
}

void MainWindow::showFound(const QString &text)
{
    // A list still being read for the last text is not read on.
    ++listing;
    moreToList = false;
    listBehind = false;
    if (const SearchIndex *index = searchIndex->ready()) {
        // A sorted list picks what the index marked out of the order, none looked up.
        showInListOrder(order ? order->arrange(index->find(text).bits, index->allIds())
                              : index->search(text));
        return;
    }
    // A sorted list orders every id at once.
    if (order) {
        showListed(searchIds(text));
        return;
    }
    // The store reads the first screen, and the rest a chunk at a time while the window
    // waits for the next key.
    const QVector<qint64> first = searchIdsAfter(text, 0, firstChunk);
    moreToList = first.size() == firstChunk;
    showListed(first);
    if (moreToList)
        QTimer::singleShot(0, this, [this, text, generation = listing] {
            if (generation == listing)
                listMore(text);
        });
}

void MainWindow::listMore(const QString &text)
{
    if (!moreToList)
        return;
    const QVector<qint64> more = searchIdsAfter(text, list->ids().last(), laterChunk);
    moreToList = more.size() == laterChunk;
    list->append(more);
    showCount();
    if (moreToList)
        QTimer::singleShot(0, this, [this, text, generation = listing] {
            if (generation == listing)
                listMore(text);
        });
}

void MainWindow::listWhole()
{
    while (moreToList)
        listMore(listedSearch.value_or(QString()));
}

void MainWindow::showListed(const QVector<qint64> &storedOrder)
{
    showInListOrder(order ? order->arrange(storedOrder) : storedOrder);
}

void MainWindow::showInListOrder(const QVector<qint64> &ids)
{
    list->show(ids);
    QTableView *view = form->tbl_liste;
    if (view->model() != list)
        view->setModel(list);
    view->hideColumn(0);
    view->setColumnWidth(1, 200);
    view->setColumnWidth(4, 140);
    fitColumns();
    if (order)
        view->horizontalHeader()->setSortIndicator(int(order->column()), order->direction());
    showCount();
}

void MainWindow::followOtherPrograms()
{
    QString lost;
    keepPhoneBookConnection(lost);
    tryWriteAheadLog();
    const qint64 version = bookVersion();
    if (version == seenVersion)
        return;
    const bool seenBefore = seenVersion >= 0;
    seenVersion = version;
    changedWhileSorting = true;
    bookSize = -1;
    // Another program's commit: the index, or the one being built, may miss it. What the
    // index finds changed moves in the order and the columns, at once when it was little,
    // otherwise when the reading arrives.
    takingChangesIn = true;
    const bool indexListsChanges = seenBefore && searchIndex->refresh();
    takingChangesIn = false;
    if (indexListsChanges) {
        changesAwaited = searchIndex->readingChanges() && searchIndex->ready();
        return;
    }
    numberColumnWidth = -1;
    if (order)
        sortAgain();
}

void MainWindow::sortChangesElsewhere(const QVector<Entry> &present, const QVector<qint64> &gone,
                                      bool whole)
{
    bookSize = -1;
    const bool awaited = std::exchange(changesAwaited, false);
    fitNumbersAfter(present, gone, whole);
    if (order) {
        // One entry moves at the cost of a pass over the order; many are sorted afresh.
        constexpr int fewChanges = 256;
        if (whole || present.size() + gone.size() > fewChanges) {
            sortAgain();
        } else {
            for (const qint64 id : gone)
                order->forget(id);
            for (const Entry &entry : present)
                order->place(entry);
        }
    }
    shareIndexIds();
    if ((whole || !present.isEmpty() || !gone.isEmpty()) && (order || awaited) && !takingChangesIn)
        listAgainWhenNoBoxIsOpen();
}

void MainWindow::listAgainWhenNoBoxIsOpen()
{
    if (!QApplication::activeModalWidget()) {
        listAgainInPlace();
        return;
    }
    // Once the box has closed, unless the list is listed again meanwhile.
    constexpr int boxCheckMs = 100;
    if (std::exchange(listBehind, true))
        return;
    QTimer::singleShot(boxCheckMs, this, [this] {
        if (std::exchange(listBehind, false))
            listAgainWhenNoBoxIsOpen();
    });
}

void MainWindow::sortAgain()
{
    if (order->size() < std::size_t(sortedAtOnce)) {
        rebuild->stop();
        order->build(columnValues(order->column()));
        return;
    }
    rebuild->start(
        bookAddress(), order->column(), order->direction(), storedValueOf(order->column()),
        [this](std::unique_ptr<ListOrder> rebuilt) { takeRebuiltOrder(std::move(rebuilt)); });
}

void MainWindow::takeRebuiltOrder(std::unique_ptr<ListOrder> rebuilt)
{
    // Turned round meanwhile; another column or the stored order stopped the rebuild.
    if (rebuilt->direction() != order->direction())
        rebuilt->reverse();
    order = std::move(rebuilt);
    shareIndexIds();
    listAgainWhenNoBoxIsOpen();
}

void MainWindow::shareIndexIds()
{
    const SearchIndex *index = searchIndex->ready();
    if (!index)
        return;
    if (order)
        order->shareIds(index->allIds());
    if (!listedSearch && !order && !moreToList)
        list->shareIds(index->allIds());
}

void MainWindow::followChangesElsewhere()
{
    if (QApplication::activeModalWidget() || bookVersion() == seenVersion)
        return;
    followOtherPrograms();
    // Read in the background, they are listed when they arrive.
    if (!changesAwaited)
        listAgainInPlace();
}

void MainWindow::listAgainInPlace()
{
    QTableView *view = form->tbl_liste;
    QSet<qint64> selected;
    for (const QItemSelectionRange &range : view->selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            selected << list->ids().value(row);
    const QModelIndex current = view->currentIndex();
    const qint64 currentId = current.isValid() ? list->ids().value(current.row()) : -1;
    const int column = current.isValid() ? current.column() : 1;
    const QPoint scrolled(view->horizontalScrollBar()->value(), view->verticalScrollBar()->value());
    const int shownBefore = list->rowCount();
    if (listedSearch)
        listSearch(*listedSearch);
    else
        listAll();
    // The rows the user had reached are there again.
    while (moreToList && list->rowCount() < shownBefore)
        listMore(listedSearch.value_or(QString()));
    view->selectionModel()->select(rowsSelection(list, list->rowsOf(selected), 0),
                                   QItemSelectionModel::ClearAndSelect);
    if (const int row = list->rowOf(currentId); row >= 0)
        view->selectionModel()->setCurrentIndex(list->index(row, column),
                                                QItemSelectionModel::NoUpdate);
    view->horizontalScrollBar()->setValue(scrolled.x());
    view->verticalScrollBar()->setValue(scrolled.y());
}

void MainWindow::noteOwnChange(const QVector<Entry> &present, const QVector<qint64> &gone)
{
    bookSize = -1;
    fitNumbersAfter(present, gone, false);
    for (const qint64 id : gone)
        searchIndex->forget(id);
    for (const Entry &entry : present)
        searchIndex->place(entry);
    if (!order)
        return;
    for (const qint64 id : gone)
        order->forget(id);
    for (const Entry &entry : present)
        order->place(entry);
    rebuild->noteOwnChange(present, gone);
    shareIndexIds();
}

void MainWindow::fitColumns()
{
    QTableView *view = form->tbl_liste;
    if (numberColumnWidth < 0) {
        // As wide as the widest number the book holds, so that the mail column is in view
        // whenever the numbers allow; never wider than a whole 17-character number, never
        // narrower than the view's default.
        int widest = 0;
        widestNumbers.clear();
        for (const EntryColumn column : {EntryColumn::Phone, EntryColumn::Mobile})
            for (const auto &[id, number] : longestValues(column, 8)) {
                widest = qMax(widest, cellWidthFor(view, number));
                widestNumbers << id;
            }
        numberColumnWidth = boundNumberWidth(view, widest);
    }
    view->setColumnWidth(2, numberColumnWidth);
    view->setColumnWidth(3, numberColumnWidth);
}

void MainWindow::fitNumbersAfter(const QVector<Entry> &present, const QVector<qint64> &gone,
                                 bool whole)
{
    if (numberColumnWidth < 0)
        return;
    QTableView *view = form->tbl_liste;
    const auto widthOf = [view](const Entry &entry) {
        return boundNumberWidth(
            view, qMax(cellWidthFor(view, entry.telefon), cellWidthFor(view, entry.cep)));
    };
    bool narrowed = whole;
    for (const qint64 id : gone)
        narrowed = narrowed || widestNumbers.contains(id);
    for (const Entry &entry : present)
        narrowed =
            narrowed || (widestNumbers.contains(entry.id) && widthOf(entry) < numberColumnWidth);
    if (narrowed) {
        numberColumnWidth = -1;
        fitColumns();
        return;
    }
    // As the book's widest are found: the longest by characters are measured.
    constexpr int measured = 8;
    QVector<const Entry *> longest;
    for (const Entry &entry : present)
        longest << &entry;
    const auto length = [](const Entry *entry) {
        return qMax(entry->telefon.size(), entry->cep.size());
    };
    const int kept = qMin(measured, longest.size());
    std::partial_sort(longest.begin(), longest.begin() + kept, longest.end(),
                      [&](const Entry *a, const Entry *b) { return length(a) > length(b); });
    for (int i = 0; i < kept; ++i) {
        const int width = widthOf(*longest.at(i));
        if (width < numberColumnWidth)
            continue;
        numberColumnWidth = width;
        widestNumbers << longest.at(i)->id;
    }
    fitColumns();
}

void MainWindow::showCount()
{
    const int listed = list->rowCount();
    if (!listedSearch && !moreToList)
        bookSize = listed;
    else if (bookSize < 0)
        bookSize = searchIndex->ready() ? searchIndex->ready()->allIds().size() : entryCount();
    // While the rest of a long list is read, the count so far.
    const QString text = listed == bookSize
                             ? people(bookSize)
                             : QLocale(QLocale::Turkish, QLocale::Turkey).toString(listed) +
                                   (moreToList ? QStringLiteral("… / ") : QStringLiteral(" / ")) +
                                   people(bookSize);
    countLabel->setText(text);
    countLabel->adjustSize();
    QLineEdit *search = form->txt_ara;
    countLabel->setGeometry(search->width() - countLabel->width(), 0, countLabel->width(),
                            search->height());
    search->setTextMargins(0, 0, countLabel->width(), 0);
    const QString tooltip =
        QStringLiteral("Listede %1, defterde %2 var.").arg(people(listed), people(bookSize));
    search->setToolTip(tooltip);
    countLabel->setAccessibleName(tooltip);
}

void MainWindow::selectEntries(const QVector<qint64> &ids)
{
    listWhole();
    QTableView *view = form->tbl_liste;
    const QVector<int> rows = list->rowsOf(QSet<qint64>(ids.cbegin(), ids.cend()));
    if (rows.isEmpty())
        return;
    const int first = rows.first();
    view->selectionModel()->select(rowsSelection(list, rows, 1),
                                   QItemSelectionModel::ClearAndSelect);
    view->selectionModel()->setCurrentIndex(list->index(first, 1), QItemSelectionModel::NoUpdate);
    view->scrollTo(list->index(first, 1));
}

void MainWindow::setUpList()
{
    QHeaderView *header = form->tbl_liste->horizontalHeader();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    connect(header, &QHeaderView::sectionClicked, this, &MainWindow::sortBy);
    form->tbl_liste->setItemDelegate(new CutTextToolTips(form->tbl_liste));
    // The count of entries, inside the search box at its right end, drawn over it.
    countLabel = new QLabel(form->txt_ara);
    countLabel->setObjectName(QStringLiteral("lbl_sayi"));
    countLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    countLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // The search box's own style sheet would reach its child otherwise.
    countLabel->setStyleSheet(
        QStringLiteral("QLabel { background: transparent; border: none; padding: 0px 6px 0px 6px; "
                       "color: rgb(185, 185, 185); }"));
}

void MainWindow::sortBy(int column)
{
    if (column < 1 || column > 4 || sortingInBackground)
        return;
    const auto sorted = EntryColumn(column);
    followOtherPrograms();
    QHeaderView *header = form->tbl_liste->horizontalHeader();
    if (order && order->column() == sorted && order->direction() == Qt::DescendingOrder) {
        rebuild->stop();
        order.reset();
        header->setSortIndicatorShown(false);
    } else if (order && order->column() == sorted) {
        order->reverse();
    } else {
        auto byColumn =
            std::make_unique<ListOrder>(sorted, Qt::AscendingOrder, storedValueOf(sorted));
        if (!sortWholeBook(*byColumn))
            return;
        rebuild->stop();
        order = std::move(byColumn);
        // Another program's changes since the values were read, seldom: sorted in afresh.
        if (changedWhileSorting)
            sortAgain();
        shareIndexIds();
        header->setSortIndicatorShown(true);
    }
    // Read now: the search may have changed while a large book was sorted. The index
    // picks the list out of the order, holding no second list of every id.
    if (searchIndex->ready()) {
        showFound(listedSearch.value_or(QString()));
    } else {
        listWhole();
        QVector<qint64> ids = list->ids();
        std::sort(ids.begin(), ids.end());
        showListed(ids);
    }
    // What ordering and showing again took for a while, the old list too.
    releaseFreedMemory();
}

bool MainWindow::sortWholeBook(ListOrder &byColumn)
{
    changedWhileSorting = false;
    if ((bookSize >= 0 ? bookSize : entryCount()) < sortedAtOnce)
        return byColumn.build(columnValues(byColumn.column()));
    sortingInBackground = true;
    // Read in the thread too: a million values take a while.
    const bool sorted =
        runBehindProgress(this, QStringLiteral("Sıralama"), QStringLiteral("Liste sıralanıyor…"),
                          [&byColumn, book = bookAddress()](const Progress &going) {
                              return buildFromBook(byColumn, book, going);
                          });
    sortingInBackground = false;
    return sorted;
}
