#include "shell/settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef _WIN32
// Only the file calls: Windows' drawing names clash with the game's.
#define WIN32_LEAN_AND_MEAN
#define NOGDI
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <io.h>
#include <windows.h>
#endif

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <vector>

#include "shell/demo_file.h"

namespace {

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// A whole number from `low` to `high`, digits only after an optional minus.
bool ReadInt(std::string_view text, int low, int high, int* value)
{
    int n = 0;
    const char* end = text.data() + text.size();
    const auto [stop, failed] = std::from_chars(text.data(), end, n);
    if (text.empty() || failed != std::errc() || stop != end || n < low || n > high) return false;
    *value = n;
    return true;
}

struct Key {
    const char* name;
    int low, high;
};
constexpr Key KEYS[] = {
    {"width", 1, MAX_SETTINGS_SIZE},
    {"height", 1, MAX_SETTINGS_SIZE},
    {"x", -MAX_SETTINGS_PLACE, MAX_SETTINGS_PLACE},
    {"y", -MAX_SETTINGS_PLACE, MAX_SETTINGS_PLACE},
    {"scale", 1, 8},
    {"fullscreen", 0, 1},
};
constexpr int KEY_COUNT = static_cast<int>(sizeof KEYS / sizeof KEYS[0]);

#ifdef _WIN32
// Windows' rename does not replace a file; MoveFileEx does, in one step, and
// returns only once the move is on the disk.
int SyncFile(int fd) { return _commit(fd); }
bool MoveIntoPlace(const char* from, const char* to, std::string* error)
{
    if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    char text[256] = "";
    const DWORD code = GetLastError();
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, sizeof text,
                   nullptr);
    std::string reason = text;
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == '.'))
        reason.pop_back();
    *error = reason.empty() ? "error " + std::to_string(code) : reason;
    return false;
}
#else
int SyncFile(int fd) { return fchmod(fd, 0644) != 0 ? -1 : fsync(fd); }
bool MoveIntoPlace(const char* from, const char* to, std::string* error)
{
    if (std::rename(from, to) == 0) return true;
    *error = ErrnoReason(errno);
    return false;
}
#endif

}  // namespace

bool ParseSettings(std::string_view text, Settings* settings, std::string* error)
{
    if (text.find('\0') != std::string_view::npos) {
        *error = "not a text file";
        return false;
    }
    bool inWindow = false, sawWindow = false;
    bool seen[KEY_COUNT] = {};
    int values[KEY_COUNT] = {};
    int lineNumber = 0;
    while (!text.empty()) {
        const size_t newline = text.find('\n');
        const std::string_view line = Trim(text.substr(0, newline));
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
        ++lineNumber;
        auto fail = [&](const std::string& why) {
            *error = "line " + std::to_string(lineNumber) + ": " + why;
            return false;
        };
        if (line.empty() || line.front() == '#' || line.front() == ';') continue;
        if (line.front() == '[') {
            if (line != "[window]") return fail("unknown section " + std::string(line.substr(0, 40)));
            if (sawWindow) return fail("[window] given twice");
            inWindow = sawWindow = true;
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) return fail("not a setting (name=value)");
        if (!inWindow) return fail("a setting before [window]");
        const std::string_view name = Trim(line.substr(0, equals)), value = Trim(line.substr(equals + 1));
        int k = 0;
        while (k < KEY_COUNT && name != KEYS[k].name) ++k;
        if (k == KEY_COUNT) return fail("unknown setting '" + std::string(name.substr(0, 40)) + "'");
        if (seen[k]) return fail("'" + std::string(name) + "' given twice");
        if (!ReadInt(value, KEYS[k].low, KEYS[k].high, &values[k]))
            return fail("'" + std::string(name) + "' is not a whole number from " + std::to_string(KEYS[k].low) +
                        " to " + std::to_string(KEYS[k].high));
        seen[k] = true;
    }
    if (!sawWindow) {
        *error = "no [window] section";
        return false;
    }
    if (seen[0] != seen[1] || seen[2] != seen[3]) {
        *error = seen[0] != seen[1] ? "width and height come together" : "x and y come together";
        return false;
    }
    Settings s;
    if (seen[0]) s.width = values[0], s.height = values[1];
    if (seen[2]) s.positioned = true, s.x = values[2], s.y = values[3];
    if (seen[4]) s.scale = values[4];
    s.fullscreen = seen[5] && values[5] == 1;
    *settings = s;
    return true;
}

std::string FormatSettings(const Settings& s)
{
    std::string text = "# delve: the window as it was when the game last ended\n[window]\n";
    if (s.width > 0 && s.height > 0)
        text += "width=" + std::to_string(s.width) + "\nheight=" + std::to_string(s.height) + "\n";
    if (s.positioned) text += "x=" + std::to_string(s.x) + "\ny=" + std::to_string(s.y) + "\n";
    if (s.scale > 0) text += "scale=" + std::to_string(s.scale) + "\n";
    text += std::string("fullscreen=") + (s.fullscreen ? "1" : "0") + "\n";
    return text;
}

SettingsFile ReadSettingsFile(const std::string& path, Settings* settings, std::string* error)
{
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        if (errno == ENOENT) return SettingsFile::Missing;
        *error = ErrnoReason(errno);
        return SettingsFile::Broken;
    }
    // One byte more than a settings file may hold tells a file that is too long.
    std::vector<char> bytes(MAX_SETTINGS_BYTES + 1);
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
    const bool failed = std::ferror(f);
    const int readErrno = errno;
    std::fclose(f);
    if (failed) {
        *error = ErrnoReason(readErrno);
        return SettingsFile::Broken;
    }
    if (got > MAX_SETTINGS_BYTES) {
        *error = "longer than " + std::to_string(MAX_SETTINGS_BYTES) + " bytes";
        return SettingsFile::Broken;
    }
    if (!ParseSettings(std::string_view(bytes.data(), got), settings, error)) return SettingsFile::Broken;
    return SettingsFile::Read;
}

bool WriteFileAtomically(const std::string& path, const std::string& text, std::string* error)
{
    // mkstemp's name: the file's own and six letters, so it lies in the same
    // folder (a rename cannot cross file systems) and never clashes.
    std::vector<char> temp(path.begin(), path.end());
    for (char c : std::string(".XXXXXX")) temp.push_back(c);
    temp.push_back('\0');
    errno = 0;
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        *error = ErrnoReason(errno);
        return false;
    }
    size_t done = 0;
    bool ok = true;
    while (ok && done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += static_cast<size_t>(n);
    }
    int saved = errno;
    // The data reaches the disk before the name does: after a crash the name
    // holds the old text or the new, whole.
    if (ok && SyncFile(fd) != 0) ok = false, saved = errno;
    if (close(fd) != 0 && ok) ok = false, saved = errno;
    if (!ok) {
        unlink(temp.data());
        *error = ErrnoReason(saved);
        return false;
    }
    if (!MoveIntoPlace(temp.data(), path.c_str(), error)) {
        unlink(temp.data());
        return false;
    }
    return true;
}
