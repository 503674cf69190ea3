// The font file's check before stb_truetype reads it. stb_truetype trusts
// every offset and count in a font: a broken or hostile file would make it
// read outside the file, recurse without end or allocate without bound. So
// every part of the file it will read for the game's captions is checked to
// lie inside the file, and every outline to be one it draws in bounded time
// and memory. Private to the renderer (and its tests).
#pragma once

#include <string>
#include <vector>

// Outlines, advances and the line's ascent and descent may reach this many
// em from their origin (DejaVu Sans reaches under 2): a caption's pixels stay
// a small multiple of its size.
constexpr int MAX_FONT_EMS = 4;
// Points of one glyph's outline, its parts' together, and how deep parts may
// nest in parts.
constexpr unsigned MAX_GLYPH_POINTS = 65536;
constexpr int MAX_GLYPH_NESTING = 8;

// What is wrong with the font file, in a few words, or "" for one that
// stb_truetype may read.
std::string CheckFontFile(const std::vector<unsigned char>& data);
