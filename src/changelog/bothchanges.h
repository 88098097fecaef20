#pragma once

#include "store/entry.h"

#include <optional>

// Two desks changed one entry from the same version: this desk's fields and the other's
// together, when they changed different fields (A the phone, B the mail). Nullopt when a
// field was changed on both sides to different values, which only the user can decide.
std::optional<Entry> bothChanges(const Entry &base, const Entry &mine, const Entry &theirs);
