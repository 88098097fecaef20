#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// Qt 5's PDF engine gives a font's glyphs their text (the font's ToUnicode map) only for
// characters of the Basic Multilingual Plane: an emoji is drawn, but searching or copying
// the PDF finds nothing there. This appends to the PDF, as an incremental update, the map
// of the font's glyphs, by their number in the file, to the characters they show. The font
// is named as the file names it, by its PostScript name.
bool addGlyphText(const QByteArray &pdfPath, const QByteArray &fontName,
                  const QMap<int, char32_t> &characterOfGlyph, QString &why);
