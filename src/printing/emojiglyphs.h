#pragma once

#include <QFont>
#include <QHash>
#include <QMap>
#include <QRawFont>

class QPaintDevice;
struct PlacedGlyphs;

// The face the list falls back to for emoji: Symbola (Debian's fonts-symbola), an outline
// face, which a PDF embeds; a colour emoji face draws nothing there. Its PostScript name,
// by which a PDF names it, is the same.
extern const char emojiFamily[];
QFont withEmojiFallback(QFont font);
// The emoji face at the font's size as the device draws it; invalid where it is missing.
QRawFont emojiFace(const QFont &font, QPaintDevice *device);

// The emoji face's glyphs drawn, numbered as Qt's PDF engine numbers a face's glyphs in the
// file: from 1 in the order first drawn (0 is the missing glyph), each with the character
// it shows.
class EmojiGlyphs
{
public:
    EmojiGlyphs(const QRawFont &own, const QRawFont &emoji);
    // In the order drawn: a text the painter lays out with a font that falls back to the
    // emoji face, or glyphs placed on their own.
    void noteLaidOut(const QString &text, const QFont &font, QPaintDevice *device);
    void notePlaced(const PlacedGlyphs &placed);
    const QMap<int, char32_t> &characters() const { return characterOfGlyph; }

private:
    bool ownFaceAlone(const QString &text) const;
    void note(quint32 glyph, char32_t character);

    QRawFont own, emoji;
    QHash<quint32, int> numberOfGlyph;
    QMap<int, char32_t> characterOfGlyph;
};
