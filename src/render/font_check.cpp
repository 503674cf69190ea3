// The font check: the parts of a TrueType file that stb_truetype reads to draw
// a caption, walked the way it walks them, each read checked to lie inside
// the table it belongs to.
#include "render/font_check.h"

#include "render/font_kerning.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace {

// A table of the file: where it starts and how long it is; at 0 for a table
// the file lacks. stb_truetype takes the first table of each name, and one at
// offset 0 as none.
struct Table {
    size_t at = 0;
    size_t size = 0;
};

struct Font {
    const std::vector<unsigned char>& d;
    Table cmap, loca, head, glyf, hhea, hmtx, maxp, kern, gpos;
    uint32_t glyphs = 0;    // maxp's count
    bool longLoca = false;  // the glyph index holds 32-bit offsets
    int64_t reach = 0;      // MAX_FONT_EMS em, in the font's units

    // What each glyph's outline comes to, worked out once.
    struct Outline {
        uint8_t state = 0;    // 0 not looked at, 1 being looked at, 2 sound
        uint32_t points = 0;  // stb_truetype's vertices for it
        double extent = 0;    // the largest coordinate of any of them
        int height = 0;       // parts within parts below it
    };
    std::vector<Outline> outlines;
    // One simple outline's point flags, kept from glyph to glyph: a font has
    // thousands of outlines, and one allocation each slowed the start-up.
    std::vector<uint8_t> flags;
};

uint32_t U16(const Font& f, size_t at) { return (uint32_t{f.d[at]} << 8) | f.d[at + 1]; }
int32_t S16(const Font& f, size_t at) { return static_cast<int16_t>(U16(f, at)); }
uint32_t U32(const Font& f, size_t at) { return (U16(f, at) << 16) | U16(f, at + 2); }
// Whether n bytes at `at` (from the table's start) lie inside the table.
bool Holds(const Table& t, uint64_t at, uint64_t n) { return at + n <= t.size; }

std::string CheckDirectory(Font* f)
{
    const std::vector<unsigned char>& d = f->d;
    if (d.size() < 12) return "the file is too short for a font";
    // One font, not a collection: the game draws with the file's first font.
    static const unsigned char kinds[][4] = {
        {'1', 0, 0, 0}, {'t', 'y', 'p', '1'}, {'O', 'T', 'T', 'O'}, {0, 1, 0, 0}, {'t', 'r', 'u', 'e'}};
    if (std::none_of(std::begin(kinds), std::end(kinds),
                     [&](const unsigned char* k) { return !std::memcmp(&d[0], k, 4); }))
        return "not a single TrueType font";
    const size_t count = U16(*f, 4);
    if (12 + 16 * count > d.size()) return "its table directory runs past the end of the file";
    const struct {
        const char* tag;
        Table* table;
    } wanted[] = {{"cmap", &f->cmap}, {"loca", &f->loca}, {"head", &f->head}, {"glyf", &f->glyf}, {"hhea", &f->hhea},
                  {"hmtx", &f->hmtx}, {"maxp", &f->maxp}, {"kern", &f->kern}, {"GPOS", &f->gpos}};
    bool found[std::size(wanted)] = {};
    for (size_t i = 0; i < count; ++i) {
        const size_t entry = 12 + 16 * i;
        const uint64_t at = U32(*f, entry + 8), size = U32(*f, entry + 12);
        if (at + size > d.size()) return "a table runs past the end of the file";
        for (size_t w = 0; w < std::size(wanted); ++w) {
            if (found[w] || std::memcmp(&d[entry], wanted[w].tag, 4) != 0) continue;
            found[w] = true;
            if (at != 0) *wanted[w].table = Table{static_cast<size_t>(at), static_cast<size_t>(size)};
        }
    }
    for (const Table* t : {&f->cmap, &f->loca, &f->head, &f->glyf, &f->hhea, &f->hmtx, &f->maxp})
        if (t->at == 0) return "it lacks the tables of an outline font";
    return "";
}

std::string CheckMetrics(Font* f)
{
    if (!Holds(f->head, 0, 54) || !Holds(f->maxp, 0, 6) || !Holds(f->hhea, 0, 36))
        return "its header tables are cut short";
    const uint32_t unitsPerEm = U16(*f, f->head.at + 18);
    if (unitsPerEm < 16 || unitsPerEm > 16384) return "its em is not from 16 to 16384 units";
    f->reach = int64_t{MAX_FONT_EMS} * unitsPerEm;
    const uint32_t locaFormat = U16(*f, f->head.at + 50);
    if (locaFormat > 1) return "its glyph index is of an unknown kind";
    f->longLoca = locaFormat == 1;
    f->glyphs = U16(*f, f->maxp.at + 4);
    const int32_t ascent = S16(*f, f->hhea.at + 4), descent = S16(*f, f->hhea.at + 6);
    if (ascent < descent || ascent > f->reach || descent < -f->reach)
        return "its line's ascent and descent are unsound";
    // Every glyph's advance and side bearing: the long entries, then the bearings of the rest.
    const uint64_t longMetrics = U16(*f, f->hhea.at + 34);
    if (longMetrics == 0) return "it has no glyph advances";
    const uint64_t rest = f->glyphs > longMetrics ? f->glyphs - longMetrics : 0;
    if (!Holds(f->hmtx, 0, 4 * longMetrics + 2 * rest)) return "its glyph advances are cut short";
    for (uint64_t g = 0; g < std::min<uint64_t>(longMetrics, f->glyphs); ++g)
        if (std::abs(S16(*f, f->hmtx.at + 4 * g)) > f->reach) return "a glyph advances farther than a caption may";
    return "";
}

// A format 4 map: segments found by a binary search its header steers.
std::string CheckSegmentMap(const Font& f, const Table& map)
{
    if (!Holds(map, 0, 14)) return "its character map is cut short";
    const uint32_t segments = U16(f, map.at + 6) / 2;
    if (segments == 0) return "its character map is empty";
    uint32_t range = 1, selector = 0;
    while (range * 2 <= segments) range *= 2, ++selector;
    // The search stays among the segments only with the usual header.
    if (U16(f, map.at + 6) != 2 * segments || U16(f, map.at + 8) != 2 * range || U16(f, map.at + 10) != selector ||
        U16(f, map.at + 12) != 2 * (segments - range))
        return "its character map's search header is unsound";
    if (!Holds(map, 0, 16 + 8 * uint64_t{segments})) return "its character map is cut short";
    for (uint32_t i = 0; i < segments; ++i) {
        const uint32_t last = U16(f, map.at + 14 + 2 * i), first = U16(f, map.at + 16 + 2 * segments + 2 * i);
        const uint64_t offset = U16(f, map.at + 16 + 6 * segments + 2 * i);
        if (offset == 0 || first > last) continue;
        if (!Holds(map, 16 + 6 * uint64_t{segments} + 2 * i + offset + 2 * uint64_t{last - first}, 2))
            return "its character map points past its end";
    }
    return "";
}

std::string CheckCharacterMap(const Font& f)
{
    if (!Holds(f.cmap, 0, 4)) return "its character map is cut short";
    const uint64_t records = U16(f, f.cmap.at + 2);
    if (!Holds(f.cmap, 4, 8 * records)) return "its character map is cut short";
    // The last Unicode map wins, as stb_truetype picks it.
    uint64_t chosen = 0;
    bool any = false;
    for (uint64_t i = 0; i < records; ++i) {
        const size_t r = f.cmap.at + 4 + 8 * i;
        const uint32_t platform = U16(f, r), encoding = U16(f, r + 2);
        if (platform == 0 || (platform == 3 && (encoding == 1 || encoding == 10))) chosen = U32(f, r + 4), any = true;
    }
    if (!any) return "it has no Unicode character map";
    if (!Holds(f.cmap, chosen, 2)) return "its character map points past its end";
    const Table map{f.cmap.at + static_cast<size_t>(chosen), f.cmap.size - static_cast<size_t>(chosen)};
    switch (U16(f, map.at)) {
        case 0: {
            if (!Holds(map, 0, 4)) return "its character map is cut short";
            return Holds(map, 0, std::max<uint32_t>(U16(f, map.at + 2), 6)) ? "" : "its character map is cut short";
        }
        case 6:
            if (!Holds(map, 0, 10) || !Holds(map, 10, 2 * uint64_t{U16(f, map.at + 8)}))
                return "its character map is cut short";
            return "";
        case 4: return CheckSegmentMap(f, map);
        case 12:
        case 13:
            if (!Holds(map, 0, 16) || !Holds(map, 16, 12 * uint64_t{U32(f, map.at + 12)}))
                return "its character map is cut short";
            return "";
        default: return "its character map is of a kind the game cannot read";
    }
}

// A glyph's bytes in the file: [at, end).
struct Span {
    size_t at, end;
    bool Has(size_t from, uint64_t n) const { return from + n <= end; }
};

// A simple outline: contours of points, their flags and their coordinates
// packed as stb_truetype unpacks them.
std::string CheckContours(const Font& f, Span g, int contours, std::vector<uint8_t>* flagsBuffer, Font::Outline* out)
{
    size_t p = g.at + 10;
    if (!g.Has(p, 2 * uint64_t(contours) + 2)) return "an outline is cut short";
    int64_t last = -1;
    for (int k = 0; k < contours; ++k) {
        const int64_t end = U16(f, p + 2 * k);
        if (end <= last) return "an outline's contours are out of order";
        last = end;
    }
    const size_t count = static_cast<size_t>(last) + 1;
    p += 2 * contours;
    p += 2 + U16(f, p);  // the instructions, which stb_truetype skips
    std::vector<uint8_t>& flags = *flagsBuffer;
    flags.assign(count, 0);
    for (size_t i = 0, repeat = 0; i < count; ++i) {
        if (repeat > 0) {
            flags[i] = flags[i - 1], --repeat;
            continue;
        }
        if (!g.Has(p, 1)) return "an outline is cut short";
        flags[i] = f.d[p++];
        if (flags[i] & 8) {
            if (!g.Has(p, 1)) return "an outline is cut short";
            repeat = f.d[p++];
        }
    }
    double extent = 0;
    for (int axis = 0; axis < 2; ++axis) {
        const uint8_t shortBit = axis ? 4 : 2, sameBit = axis ? 32 : 16;
        int32_t at = 0;
        for (size_t i = 0; i < count; ++i) {
            const size_t bytes = (flags[i] & shortBit) ? 1 : (flags[i] & sameBit) ? 0 : 2;
            if (!g.Has(p, bytes)) return "an outline is cut short";
            if (bytes == 1) at += (flags[i] & sameBit) ? f.d[p] : -int32_t{f.d[p]};
            if (bytes == 2) at += S16(f, p);
            p += bytes;
            extent = std::max(extent, std::fabs(double(int16_t(at))));
        }
    }
    // A contour that starts off the curve takes its next point as well.
    for (int k = 0, first = 0; k < contours; first = int(U16(f, g.at + 10 + 2 * k)) + 1, ++k)
        if (!(flags[first] & 1) && U16(f, g.at + 10 + 2 * k) == uint32_t(first))
            return "an outline has a contour of one point off the curve";
    out->points = static_cast<uint32_t>(count + 2 * contours);
    out->extent = extent;
    return "";
}

std::string CheckOutline(Font* f, uint32_t glyph);

// An outline made of other glyphs' outlines, each moved, scaled and turned.
std::string CheckParts(Font* f, Span g, Font::Outline* out)
{
    size_t p = g.at + 10;
    uint64_t points = 0;
    for (bool more = true; more;) {
        if (!g.Has(p, 4)) return "an outline's parts are cut short";
        const uint32_t flags = U16(*f, p), part = U16(*f, p + 2);
        p += 4;
        // stb_truetype places parts by offsets only, never by matching points.
        if (!(flags & 2)) return "an outline places a part by its points";
        const size_t argBytes = (flags & 1) ? 4 : 2;
        const size_t matrixBytes = (flags & 8) ? 2 : (flags & 64) ? 4 : (flags & 128) ? 8 : 0;
        if (!g.Has(p, argBytes + matrixBytes)) return "an outline's parts are cut short";
        const double dx = (flags & 1) ? S16(*f, p) : int8_t(f->d[p]);
        const double dy = (flags & 1) ? S16(*f, p + 2) : int8_t(f->d[p + 1]);
        p += argBytes;
        double m[4] = {1, 0, 0, 1};
        for (size_t i = 0; i < matrixBytes / 2; ++i) m[i] = S16(*f, p + 2 * i) / 16384.0;
        if (matrixBytes == 2) m[3] = m[0];
        if (matrixBytes == 4) m[3] = m[1], m[1] = 0;
        p += matrixBytes;
        more = (flags & 32) != 0;
        if (part >= f->glyphs) continue;  // stb_truetype draws nothing for it
        const std::string why = CheckOutline(f, part);
        if (!why.empty()) return why;
        const Font::Outline& inner = f->outlines[part];
        out->height = std::max(out->height, inner.height + 1);
        if (out->height > MAX_GLYPH_NESTING) return "an outline's parts are nested too deep";
        if (inner.points == 0) continue;
        points += inner.points;
        // Where the part's points land, in stb_truetype's arithmetic: each
        // must still fit the 16 bits it is kept in.
        const double sx = std::hypot(m[0], m[1]), sy = std::hypot(m[2], m[3]);
        const double x = sx * ((std::fabs(m[0]) + std::fabs(m[2])) * inner.extent + std::fabs(dx));
        const double y = sy * ((std::fabs(m[1]) + std::fabs(m[3])) * inner.extent + std::fabs(dy));
        out->extent = std::max({out->extent, x, y});
        if (out->extent > 32000) return "an outline's parts land out of its reach";
        if (points > MAX_GLYPH_POINTS) return "an outline has too many points";
    }
    out->points = static_cast<uint32_t>(points);
    return "";
}

std::string CheckOutline(Font* f, uint32_t glyph)
{
    Font::Outline& o = f->outlines[glyph];
    if (o.state == 2) return "";
    if (o.state == 1) return "an outline is made of itself";
    o.state = 1;
    const size_t entry = f->loca.at + glyph * (f->longLoca ? 4 : 2);
    const uint64_t from = f->longLoca ? U32(*f, entry) : 2 * U16(*f, entry);
    const uint64_t to = f->longLoca ? U32(*f, entry + 4) : 2 * U16(*f, entry + 2);
    Font::Outline result;
    if (from != to) {
        if (from > to || to > f->glyf.size) return "its glyph index points past its glyphs";
        const Span g{f->glyf.at + static_cast<size_t>(from), f->glyf.at + static_cast<size_t>(to)};
        if (!g.Has(g.at, 10)) return "an outline is cut short";
        for (size_t i = 2; i < 10; i += 2)
            if (std::abs(S16(*f, g.at + i)) > f->reach) return "an outline reaches farther than a caption may";
        const int contours = S16(*f, g.at);
        const std::string why = contours > 0   ? CheckContours(*f, g, contours, &f->flags, &result)
                                : contours < 0 ? CheckParts(f, g, &result)
                                               : "";
        if (!why.empty()) return why;
        if (result.points > MAX_GLYPH_POINTS) return "an outline has too many points";
    }
    result.state = 2;
    f->outlines[glyph] = result;
    return "";
}

std::string CheckOutlines(Font* f)
{
    if (!Holds(f->loca, 0, (uint64_t{f->glyphs} + 1) * (f->longLoca ? 4 : 2))) return "its glyph index is cut short";
    f->outlines.assign(f->glyphs, Font::Outline{});
    for (uint32_t g = 0; g < f->glyphs; ++g) {
        const std::string why = CheckOutline(f, g);
        if (!why.empty()) return why;
    }
    return "";
}

}  // namespace

std::string CheckFontFile(const std::vector<unsigned char>& data)
{
    Font f{data, {}, {}, {}, {}, {}, {}, {}, {}, {}, 0, false, 0, {}, {}};
    std::string why = CheckDirectory(&f);
    if (why.empty()) why = CheckMetrics(&f);
    if (why.empty()) why = CheckCharacterMap(f);
    if (why.empty())
        why = CheckKerning(data, KerningTable{f.gpos.at, f.gpos.size}, KerningTable{f.kern.at, f.kern.size});
    if (why.empty()) why = CheckOutlines(&f);
    return why;
}
