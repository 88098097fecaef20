#include "printing/phonelist.h"

#include "exchange/nativefile.h"
#include "printing/celltext.h"
#include "printing/emojiglyphs.h"
#include "printing/pdfglyphtext.h"

#include <QFile>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QLocale>
#include <QPainter>
#include <QPrinter>
#include <QTextLayout>

#include <algorithm>
#include <memory>

namespace
{

// Each column's share of the width: name, phone, mobile, mail.
constexpr double shares[] = {0.28, 0.19, 0.19, 0.34};
const char *const captions[] = {"Ad Soyad", "Telefon", "Cep", "Mail"};

QString turkishDate(const QDate &date)
{
    return QLocale(QLocale::Turkish, QLocale::Turkey).toString(date, QStringLiteral("d MMMM yyyy"));
}

class PhoneListPages
{
public:
    PhoneListPages(QPrinter &printer, QPainter &painter)
        : painter(painter), area(printer.pageLayout().paintRectPixels(printer.resolution()))
    {
        // Fonts in points, whatever the printer's resolution; a face with every Turkish
        // letter, and emoji from a face that a PDF can embed.
        body = withEmojiFallback(QFont(QStringLiteral("DejaVu Sans")));
        body.setPointSizeF(8.5);
        bold = body;
        bold.setBold(true);
        heading = bold;
        heading.setPointSizeF(13);
        painter.setFont(body);
        const QRawFont own = QRawFont::fromFont(painter.font());
        const QRawFont emoji = emojiFace(body, painter.device());
        cells.reset(new CellText(own, emoji));
        emojiDrawn.reset(new EmojiGlyphs(own, emoji));
        placedOwn.setRawFont(own);
        placedEmoji.setRawFont(emoji);
        line = int(QFontMetrics(body, painter.device()).height() * 1.35);
        top = int(QFontMetrics(heading, painter.device()).height() * 1.6) + line * 2;
        rowsPerPage = qMax(1, (area.height() - top - line * 2) / line);
        int left = 0;
        for (int column = 0; column < 4; ++column) {
            const int width = int(area.width() * shares[column]);
            columns[column] = QRect(left, 0, width - line / 3, line);
            left += width;
        }
        // Where the painter puts the baseline of a line centred in a cell.
        QTextLayout probe(QStringLiteral("x"), painter.font(), painter.device());
        probe.beginLayout();
        const QTextLine probed = probe.createLine();
        probe.endLayout();
        baseline = (line - (probed.ascent() + probed.descent())) / 2 + probed.ascent();
    }

    int pagesFor(int entries) const { return qMax(1, (entries + rowsPerPage - 1) / rowsPerPage); }

    bool draw(QPrinter &printer, const QVector<Entry> &entries, const QDate &date,
              const PageProgress &progress)
    {
        const int pages = pagesFor(entries.size());
        const QString title = QStringLiteral("Telefon Listesi");
        const QString subtitle = QStringLiteral("%1 · %2 kişi")
                                     .arg(turkishDate(date))
                                     .arg(QLocale(QLocale::Turkish).toString(entries.size()));
        for (int page = 0; page < pages; ++page) {
            if (progress && !progress(page, pages))
                return false;
            if (page > 0)
                printer.newPage();
            painter.setFont(heading);
            painter.drawText(QRect(0, 0, area.width(), top - line * 2),
                             Qt::AlignLeft | Qt::AlignVCenter, title);
            painter.setFont(body);
            painter.drawText(QRect(0, 0, area.width(), top - line * 2),
                             Qt::AlignRight | Qt::AlignVCenter, subtitle);
            painter.setFont(bold);
            for (int column = 0; column < 4; ++column)
                painter.drawText(columns[column].translated(0, top - line),
                                 Qt::AlignLeft | Qt::AlignVCenter, captions[column]);
            painter.drawLine(0, top, area.width(), top);
            painter.setFont(body);
            const int first = page * rowsPerPage;
            const int last = qMin(entries.size(), first + rowsPerPage);
            for (int i = first; i < last; ++i) {
                const Entry &entry = entries.at(i);
                row(top + (i - first) * line,
                    {entry.adsoyad, entry.telefon, entry.cep, entry.mail});
            }
            drawPlaced();
            painter.drawText(QRect(0, area.height() - line, area.width(), line), Qt::AlignCenter,
                             QStringLiteral("Sayfa %1 / %2").arg(page + 1).arg(pages));
        }
        return true;
    }

    const QMap<int, char32_t> &emojiCharacters() const { return emojiDrawn->characters(); }

private:
    void row(int y, const QStringList &texts)
    {
        for (int column = 0; column < 4; ++column) {
            const QRect cell = columns[column].translated(0, y);
            // One line a cell: a line break in a value is a space here.
            const QString text = texts.at(column).simplified();
            // Placed by hand where it can be: Qt's layout of every cell took most of the time.
            if (text.isEmpty() ||
                cells->place(text, cell.width(), QPointF(cell.left(), cell.top() + baseline), own,
                             emoji))
                continue;
            const QString shown =
                painter.fontMetrics().elidedText(text, Qt::ElideRight, cell.width());
            emojiDrawn->noteLaidOut(shown, painter.font(), painter.device());
            painter.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter, shown);
        }
    }

    // The page's placed glyphs, a face at a time.
    void drawPlaced()
    {
        for (auto [placed, run] : {std::make_pair(&own, &placedOwn), {&emoji, &placedEmoji}}) {
            if (placed->glyphs.isEmpty())
                continue;
            run->setGlyphIndexes(placed->glyphs);
            run->setPositions(placed->positions);
            painter.drawGlyphRun(QPointF(), *run);
            if (placed == &emoji)
                emojiDrawn->notePlaced(emoji);
            placed->clear();
        }
    }

    QPainter &painter;
    const QRect area;
    QFont body, bold, heading;
    std::unique_ptr<CellText> cells;
    std::unique_ptr<EmojiGlyphs> emojiDrawn;
    PlacedGlyphs own, emoji;
    QGlyphRun placedOwn, placedEmoji;
    int line = 0, top = 0, rowsPerPage = 1;
    qreal baseline = 0;
    QRect columns[4];
};

} // namespace

namespace
{

bool drawPhoneList(QPrinter &printer, const QVector<Entry> &entries, const QDate &date,
                   const PageProgress &progress, QMap<int, char32_t> *emojiCharacters = nullptr)
{
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    printer.setDocName(QStringLiteral("Telefon Listesi"));
    QPainter painter(&printer);
    PhoneListPages pages(printer, painter);
    if (!pages.draw(printer, entries, date, progress))
        return false;
    if (emojiCharacters)
        *emojiCharacters = pages.emojiCharacters();
    return true;
}

} // namespace

bool printPhoneList(QPrinter &printer, const QVector<Entry> &entries, const QDate &date,
                    const PageProgress &progress)
{
    return drawPhoneList(printer, entries, date, progress);
}

bool writePhoneListPdf(const QByteArray &path, const QVector<Entry> &entries, const QDate &date,
                       QString &error, const PageProgress &progress)
{
    QString why;
    const auto refuse = [&] {
        error = QFile::decodeName(path) + QStringLiteral(": ") + why;
        return false;
    };
    ScratchFile scratch(path);
    if (!scratch.exists(why))
        return refuse();
    QMap<int, char32_t> emojiCharacters;
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QFile::decodeName(scratch.path()));
        printer.setCreator(QStringLiteral("Telefon Defteri"));
        if (!drawPhoneList(printer, entries, date, progress, &emojiCharacters)) {
            why = stoppedWriting();
            return refuse();
        }
        if (printer.printerState() == QPrinter::Error) {
            why = QStringLiteral("PDF yazılamadı");
            return refuse();
        }
    }
    if (!emojiCharacters.isEmpty() &&
        !addGlyphText(scratch.path(), emojiFamily, emojiCharacters, why))
        return refuse();
    return scratch.replaceTarget(why) || refuse();
}
