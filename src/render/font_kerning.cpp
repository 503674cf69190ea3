// The pair adjustments, walked as stb_truetype walks them: the lookups of
// pair positioning, their coverage and class tables, and the pair sets.
#include "render/font_kerning.h"

#include <algorithm>
#include <cstdint>

namespace {

struct Reader {
    const std::vector<unsigned char>& d;
    KerningTable t;
    // Whether n bytes at `at` (from the table's start) lie inside the table.
    bool Has(uint64_t at, uint64_t n) const { return at + n <= t.size; }
    uint32_t U16(uint64_t at) const { return (uint32_t{d[t.at + at]} << 8) | d[t.at + at + 1]; }
};

constexpr const char* CUT = "its kerning runs past its table";

// A coverage table: the largest index it can give a glyph, -1 for none; false when it is cut short.
bool CoverageReach(const Reader& r, uint64_t at, int64_t* reach)
{
    *reach = -1;
    if (!r.Has(at, 4)) return false;
    const uint32_t format = r.U16(at), count = r.U16(at + 2);
    if (format == 1) {
        *reach = int64_t{count} - 1;
        return r.Has(at + 4, 2 * uint64_t{count});
    }
    if (format != 2) return true;  // stb_truetype looks no further
    if (!r.Has(at + 4, 6 * uint64_t{count})) return false;
    for (uint64_t i = 0; i < count; ++i) {
        const uint64_t range = at + 4 + 6 * i;
        const uint32_t first = r.U16(range), last = r.U16(range + 2);
        if (first <= last) *reach = std::max<int64_t>(*reach, int64_t{r.U16(range + 4)} + (last - first));
    }
    return true;
}

// A class table: every read it takes for any glyph.
bool ClassesFit(const Reader& r, uint64_t at)
{
    if (!r.Has(at, 2)) return false;
    const uint32_t format = r.U16(at);
    if (format == 1) return r.Has(at, 6) && r.Has(at + 6, 2 * uint64_t{r.U16(at + 4)});
    if (format == 2) return r.Has(at, 4) && r.Has(at + 4, 6 * uint64_t{r.U16(at + 2)});
    return true;
}

// One subtable of pair positioning.
std::string CheckPairs(const Reader& r, uint64_t s)
{
    if (!r.Has(s, 4)) return CUT;
    int64_t reach = -1;
    if (!CoverageReach(r, s + r.U16(s + 2), &reach)) return CUT;
    if (reach < 0) return "";
    const uint32_t format = r.U16(s);
    if (format != 1 && format != 2) return "";
    if (!r.Has(s, 8)) return CUT;
    if (r.U16(s + 4) != 4 || r.U16(s + 6) != 0) return "";  // adjustments stb_truetype does not read
    if (format == 1) {
        // A pair set's offset and length are read for any covered glyph, its
        // pairs only for one with a set.
        if (!r.Has(s, 10 + 2 * uint64_t(reach) + 2)) return CUT;
        const uint32_t sets = r.U16(s + 8);
        for (int64_t i = 0; i <= reach; ++i) {
            const uint64_t set = s + r.U16(s + 10 + 2 * uint64_t(i));
            if (!r.Has(set, 2)) return CUT;
            if (i < sets && !r.Has(set + 2, 4 * uint64_t{r.U16(set)})) return CUT;
        }
        return "";
    }
    if (!r.Has(s, 16)) return CUT;
    if (!ClassesFit(r, s + r.U16(s + 8)) || !ClassesFit(r, s + r.U16(s + 10))) return CUT;
    return r.Has(s + 16, 2 * uint64_t{r.U16(s + 12)} * r.U16(s + 14)) ? "" : CUT;
}

std::string CheckPositioning(const Reader& r)
{
    if (!r.Has(0, 4)) return CUT;
    if (r.U16(0) != 1 || r.U16(2) != 0) return "";  // a version stb_truetype ignores
    if (!r.Has(0, 10)) return CUT;
    const uint64_t list = r.U16(8);
    if (!r.Has(list, 2) || !r.Has(list + 2, 2 * uint64_t{r.U16(list)})) return CUT;
    for (uint64_t i = 0; i < r.U16(list); ++i) {
        const uint64_t lookup = list + r.U16(list + 2 + 2 * i);
        if (!r.Has(lookup, 6)) return CUT;
        if (r.U16(lookup) != 2) continue;  // only pair positioning is read
        const uint64_t subtables = r.U16(lookup + 4);
        if (!r.Has(lookup + 6, 2 * subtables)) return CUT;
        for (uint64_t k = 0; k < subtables; ++k) {
            const std::string why = CheckPairs(r, lookup + r.U16(lookup + 6 + 2 * k));
            if (!why.empty()) return why;
        }
    }
    return "";
}

std::string CheckKernTable(const Reader& r)
{
    if (!r.Has(0, 4)) return CUT;
    if (r.U16(2) < 1) return "";
    if (!r.Has(0, 10)) return CUT;
    if (r.U16(8) != 1) return "";
    if (!r.Has(0, 12)) return CUT;
    return r.Has(18, 6 * uint64_t{r.U16(10)}) ? "" : CUT;
}

}  // namespace

std::string CheckKerning(const std::vector<unsigned char>& d, KerningTable gpos, KerningTable kern)
{
    // stb_truetype reads the GPOS table when there is one, and then never the kern table.
    if (gpos.at != 0) return CheckPositioning(Reader{d, gpos});
    if (kern.at != 0) return CheckKernTable(Reader{d, kern});
    return "";
}
