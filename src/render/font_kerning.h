// The font check's kerning part (font_check.cpp calls it): the pair
// adjustments stb_truetype looks up between two letters, in the GPOS table
// when the font has one, else in the old kern table. Private to the renderer.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Where a table lies in the file; at 0 when the font has none.
struct KerningTable {
    size_t at;
    size_t size;
};

// What is wrong with the kerning tables, or "" when every read stb_truetype
// makes of them, for any two glyphs, lies inside them.
std::string CheckKerning(const std::vector<unsigned char>& d, KerningTable gpos, KerningTable kern);
