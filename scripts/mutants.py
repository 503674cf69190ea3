#!/usr/bin/env python3
"""Generated mutants: every place in src/ where a one-token fault can be made by rule.

The rules: a comparison flipped or loosened, + and - swapped (and += -=, ++ --),
an integer constant moved by one, a statement or an assignment dropped, && and
|| swapped, a returned boolean negated, and a call's two neighbouring arguments
swapped where they look like the same type (two literals of a kind, or two
expressions that differ only in x/y, width/height and the like, or two locals
declared with the same type). Comments, strings, character literals and
preprocessor lines (the includes) are never touched.

  mutants.py sites                 every site, one a line
  mutants.py sample N SEED         N sites drawn at random with SEED, in the
                                   tab-separated form scripts/mutate.sh runs
                                   (a site's chance is a hash of SEED and its
                                   id, so a sample keeps its sites as far as
                                   the code around them is unchanged)
  mutants.py count                 how many sites each folder has
  mutants.py apply FILE:LINE:COL OLD NEW
                                   makes one change in place (mutate.sh's)

Each site has an id (a hash of the file's name, the line's text, where on the
line, the old and new text): it stays the same when lines move or the file
changes folder. tests/equivalent-mutants.txt lists by id the sites whose change
no behaviour can tell apart, with the reason; a sample marks them, and
mutate.sh neither runs nor counts them.
"""
import hashlib
import os
import re
import sys

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
EQUIVALENTS = "tests/equivalent-mutants.txt"


def mask(text):
    """The text with comments, strings, characters and preprocessor lines blanked.

    Positions and line breaks are kept. A string literal keeps its quotes (so a
    rule can see that an operand is a string); what is inside becomes spaces."""
    out = list(text)
    i, n = 0, len(text)
    line_start = True
    while i < n:
        c = text[i]
        if c == "\n":
            line_start = True
            i += 1
            continue
        if line_start and c in " \t":
            i += 1
            continue
        if line_start and c == "#":
            # A preprocessor line, with its continuations.
            while i < n and text[i] != "\n":
                if text[i] == "\\" and i + 1 < n and text[i + 1] == "\n":
                    out[i] = " "
                    i += 2
                    continue
                out[i] = " "
                i += 1
            continue
        line_start = False
        if text.startswith("//", i):
            while i < n and text[i] != "\n":
                out[i] = " "
                i += 1
            continue
        if text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            for j in range(i, end):
                if text[j] != "\n":
                    out[j] = " "
            i = end
            continue
        if c == "R" and text.startswith('R"', i) and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            close = text.find("(", i)
            delim = ")" + text[i + 2:close] + '"'
            end = text.find(delim, close)
            end = n if end < 0 else end + len(delim)
            for j in range(i + 1, end - 1):
                if text[j] != "\n":
                    out[j] = " "
            i = end
            continue
        if c in "\"'":
            if c == "'" and i > 0 and text[i - 1].isalnum():
                i += 1  # a digit separator
                continue
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            for k in range(i + 1, min(j, n)):
                out[k] = " "
            i = j + 1
            continue
        i += 1
    return "".join(out)


class Site:
    __slots__ = ("path", "line", "col", "old", "new", "rule", "text", "id")

    def __init__(self, path, line, col, old, new, rule, text, seen):
        self.path, self.line, self.col, self.old, self.new, self.rule = path, line, col, old, new, rule
        self.text = text
        stripped = text.strip()
        offset = col - (len(text) - len(text.lstrip()))
        key = "\0".join([os.path.basename(path), stripped, str(offset), old, new])
        # The same line may occur more than once in a file: the n-th of them.
        seen[key] = seen.get(key, 0) + 1
        self.id = hashlib.sha1((key + "\0" + str(seen[key])).encode()).hexdigest()[:10]

    def folder(self):
        d = os.path.dirname(self.path)
        return d[len("src/"):] if d.startswith("src/") else "(top)" if d == "src" else d


COMPARISON = {"<": ["<=", ">="], "<=": ["<", ">"], ">": [">=", "<="], ">=": [">", "<"], "==": ["!="], "!=": ["=="]}
ASSIGN_OPS = r"(?:=|\+=|-=|\*=|/=|%=|\|=|&=|\^=|<<=|>>=)"
LVALUE = r"[A-Za-z_*(][\w.\->\[\]():*]*"
KEYWORDS = {"if", "for", "while", "switch", "return", "sizeof", "static_cast", "reinterpret_cast", "const_cast",
            "catch", "alignof", "decltype", "static_assert", "case", "new", "delete", "throw", "defined"}
PAIRS = [("x", "y"), ("width", "height"), ("w", "h"), ("r", "g", "b", "a"), ("left", "right"), ("top", "bottom"),
         ("low", "high"), ("min", "max"), ("lo", "hi"), ("cx", "cy"), ("dx", "dy"), ("px", "py"), ("first", "last"),
         ("begin", "end"), ("from", "to"), ("row", "column"), ("rows", "columns"), ("src", "dst"),
         ("source", "dest"), ("v1", "v2", "v3"), ("a", "b"), ("x0", "x1"), ("y0", "y1")]
COMMUTATIVE = {"max", "min", "fmax", "fmin", "hypot"}
TOKEN = re.compile(r"\w+|->|::|\S")


def same_group(a, b):
    return any(a in g and b in g and a != b for g in PAIRS)


def matching_paren(s, i):
    """Index of the parenthesis closing the one at s[i], on the same line; -1 if none."""
    depth = 0
    for j in range(i, len(s)):
        if s[j] in "([{":
            depth += 1
        elif s[j] in ")]}":
            depth -= 1
            if depth == 0:
                return j
    return -1


def split_args(s, start, end):
    """The top-level comma-separated parts of s[start:end] as (begin, end) spans."""
    parts, depth, b = [], 0, start
    for j in range(start, end):
        if s[j] in "([{<" and not (s[j] == "<" and s[j - 1:j + 2].strip() in ("<", "<=", "<<")):
            depth += s[j] != "<"
        if s[j] in ")]}":
            depth -= 1
        if s[j] == "," and depth == 0:
            parts.append((b, j))
            b = j + 1
    parts.append((b, end))
    return parts


INT_LIT = re.compile(r"^\d+[uUlL]*$")
FLOAT_LIT = re.compile(r"^(\d+\.\d*|\.\d+|\d+\.?\d*[eE][+-]?\d+)[fF]?$")
DECL = re.compile(r"\b((?:const\s+)?(?:unsigned\s+)?[A-Za-z_][\w:]*(?:<[\w:, ]*>)?\s*[*&]?)\s+([A-Za-z_]\w*)\s*(?=[=;,)\[{])")


def same_type(a, b, types):
    a, b = a.strip(), b.strip()
    if not a or not b or a == b:
        return False
    if re.search(r"\w\s+\w", a) or re.search(r"\w\s+\w", b):
        # "int low": a declaration, not an argument; or an expression too long to judge
        if not (re.search(r"[-+*/%&|<>=?:]", a) and re.search(r"[-+*/%&|<>=?:]", b)):
            return False
    if INT_LIT.match(a) and INT_LIT.match(b):
        return True
    if FLOAT_LIT.match(a) and FLOAT_LIT.match(b):
        return a.endswith(("f", "F")) == b.endswith(("f", "F"))
    ta, tb = TOKEN.findall(a), TOKEN.findall(b)
    if len(ta) == len(tb):
        diff = [(x, y) for x, y in zip(ta, tb) if x != y]
        if len(diff) == 1 and same_group(*diff[0]):
            return True
    if re.fullmatch(r"[A-Za-z_]\w*", a) and re.fullmatch(r"[A-Za-z_]\w*", b):
        return a in types and types.get(a) == types.get(b)
    return False


def bool_function_lines(lines):
    """For each line, whether the function it is in returns bool (by its header)."""
    result, inside = [], False
    for text in lines:
        if text and not text[0].isspace() and text[0] not in "{}" and "(" in text:
            header = text.split("(")[0]
            inside = bool(re.search(r"(^|\s)bool\s+[\w:]+$", header))
        result.append(inside)
    return result


def statement_start(prev):
    p = prev.rstrip()
    return p == "" or p.endswith((";", "{", "}", ":")) or p.endswith(")") and re.match(r"\s*(if|for|while|else)\b", p) \
        or p.strip() == "else"


def sites_of(path, text):
    masked = mask(text)
    lines = text.split("\n")
    mlines = masked.split("\n")
    types = {}
    for m in DECL.finditer(masked):
        types.setdefault(m.group(2), re.sub(r"\s+", " ", m.group(1)).replace("const ", ""))
    in_bool = bool_function_lines(mlines)
    out, seen = [], {}

    def add(n, col, old, new, rule):
        out.append(Site(path, n + 1, col, old, new, rule, lines[n], seen))

    for n, m in enumerate(mlines):
        if not m.strip():
            continue
        # comparisons, spaced as clang-format spaces binary operators
        for x in re.finditer(r"(?<= )(<=|>=|==|!=|<|>)(?= )", m):
            for new in COMPARISON[x.group(1)]:
                add(n, x.start(), x.group(1), new, "comparison")
        # + and -
        for x in re.finditer(r"(?<= )([+-])(?= )", m):
            left, right = m[:x.start()].rstrip(), m[x.end():].lstrip()
            if left.endswith('"') or right.startswith('"') or left.endswith(("=", "(", ",", "return", "?", ":")):
                continue
            add(n, x.start(), x.group(1), "-" if x.group(1) == "+" else "+", "arithmetic")
        for x in re.finditer(r"(?<= )(\+=|-=)(?= )", m):
            add(n, x.start(), x.group(1), "-=" if x.group(1) == "+=" else "+=", "arithmetic")
        for x in re.finditer(r"\+\+|--", m):
            if m[x.start() - 1:x.start()] in "+-" or m[x.end():x.end() + 1] in ("+", "-"):
                continue
            add(n, x.start(), x.group(0), "--" if x.group(0) == "++" else "++", "arithmetic")
        # integer constants
        for x in re.finditer(r"(?<![\w.])(\d+)([uUlL]*)(?![\w.'])", m):
            value = int(x.group(1))
            if x.group(1).startswith("0") and value:
                continue  # octal: none of ours
            add(n, x.start(), x.group(0), str(value + 1) + x.group(2), "constant")
            if value > 0:
                add(n, x.start(), x.group(0), str(value - 1) + x.group(2), "constant")
        # && and ||
        for x in re.finditer(r"(?<= )(&&|\|\|)(?= )", m):
            add(n, x.start(), x.group(1), "||" if x.group(1) == "&&" else "&&", "logic")
        # a returned boolean
        for x in re.finditer(r"\breturn ([^;]+);", m):
            value = x.group(1).strip()
            single = re.search(r"\bbool\s+\w+\([^)]*\)[^{]*\{\s*return\b", m)
            if (in_bool[n] and m[0].isspace()) or single:
                if value.startswith("[") or value in ("{}", "nullptr"):
                    continue
                s, e = x.start(1), x.end(1)
                add(n, s, text.split("\n")[n][s:e], "!(" + lines[n][s:e] + ")", "return")
        # a statement or an assignment dropped
        body = re.match(r"(\s*)((?:(?:if|for|while)\s*\()|else\s+)?", m)
        start = body.end()
        if body.group(2) and body.group(2).strip() != "else":
            close = matching_paren(m, start - 1)
            if close < 0:
                start = -1
            else:
                start = close + 1
                while start < len(m) and m[start] == " ":
                    start += 1
        if start >= 0 and m.rstrip().endswith(";") and (body.group(2) or statement_start(mlines[n - 1] if n else "")):
            stmt = m[start:].rstrip()
            expr = stmt[:-1]
            balanced = expr.count("(") == expr.count(")") and ";" not in expr and "{" not in expr
            assign = re.fullmatch(LVALUE + r"\s*" + ASSIGN_OPS + r"\s.*", expr) or re.fullmatch(
                r"(\+\+|--)" + LVALUE + "|" + LVALUE + r"(\+\+|--)", expr)
            call = re.fullmatch(r"[A-Za-z_][\w:.\->\[\]]*\(.*\)", expr) and expr.split("(")[0] not in KEYWORDS
            if balanced and stmt and (assign or call) and not expr.startswith(("return", "break", "continue")):
                add(n, start, lines[n][start:len(stmt) + start], "{}", "statement")
        # a call's neighbouring arguments of one type swapped
        for x in re.finditer(r"\b([A-Za-z_]\w*)\s*\(", m):
            if x.group(1) in KEYWORDS or x.group(1) in COMMUTATIVE:
                continue
            open_ = x.end() - 1
            close = matching_paren(m, open_)
            if close < 0:
                continue
            if not m[:x.start()].strip() and m[0] != " ":
                continue
            prefix = m[:x.start()].rstrip()
            if re.search(r"\b(bool|int|void|float|double|auto|char|size_t|uint\w*|int\w*|Color|Vector2)$", prefix):
                continue  # a declaration's own parameters
            parts = split_args(m, open_ + 1, close)
            for (b1, e1), (b2, e2) in zip(parts, parts[1:]):
                a, b = m[b1:e1], m[b2:e2]
                if '"' in a or '"' in b or not same_type(a, b, types):
                    continue
                la, lb = len(a) - len(a.lstrip()), len(b) - len(b.lstrip())
                s1, s2 = b1 + la, b2 + lb
                old = lines[n][s1:e2]
                new = lines[n][s2:e2] + ", " + lines[n][s1:e1].strip()
                add(n, s1, old, new, "arguments")
    return out


def source_files(root):
    found = []
    for dirpath, _, files in os.walk(os.path.join(root, "src")):
        for f in files:
            if f.endswith((".cpp", ".h")):
                found.append(os.path.relpath(os.path.join(dirpath, f), root))
    return sorted(found)


def all_sites(root):
    sites = []
    for path in source_files(root):
        with open(os.path.join(root, path), encoding="utf-8") as f:
            sites.extend(sites_of(path, f.read()))
    # An order that does not depend on the folders: a file that moves keeps its sites' place.
    sites.sort(key=lambda s: (os.path.basename(s.path), s.path, s.line, s.col, s.new))
    return sites


def equivalents(root):
    found = {}
    path = os.path.join(root, EQUIVALENTS)
    if os.path.exists(path):
        for n, line in enumerate(open(path, encoding="utf-8"), 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            parts = [p.strip() for p in line.split(" | ")]
            if len(parts) < 3 or not re.fullmatch(r"[0-9a-f]{10}", parts[0]) or not parts[-1]:
                sys.exit(f"{EQUIVALENTS}:{n}: expected 'id | where and what | why'")
            found[parts[0]] = parts[-1]
    return found


def describe(s):
    return f"{s.path}:{s.line}: {s.old} -> {s.new} [{s.rule}]"


def apply(place, old, new):
    path, line, col = place.rsplit(":", 2)
    line, col = int(line), int(col)
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    text = lines[line - 1]
    if text[col:col + len(old)] != old:
        sys.exit(f"{path}:{line}:{col}: expected {old!r}, found {text[col:col + len(old)]!r}")
    lines[line - 1] = text[:col] + new + text[col + len(old):]
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines))


def main(argv):
    if len(argv) >= 2 and argv[1] == "apply" and len(argv) == 5:
        apply(argv[2], argv[3], argv[4])
        return
    root = os.environ.get("DELVE_ROOT", ROOT)
    sites = all_sites(root)
    eq = equivalents(root)
    if len(argv) == 2 and argv[1] == "sites":
        for s in sites:
            print(s.id, describe(s), "(equivalent: " + eq[s.id] + ")" if s.id in eq else "")
    elif len(argv) == 2 and argv[1] == "count":
        counts = {}
        for s in sites:
            counts.setdefault(s.folder(), {}).setdefault(s.rule, 0)
            counts[s.folder()][s.rule] += 1
        for folder in sorted(counts):
            rules = counts[folder]
            print(f"{folder:16} {sum(rules.values()):5}  " + " ".join(f"{r}={c}" for r, c in sorted(rules.items())))
        print(f"{'all':16} {len(sites):5}")
        stale = set(eq) - {s.id for s in sites}
        for i in sorted(stale):
            print(f"{EQUIVALENTS}: {i} names no site of the code as it is", file=sys.stderr)
    elif len(argv) == 4 and argv[1] == "sample":
        count, seed = int(argv[2]), int(argv[3])
        # Each site ranked by a hash of the seed and its id, the first `count`
        # taken: a site keeps its rank when others come or go, so a sample
        # stays mostly the same across changes elsewhere in the code.
        rank = {s.id: hashlib.sha1(f"{seed}:{s.id}".encode()).hexdigest() for s in sites}
        chosen = sorted(sites, key=lambda s: rank[s.id])[:count]
        for s in chosen:
            note = "equivalent: " + eq[s.id] if s.id in eq else ""
            print("\t".join([s.id, s.folder(), f"{s.path}:{s.line}:{s.col}", s.old, s.new, s.rule, note]))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
