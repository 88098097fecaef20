#include "printing/emojiglyphs.h"

#include "printing/celltext.h"

#include <QGlyphRun>
#include <QTextLayout>

#include <algorithm>

const char emojiFamily[] = "Symbola";

QFont withEmojiFallback(QFont font)
{
    font.setFamilies({font.family(), QLatin1String(emojiFamily)});
    return font;
}

QRawFont emojiFace(const QFont &font, QPaintDevice *device)
{
    QFont emoji(QString::fromLatin1(emojiFamily));
    emoji.setPointSizeF(font.pointSizeF());
    const QRawFont face = QRawFont::fromFont(QFont(emoji, device));
    return face.familyName() == QLatin1String(emojiFamily) ? face : QRawFont();
}

EmojiGlyphs::EmojiGlyphs(const QRawFont &own, const QRawFont &emoji) : own(own), emoji(emoji) {}

bool EmojiGlyphs::ownFaceAlone(const QString &text) const
{
    // Below U+0250, Latin, the list's face has every letter.
    const auto beyondLatin = [](QChar c) { return c.unicode() >= 0x250; };
    if (std::none_of(text.begin(), text.end(), beyondLatin))
        return true;
    const QVector<uint> characters = text.toUcs4();
    return std::all_of(characters.begin(), characters.end(),
                       [this](uint c) { return own.supportsCharacter(c); });
}

void EmojiGlyphs::noteLaidOut(const QString &text, const QFont &font, QPaintDevice *device)
{
    if (!emoji.isValid() || ownFaceAlone(text))
        return;
    // The glyphs as the painter draws them, in that order.
    QTextLayout layout(text, font, device);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QVector<uint> characters = text.toUcs4();
    for (const QGlyphRun &run : layout.glyphRuns()) {
        if (run.rawFont().familyName() != QLatin1String(emojiFamily))
            continue;
        for (const quint32 glyph : run.glyphIndexes()) {
            const auto shown = std::find_if(characters.begin(), characters.end(), [&](uint c) {
                return emoji.glyphIndexesForString(QString::fromUcs4(&c, 1)).value(0) == glyph;
            });
            note(glyph, shown == characters.end() ? 0 : char32_t(*shown));
        }
    }
}

void EmojiGlyphs::notePlaced(const PlacedGlyphs &placed)
{
    for (int i = 0; i < placed.glyphs.size(); ++i)
        note(placed.glyphs.at(i), placed.characters.at(i));
}

void EmojiGlyphs::note(quint32 glyph, char32_t character)
{
    if (numberOfGlyph.contains(glyph))
        return;
    const int number = numberOfGlyph.size() + 1;
    numberOfGlyph.insert(glyph, number);
    if (character != 0)
        characterOfGlyph.insert(number, character);
}
