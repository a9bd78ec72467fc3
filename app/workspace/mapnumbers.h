// The project's map-number counter: the option row LMAP holds the highest
// map number saved so far. Both the General Help and the What's This tabs
// draw on it.
#pragma once

#include "dao.h"

#include <QString>
#include <optional>

namespace mapnumbers {

// Map numbers live in 16-bit fields; 0 means "no map number".
constexpr int MaxMapNumber = 32767;

// A map-number text as a number: decimal digits only, 0 to MaxMapNumber.
std::optional<int> ParseMapNumber(const QString& text);

// The number the Next buttons propose: the counter plus one, or 1 when the
// project has no counter yet. Above MaxMapNumber once every number is used.
// Nothing is written.
int NextMapNumber(dao::Database& db);

// Offers a saved record's map number to the counter, which only grows.
// The caller has checked the number with ParseMapNumber.
void SaveNextMapNumber(dao::Database& db, int mapNumber);

} // namespace mapnumbers
