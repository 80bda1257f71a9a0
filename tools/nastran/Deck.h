#pragma once

// Reading an input deck: executive control (SOL 101, CEND), case control, and the bulk data cards of a
// linear static analysis of tetrahedra and membrane triangles.
//
// Bulk data may be written in free-field form (fields separated by commas, one entry per line however
// long) or in small-field form (8-character fields, name in columns 1-8, data in columns 9-72).
// Continuations:
//  - a line whose first field is blank or starts with "+" or "*" continues the entry at its next group
//    of eight data fields, as in small-field decks;
//  - a free-field line that starts with a number continues the entry directly after its last field,
//    which is how long LOAD cards are broken into lines.
// A trailing comma ends the last field of a line; it does not open an empty one.
// "$" starts a comment anywhere in a bulk data line.

#include "tools/nastran/Model.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nastran
{

/// One problem found in a deck, with the 1-based line it was found on (0 when it concerns the deck as
/// a whole).
struct DeckMessage
{
    int line = 0;
    std::string text;
};

struct DeckReadResult
{
    Model model;
    std::vector<DeckMessage> errors; ///< empty when the deck was read completely
};

/// Reads a whole deck. Never throws for bad input: every problem becomes a message naming the card or
/// statement and its line; reading goes on after a bad card so that one run reports them all.
DeckReadResult readDeck(std::string_view text);

/// A Nastran real: 1.5, 1., .5, -2.E3, 1.5D-3 and the exponent without letter 1.5-3 (= 1.5E-3).
/// Plain integers are accepted too. Empty optional for anything else.
std::optional<double> parseReal(std::string_view field);

/// A plain decimal integer with an optional sign that fits 64 bits.
std::optional<std::int64_t> parseInteger(std::string_view field);

} // namespace nastran
