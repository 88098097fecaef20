#pragma once

#include "exchange/contact.h"

class LineReader;

// Reads vCard 2.1, 3.0 and 4.0 cards as phones and programs write them: folded lines,
// escapes, 2.1 quoted-printable with any charset, grouped properties, every way of
// saying "mobile", tel: URIs. Photos and everything else are skipped. On a file cut off
// inside a card, or a name, number or address longer than 64 KiB, it returns false, with
// the line in the error.
bool readVCards(LineReader &lines, ContactFile &result, QString &error);
