// The font check before stb_truetype reads a file: the shipped font and the
// small fonts of the fuzz corpus pass, and each kind of lie a file can tell
// stb_truetype (where a table, a map, a glyph or a part lies, how many of
// them there are) is refused with its reason.
#include "render/font_check.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "render/frame.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
Bytes Corpus(const char* name) { return ReadAll(std::string(DELVE_FUZZ_CORPUS) + "/font/" + name); }

uint32_t U16(const Bytes& d, size_t at) { return (uint32_t{d[at]} << 8) | d[at + 1]; }
void Put16(Bytes* d, size_t at, uint32_t v)
{
    (*d)[at] = static_cast<unsigned char>(v >> 8);
    (*d)[at + 1] = static_cast<unsigned char>(v);
}
// Where the table named `tag` starts in the file.
size_t TableAt(const Bytes& d, const char* tag)
{
    for (size_t i = 0; i < U16(d, 4); ++i)
        if (std::memcmp(&d[12 + 16 * i], tag, 4) == 0)
            return (U16(d, 12 + 16 * i + 8) << 16) | U16(d, 12 + 16 * i + 10);
    ADD_FAILURE() << "no " << tag << " table";
    return 0;
}
// How long the table named `tag` is.
size_t TableSize(const Bytes& d, const char* tag)
{
    for (size_t i = 0; i < U16(d, 4); ++i)
        if (std::memcmp(&d[12 + 16 * i], tag, 4) == 0)
            return (U16(d, 12 + 16 * i + 12) << 16) | U16(d, 12 + 16 * i + 14);
    ADD_FAILURE() << "no " << tag << " table";
    return 0;
}
// Where glyph g starts, in a font with a short glyph index.
size_t GlyphAt(const Bytes& d, uint32_t g) { return TableAt(d, "glyf") + 2 * U16(d, TableAt(d, "loca") + 2 * g); }

TEST(FontCheck, TheShippedFontAndTheSmallFontsOfTheCorpusPass)
{
    EXPECT_EQ(CheckFontFile(ReadAll(render::FindDataFile("resources/DejaVuSans.ttf"))), "");
    // Each kind of single font stb_truetype reads, by its first four bytes.
    for (const char* kind : {"1\0\0\0", "typ1", "OTTO", "\0\1\0\0", "true"}) {
        Bytes font = Corpus("small-cmap4.ttf");
        ASSERT_GT(font.size(), 100u);
        std::memcpy(font.data(), kind, 4);
        EXPECT_EQ(CheckFontFile(font), "") << kind;
    }
    for (const char* name : {"small-cmap4.ttf", "small-cmap12-long-loca.ttf", "small-gpos-pairs.ttf",
                             "small-gpos-classes.ttf", "small-kern.ttf", "small-nested-parts.ttf"}) {
        const Bytes font = Corpus(name);
        ASSERT_GT(font.size(), 100u) << name;
        EXPECT_EQ(CheckFontFile(font), "") << name;
    }
}

TEST(FontCheck, EveryLieAboutWhereThingsLieIsRefusedWithItsReason)
{
    const Bytes small = Corpus("small-gpos-pairs.ttf");
    ASSERT_GT(small.size(), 100u);
    const size_t map = TableAt(small, "cmap") + 12;  // the one format 4 map
    const struct {
        const char* what;
        void (*forge)(Bytes*);
        const char* reason;
    } lies[] = {
        {"a collection", [](Bytes* d) { std::memcpy(d->data(), "ttcf", 4); }, "not a single TrueType font"},
        {"a table past the end", [](Bytes* d) { (*d)[12 + 8] = 0x7f; }, "a table runs past the end of the file"},
        {"no em", [](Bytes* d) { Put16(d, TableAt(*d, "head") + 18, 0); }, "its em is not from 16 to 16384 units"},
        {"more advances than the table holds", [](Bytes* d) { Put16(d, TableAt(*d, "hhea") + 34, 400); },
         "its glyph advances are cut short"},
        {"a glyph index running backwards", [](Bytes* d) { Put16(d, TableAt(*d, "loca") + 4, 0x7000); },
         "its glyph index points past its glyphs"},
        {"a contour with more points than the glyph holds", [](Bytes* d) { Put16(d, GlyphAt(*d, 1) + 10, 900); },
         "an outline is cut short"},
        {"an outline far beyond its em", [](Bytes* d) { Put16(d, GlyphAt(*d, 1) + 6, 30000); },
         "an outline reaches farther than a caption may"},
        {"a part placed by points", [](Bytes* d) { Put16(d, GlyphAt(*d, 4) + 10, 1 | 32); },
         "an outline places a part by its points"},
        {"a part of itself", [](Bytes* d) { Put16(d, GlyphAt(*d, 4) + 12, 4); }, "an outline is made of itself"},
        {"a part moved and scaled out of reach",
         [](Bytes* d) {
             Put16(d, GlyphAt(*d, 4) + 22, 0x7fff);  // the second part's offset
             Put16(d, GlyphAt(*d, 4) + 26, 0x7fff);  // and its scale, almost 2
         },
         "an outline's parts land out of its reach"},
        {"a part moved up and scaled out of reach",
         [](Bytes* d) {
             Put16(d, GlyphAt(*d, 4) + 24, 0x4000);  // the second part moved up, at a scale of almost 2
             Put16(d, GlyphAt(*d, 4) + 26, 0x7fff);
         },
         "an outline's parts land out of its reach"},
        {"the last glyph advancing out of reach", [](Bytes* d) { Put16(d, TableAt(*d, "hmtx") + 4 * 4, 0x7fff); },
         "a glyph advances farther than a caption may"},
        {"an ascent below the descent", [](Bytes* d) { Put16(d, TableAt(*d, "hhea") + 4, 0x10000 - 500); },
         "its line's ascent and descent are unsound"},
        {"a pair set past the kerning", [](Bytes* d) { Put16(d, TableAt(*d, "GPOS") + 10 + 4 + 8 + 10, 0xfff0); },
         "its kerning runs past its table"},
    };
    for (const auto& lie : lies) {
        Bytes font = small;
        lie.forge(&font);
        EXPECT_EQ(CheckFontFile(font), lie.reason) << lie.what;
    }
    Bytes font = small;
    Put16(&font, map + 8, U16(font, map + 8) + 2);  // the search's range
    EXPECT_EQ(CheckFontFile(font), "its character map's search header is unsound");
    font = small;
    const uint32_t segments = U16(font, map + 6) / 2;
    Put16(&font, map + 16 + 6 * segments, 0x4000);  // the first segment's glyphs, far off
    EXPECT_EQ(CheckFontFile(font), "its character map points past its end");
}

// A part moved by byte offsets moves at most 128 units, whatever its bytes
// and the scale after them would make read as words: the largest each way pass.
TEST(FontCheck, APartMovedByTheLargestByteOffsetsPasses)
{
    const Bytes small = Corpus("small-gpos-pairs.ttf");
    ASSERT_GT(small.size(), 100u);
    const size_t part = GlyphAt(small, 4) + 10;  // the first part: word offsets, no scale
    ASSERT_EQ(U16(small, part), 1u | 2u | 32u);
    for (const unsigned char offset : {0x7f, 0x80}) {
        // The same eight bytes as byte offsets and a scale of almost 2.
        Bytes font = small;
        Put16(&font, part, 2 | 8 | 32);
        font[part + 4] = font[part + 5] = offset;
        Put16(&font, part + 6, 0x7fff);
        EXPECT_EQ(CheckFontFile(font), "") << int{offset};
    }
}

// A map's segment may find its glyphs in an array after its offsets; one whose
// last character's entry takes the map's last two bytes passes, and one byte
// further is past its end.
TEST(FontCheck, AGlyphArrayEndingAtTheMapsLastByteIsReadAndOneByteMoreIsNot)
{
    const Bytes small = Corpus("small-cmap4.ttf");
    ASSERT_GT(small.size(), 100u);
    const size_t map = TableAt(small, "cmap") + 12;  // the one format 4 map, to the table's end
    const size_t mapSize = TableSize(small, "cmap") - 12;
    const uint32_t segments = U16(small, map + 6) / 2;
    ASSERT_EQ(U16(small, map), 4u);
    ASSERT_EQ(U16(small, map + 16 + 2 * segments), 100u) << "the first segment starts at 'd'";
    const size_t entry = 16 + 6 * segments;  // the first segment's offset, from the map's start
    for (const uint32_t more : {0u, 1u, 2u}) {
        Bytes font = small;
        Put16(&font, map + 14, 102);  // the first segment: 'd' to 'f'
        // Its three entries: the last one in the map's last two bytes, or one
        // byte past them (a file may give an odd offset), or a whole entry.
        Put16(&font, map + entry, static_cast<uint32_t>(mapSize - entry - 6 + more));
        EXPECT_EQ(CheckFontFile(font), more ? "its character map points past its end" : "") << more;
    }
}

// A trimmed map (format 6): its glyph numbers read up to the map's end, one
// more is past it.
TEST(FontCheck, ATrimmedMapIsReadToItsEndAndOneEntryMoreIsNot)
{
    const Bytes small = Corpus("small-cmap4.ttf");
    ASSERT_GT(small.size(), 100u);
    const size_t map = TableAt(small, "cmap") + 12, mapSize = TableSize(small, "cmap") - 12;
    const uint32_t fits = static_cast<uint32_t>((mapSize - 10) / 2);
    for (const uint32_t more : {0u, 1u}) {
        Bytes font = small;
        Put16(&font, map, 6);
        Put16(&font, map + 2, static_cast<uint32_t>(mapSize));
        Put16(&font, map + 4, 0);
        Put16(&font, map + 6, 32);  // from the space on
        Put16(&font, map + 8, fits + more);
        for (size_t i = 0; i < fits; ++i) Put16(&font, map + 10 + 2 * i, 1);
        EXPECT_EQ(CheckFontFile(font), more ? "its character map is cut short" : "") << more;
    }
}

// Pair positioning's offsets, one per covered glyph, ending exactly at the
// table's end (the coverage packed among them): read whole, and refused when
// the table is two bytes shorter.
TEST(FontCheck, PairOffsetsEndingAtTheTablesEndAreReadAndTwoBytesLessAreNot)
{
    const Bytes packed = Corpus("packed-gpos-pairs.ttf");
    ASSERT_GT(packed.size(), 100u);
    EXPECT_EQ(TableSize(packed, "GPOS"), 22u + 10u + 2u * 21u) << "the subtable's 21 offsets end the table";
    EXPECT_EQ(CheckFontFile(packed), "");
    Bytes font = packed;
    for (size_t i = 0; i < U16(font, 4); ++i)
        if (std::memcmp(&font[12 + 16 * i], "GPOS", 4) == 0) Put16(&font, 12 + 16 * i + 14, 22 + 10 + 2 * 20);
    EXPECT_EQ(CheckFontFile(font), "its kerning runs past its table");
}

// Only the lookups the list counts are read: a broken one whose offset
// follows the list's last is not, until the count takes it in.
TEST(FontCheck, OnlyTheLookupsTheListCountsAreRead)
{
    const Bytes stray = Corpus("stray-gpos-lookup.ttf");
    ASSERT_GT(stray.size(), 100u);
    const size_t list = TableAt(stray, "GPOS") + 10;
    ASSERT_EQ(U16(stray, list), 1u);
    EXPECT_EQ(CheckFontFile(stray), "");
    Bytes font = stray;
    Put16(&font, list, 2);
    EXPECT_EQ(CheckFontFile(font), "its kerning runs past its table");
}

// A pair subtable of three bytes at the very end of the file: too short for
// its coverage's offset, and refused without reading the byte past the file
// (the sanitizer build sees such a read).
TEST(FontCheck, APairSubtableCutShortAtTheFilesEndIsRefusedUnreadPastIt)
{
    Bytes font = Corpus("small-gpos-pairs.ttf");
    ASSERT_GT(font.size(), 100u);
    // The kerning moved to the file's end: its list of one lookup, of one subtable.
    const Bytes gpos = {0, 1, 0, 0, 0, 10, 0, 10, 0, 10, 0, 1, 0, 4, 0, 2, 0, 0, 0, 1, 0, 8, 0, 1, 0};
    const size_t at = font.size();
    font.insert(font.end(), gpos.begin(), gpos.end());
    for (size_t i = 0; i < U16(font, 4); ++i)
        if (std::memcmp(&font[12 + 16 * i], "GPOS", 4) == 0) {
            Put16(&font, 12 + 16 * i + 8, static_cast<uint32_t>(at >> 16));
            Put16(&font, 12 + 16 * i + 10, static_cast<uint32_t>(at & 0xffff));
            Put16(&font, 12 + 16 * i + 12, 0);
            Put16(&font, 12 + 16 * i + 14, static_cast<uint32_t>(gpos.size()));
        }
    const Bytes exact(font.begin(), font.end());  // nothing allocated past its end
    EXPECT_EQ(CheckFontFile(exact), "its kerning runs past its table");
}

// The kern table's pairs (six bytes each) are read up to its end, and one
// more is past it; a table of no subtables is four bytes long and passes:
// stb_truetype reads nothing more of it.
TEST(FontCheck, KernPairsAreReadToTheTablesEndAndAnEmptyKernTablePasses)
{
    Bytes font = Corpus("small-kern.ttf");
    ASSERT_GT(font.size(), 100u);
    ASSERT_EQ(TableSize(font, "kern"), 18u + 6u) << "one pair";
    EXPECT_EQ(CheckFontFile(font), "");
    Put16(&font, TableAt(font, "kern") + 10, 2);  // two pairs said
    EXPECT_EQ(CheckFontFile(font), "its kerning runs past its table");
    const size_t kern = TableAt(font, "kern");
    Put16(&font, kern + 2, 0);  // no subtables
    for (size_t i = 0; i < U16(font, 4); ++i)
        if (std::memcmp(&font[12 + 16 * i], "kern", 4) == 0) Put16(&font, 12 + 16 * i + 14, 4);
    EXPECT_EQ(TableSize(font, "kern"), 4u);
    EXPECT_EQ(CheckFontFile(font), "");
}

// A lookup of no subtables is six bytes, and one that ends the kerning table
// passes.
TEST(FontCheck, ALookupOfNoSubtablesAtTheKerningsEndPasses)
{
    Bytes font = Corpus("small-gpos-pairs.ttf");
    ASSERT_GT(font.size(), 100u);
    const size_t lookup = TableAt(font, "GPOS") + 14;  // the one lookup
    ASSERT_EQ(U16(font, lookup), 2u);
    Put16(&font, lookup + 4, 0);
    for (size_t i = 0; i < U16(font, 4); ++i)
        if (std::memcmp(&font[12 + 16 * i], "GPOS", 4) == 0) Put16(&font, 12 + 16 * i + 14, 14 + 6);
    EXPECT_EQ(CheckFontFile(font), "");
}

// The em's size at its edges: 16 and 16384 units are taken (whatever else the
// file then fails on), 15 and 16385 are not.
TEST(FontCheck, AnEmOf16To16384UnitsIsTaken)
{
    const std::string wrongEm = "its em is not from 16 to 16384 units";
    for (const uint32_t em : {15u, 16u, 2048u, 16384u, 16385u}) {
        Bytes font = Corpus("small-cmap4.ttf");
        ASSERT_GT(font.size(), 100u);
        Put16(&font, TableAt(font, "head") + 18, em);
        EXPECT_EQ(CheckFontFile(font) == wrongEm, em < 16 || em > 16384) << em;
    }
}

// Twelve bytes is the shortest file with a table directory; a table may start
// anywhere but at 0 (none), even at the file's second byte, and is read there.
TEST(FontCheck, TheDirectoryNeedsTwelveBytesAndATableAtByteOneIsRead)
{
    const Bytes kern = Corpus("small-kern.ttf");
    ASSERT_GT(kern.size(), 100u);
    EXPECT_EQ(CheckFontFile(Bytes(kern.begin(), kern.begin() + 11)), "the file is too short for a font");
    EXPECT_NE(CheckFontFile(Bytes(kern.begin(), kern.begin() + 12)), "the file is too short for a font");
    Bytes font = kern;
    for (size_t i = 0; i < U16(font, 4); ++i)
        if (std::memcmp(&font[12 + 16 * i], "kern", 4) == 0) {
            Put16(&font, 12 + 16 * i + 8, 0);
            Put16(&font, 12 + 16 * i + 10, 1);  // at byte 1, three bytes long: too short for a kern table
            Put16(&font, 12 + 16 * i + 12, 0);
            Put16(&font, 12 + 16 * i + 14, 3);
        }
    EXPECT_EQ(CheckFontFile(font), "its kerning runs past its table");
}

// A part turned by a whole matrix (a, b, c, d = 1, 0, 2, 2 in the font's 2.14
// numbers) reaches as stb_truetype places it: its y as far as
// |(c, d)| * ((|b| + |d|) * 500 + dy), the second column's length 2.83. Moved
// up 10000 units it stays within 32000; moved up 12000 it lands out of reach.
TEST(FontCheck, APartTurnedByAWholeMatrixReachesByItsSecondColumn)
{
    const Bytes turned = Corpus("turned-part.ttf");
    ASSERT_GT(turned.size(), 100u);
    const size_t dy = GlyphAt(turned, 1) + 10 + 6;
    ASSERT_EQ(U16(turned, dy), 10000u);
    EXPECT_EQ(CheckFontFile(turned), "");
    Bytes font = turned;
    Put16(&font, dy, 12000);
    EXPECT_EQ(CheckFontFile(font), "an outline's parts land out of its reach");
}

// An outline's reach counts its one-byte steps as well as its two-byte ones:
// four steps of 255 units, scaled by almost 2 and moved 15000 units across,
// land out of reach (34080); moved 13000 across they stay within (30080).
TEST(FontCheck, AnOutlineOfOneByteStepsReachesAsFarAsTheyAddUp)
{
    const Bytes steps = Corpus("short-steps.ttf");
    ASSERT_GT(steps.size(), 100u);
    EXPECT_EQ(CheckFontFile(steps), "an outline's parts land out of its reach");
    Bytes font = steps;
    const size_t dx = GlyphAt(font, 1) + 10 + 4;
    ASSERT_EQ(U16(font, dx), 15000u);
    Put16(&font, dx, 13000);
    EXPECT_EQ(CheckFontFile(font), "");
}

// Each glyph is checked once and its result kept: six levels of 64 parts,
// each level made of the one below, take a few hundred steps. Checked again
// at each use they would take 64 to the sixth, and the game would never start.
TEST(FontCheck, PartsSharedLevelsDeepAreCheckedOncePerGlyph)
{
    const Bytes font = Corpus("shared-parts.ttf");
    ASSERT_GT(font.size(), 3000u);
    EXPECT_EQ(CheckFontFile(font), "");
}

TEST(FontCheck, AContourOfOnePointOffTheCurveIsRefused)
{
    // stb_truetype would read the point after it, past the outline's end.
    const Bytes font = Corpus("one-point-off-the-curve.ttf");
    ASSERT_GT(font.size(), 100u);
    EXPECT_EQ(CheckFontFile(font), "an outline has a contour of one point off the curve");
}

}  // namespace
