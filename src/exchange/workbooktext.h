#pragma once

#include <QString>

class QXmlStreamReader;

// XML cannot hold most control characters, and a parser turns a carriage return into a
// line feed; spreadsheets write such a character as "_x000D_", and "_x" that would read
// as one as "_x005F_x". Text so escaped goes into a workbook, and comes out as it was, but
// for a NUL, which no contact file's text may hold (a CSV or vCard file holding one is
// refused as binary): "_x0000_" comes out as nothing.
QString escapedWorkbookText(const QString &text);
QString unescapedWorkbookText(const QString &text);

// The text of the element the reader is at the start of, its children's included, read up to
// its end. Qt's readElementText recurses once for each nested child, so that a file nesting
// tens of thousands of them overflows the stack; this reads them in a loop.
QString elementTextOf(QXmlStreamReader &xml);

// The text of an element holding <t> runs (a shared string, an inline string), rich text
// runs joined, unescaped; the reader stands after the element's end.
QString workbookTextOf(QXmlStreamReader &xml);
