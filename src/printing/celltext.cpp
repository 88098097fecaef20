#include "printing/celltext.h"

#include <QGlyphRun>
#include <QTextBoundaryFinder>
#include <QTextLayout>

#include <algorithm>
#include <numeric>

namespace
{

const QChar ellipsis(0x2026);

// What Qt shapes by the face's glyphs and kerning alone: Latin, and from U+2000 signs and
// emoji; no marks, controls or soft hyphen.
bool plain(char32_t c)
{
    if (c < 0x250)
        return (c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c != 0xAD);
    const QChar::Category category = QChar::category(c);
    return category != QChar::Mark_NonSpacing && category != QChar::Mark_SpacingCombining &&
           category != QChar::Mark_Enclosing && category != QChar::Other_Format &&
           category != QChar::Separator_Line && category != QChar::Separator_Paragraph &&
           category != QChar::Other_Surrogate && category != QChar::Other_PrivateUse &&
           category != QChar::Other_NotAssigned;
}

} // namespace

void PlacedGlyphs::clear()
{
    glyphs.clear();
    positions.clear();
    characters.clear();
}

CellText::CellText(const QRawFont &own, const QRawFont &emoji) : own(own), emoji(emoji)
{
    // As Qt measures the ellipsis it appends: the list's face alone, unkerned.
    const QVector<quint32> glyph = own.glyphIndexesForString(QString(ellipsis));
    ellipsisWidth = own.advancesForGlyphIndexes(glyph).value(0).x();
    // The face's own ligatures, as Qt's layout finds them.
    const QFont font(own.familyName());
    for (const char *letters : {"ffi", "ffl", "ff", "fi", "fl"}) {
        QTextLayout layout(QLatin1String(letters), font);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        const QList<QGlyphRun> runs = layout.glyphRuns();
        if (runs.size() == 1 && runs.first().glyphIndexes().size() == 1)
            ligatures.append({QLatin1String(letters), runs.first().glyphIndexes().first()});
    }
}

bool CellText::shape(const QString &text, QVector<Run> &runs) const
{
    // Most texts are the list's face's alone.
    const auto latin = [](QChar c) { return c.unicode() < 0x250 && plain(c.unicode()); };
    if (std::all_of(text.begin(), text.end(), latin)) {
        runs.append({false, text, {}, {}, {}});
        runs.last().startOf.resize(text.size());
        std::iota(runs.last().startOf.begin(), runs.last().startOf.end(), 0);
    } else {
        for (int at = 0; at < text.size();) {
            const bool pair = text.at(at).isHighSurrogate() && at + 1 < text.size() &&
                              text.at(at + 1).isLowSurrogate();
            const char32_t c =
                pair ? QChar::surrogateToUcs4(text.at(at), text.at(at + 1)) : text.at(at).unicode();
            const Kind kind = kindOf(c);
            if (kind == Kind::Other)
                return false;
            if (kind != Kind::Left) {
                if (runs.isEmpty() || runs.last().emoji != (kind == Kind::Emoji))
                    runs.append({kind == Kind::Emoji, {}, {}, {}, {}});
                runs.last().text += text.mid(at, pair ? 2 : 1);
                runs.last().startOf << at;
            }
            at += pair ? 2 : 1;
        }
    }
    for (Run &run : runs) {
        const QRawFont &face = run.emoji ? emoji : own;
        run.glyphs = face.glyphIndexesForString(run.text);
        if (run.glyphs.size() != run.startOf.size() || run.glyphs.contains(0))
            return false;
        if (!run.emoji && run.text.contains(QLatin1Char('f')))
            joinLigatures(run);
        run.advances = face.advancesForGlyphIndexes(run.glyphs, QRawFont::KernedAdvances);
    }
    return true;
}

// Longest first at each place, as Qt joins them; a ligature starts where its first letter
// does.
void CellText::joinLigatures(Run &run) const
{
    QVector<quint32> glyphs;
    QVector<int> startOf;
    for (int i = 0; i < run.glyphs.size();) {
        const auto joined = std::find_if(ligatures.begin(), ligatures.end(), [&](const auto &l) {
            return run.text.midRef(i, l.first.size()) == l.first;
        });
        glyphs << (joined == ligatures.end() ? run.glyphs.at(i) : joined->second);
        startOf << run.startOf.at(i);
        i += joined == ligatures.end() ? 1 : joined->first.size();
    }
    run.glyphs = glyphs;
    run.startOf = startOf;
}

CellText::Kind CellText::kindOf(char32_t c) const
{
    if (c == 0x200D || c == 0xFE0E || c == 0xFE0F)
        return Kind::Left;
    if (c < 0x250)
        return plain(c) ? Kind::Own : Kind::Other;
    if (c < 0x2000 || !plain(c))
        return Kind::Other;
    if (emoji.isValid() && emoji.supportsCharacter(c) && (c > 0xFFFF || !own.supportsCharacter(c)))
        return Kind::Emoji;
    return c <= 0x2BFF ? Kind::Own : Kind::Other;
}

// As Qt's elidedText for ElideRight: whole characters (graphemes) as long as they stay
// narrower than the width less the ellipsis, the first that reaches it left out too.
QString CellText::elided(const QString &text, const QVector<Run> &runs, qreal width) const
{
    QVector<qreal> widthAt(text.size() + 1, 0);
    for (const Run &run : runs)
        for (int i = 0; i < run.glyphs.size(); ++i)
            widthAt[run.startOf.at(i)] = run.advances.at(i).x();
    qreal whole = 0;
    for (const qreal advance : widthAt)
        whole += advance;
    if (whole <= width || text.size() <= 1)
        return text;
    const qreal available = width - ellipsisWidth;
    if (available < 0)
        return QString();
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    qreal current = 0;
    int position = 0;
    int next = 0;
    do {
        position = next;
        next = graphemes.toNextBoundary();
        for (int i = position; i < next; ++i)
            current += widthAt.at(i);
    } while (next < text.size() && current < available);
    return text.left(position) + ellipsis;
}

bool CellText::place(const QString &text, int width, const QPointF &origin, PlacedGlyphs &own,
                     PlacedGlyphs &emoji) const
{
    QVector<Run> runs;
    if (!shape(text, runs))
        return false;
    const QString shown = elided(text, runs, width);
    if (shown.size() != text.size() || shown != text) {
        runs.clear();
        if (!shape(shown, runs))
            return false;
    }
    qreal x = origin.x();
    for (const Run &run : runs) {
        PlacedGlyphs &placed = run.emoji ? emoji : own;
        for (int i = 0; i < run.glyphs.size(); ++i) {
            placed.glyphs << run.glyphs.at(i);
            placed.positions << QPointF(x, origin.y());
            x += run.advances.at(i).x();
        }
        if (run.emoji)
            for (const uint character : run.text.toUcs4())
                placed.characters << character;
    }
    return true;
}
