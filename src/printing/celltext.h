#pragma once

#include <QPointF>
#include <QRawFont>
#include <QString>
#include <QVector>

// Glyphs of one face placed on a page; of the emoji face, each with the character it shows.
struct PlacedGlyphs {
    QVector<quint32> glyphs;
    QVector<QPointF> positions;
    QVector<char32_t> characters;
    void clear();
};

// A cell's text as glyphs of two faces: the list's own face for Latin letters, digits and
// signs, the emoji face for the emoji it lacks and for every emoji beyond U+FFFF (whose
// text Qt's PDF engine loses but for that face, see pdfglyphtext.h). Qt's layout places
// such text in the same way, each face's glyphs with its kerning and nothing more, and cuts
// it with an ellipsis in the same place (only the kerning may differ by a 64th of a device
// pixel), but takes several times as long. Variation selectors and joiners are left out:
// neither face joins or colours emoji.
class CellText
{
public:
    // The faces at the size the device draws them; an invalid emoji face is none.
    CellText(const QRawFont &own, const QRawFont &emoji);
    // Places the text from the origin on its baseline, cut to the width as
    // QFontMetrics::elidedText cuts it; false, placing nothing, for any other text.
    bool place(const QString &text, int width, const QPointF &origin, PlacedGlyphs &own,
               PlacedGlyphs &emoji) const;

private:
    // Glyphs of the list's face, of the emoji face, none, or text left to Qt.
    enum class Kind { Own, Emoji, Left, Other };
    struct Run {
        bool emoji = false;
        QString text;
        QVector<int> startOf; // where each character of the run starts in the cell's text
        QVector<QPointF> advances;
        QVector<quint32> glyphs;
    };
    Kind kindOf(char32_t c) const;
    bool shape(const QString &text, QVector<Run> &runs) const;
    void joinLigatures(Run &run) const;
    QString elided(const QString &text, const QVector<Run> &runs, qreal width) const;

    QRawFont own, emoji;
    qreal ellipsisWidth = 0;
    QVector<QPair<QString, quint32>> ligatures;
};
