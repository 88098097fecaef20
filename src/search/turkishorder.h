#pragma once

#include "store/entry.h"

// The entries in Turkish alphabetical order of their names (C before Ç, ı before i, case
// ignored), equal names in the order given.
QVector<Entry> inTurkishOrder(QVector<Entry> entries);
