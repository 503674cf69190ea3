// The settings file, settings.ini: the window as the player left it (size,
// place, scale, fullscreen), read at start and written at quit. Plain text,
// read strictly: anything it does not know makes the whole file void. Written
// through a temporary file renamed over the old one, so a crash leaves either
// the old file or the new one, never half of one.
#pragma once

#include <string>
#include <string_view>

// The window's settings; a field left at 0 (or false) was not in the file.
struct Settings {
    int width = 0;  // the window's inside, pixels; with height
    int height = 0;
    bool positioned = false;  // x and y were given
    int x = 0;                // the inside's top-left corner on the desktop, pixels
    int y = 0;
    int scale = 0;  // whole multiple of the frame the window shows (1 to 8)
    bool fullscreen = false;
};

// Largest width or height, and farthest place, a file may give.
constexpr int MAX_SETTINGS_SIZE = 16384;
constexpr int MAX_SETTINGS_PLACE = 100000;
// A settings file longer than this is not one of ours.
constexpr size_t MAX_SETTINGS_BYTES = 65536;

// Reads the file's text into `settings`. False with a short reason in `error`
// for text that is not a sound settings file; `settings` is then untouched.
bool ParseSettings(std::string_view text, Settings* settings, std::string* error);
// The file's text for `settings`, which ParseSettings reads back the same.
std::string FormatSettings(const Settings& settings);

enum class SettingsFile { Missing, Read, Broken };
// Reads and parses the file at `path`: Missing when there is none (no error),
// Broken with a reason in `error` when it cannot be read or is not sound.
SettingsFile ReadSettingsFile(const std::string& path, Settings* settings, std::string* error);
// Replaces the file at `path` with `text` whole: written to a new temporary
// file in the same folder, flushed to the disk, then renamed over it. False
// with a reason in `error`; the old file is then as it was and no temporary
// file is left.
bool WriteFileAtomically(const std::string& path, const std::string& text, std::string* error);
