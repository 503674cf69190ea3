#include "shell/window_settings.h"

#include <algorithm>
#include <cstdio>

#include "shell/options.h"
#include "shell/state.h"

WindowStart ChooseWindowStart(const Options& options, const Settings* kept)
{
    WindowStart start;
    start.scale = options.scale;
    start.fullscreen = options.fullscreen;
    if (!kept) return start;
    start.fullscreen = options.fullscreen || kept->fullscreen;
    if (options.scaleGiven) return start;
    if (kept->width > 0 && kept->height > 0) {
        start.placed = true;
        start.placement =
            WindowPlacement{kept->x, kept->y, kept->positioned, kept->width, kept->height, start.fullscreen};
    } else if (kept->scale > 0) {
        start.scale = kept->scale;
    }
    return start;
}

Settings SettingsOfWindow(const WindowPlacement& window, int frameWidth, int frameHeight)
{
    Settings s;
    s.width = std::clamp(window.width, 1, MAX_SETTINGS_SIZE);
    s.height = std::clamp(window.height, 1, MAX_SETTINGS_SIZE);
    s.positioned = window.positioned;
    if (s.positioned) {
        s.x = std::clamp(window.x, -MAX_SETTINGS_PLACE, MAX_SETTINGS_PLACE);
        s.y = std::clamp(window.y, -MAX_SETTINGS_PLACE, MAX_SETTINGS_PLACE);
    }
    // The whole multiple the frame is shown at; a window smaller than the
    // frame shows it shrunk, which --scale calls 1.
    s.scale = std::clamp(std::min(window.width / frameWidth, window.height / frameHeight), 1, MAX_WINDOW_SCALE);
    s.fullscreen = window.fullscreen;
    return s;
}

std::string SettingsPath(void)
{
    const std::string folder = GetSettingsDirectory();
    return folder.empty() ? std::string() : folder + "settings.ini";
}

void ApplyWindowSettings(const Options& options)
{
    Settings kept;
    bool haveFile = false;
    if (!options.noSettings) {
        const std::string path = SettingsPath();
        std::string error;
        const SettingsFile read = path.empty() ? SettingsFile::Missing : ReadSettingsFile(path, &kept, &error);
        if (read == SettingsFile::Broken)
            std::fprintf(stderr, "delve: ignoring the settings in %s: %s; using the defaults\n", path.c_str(),
                         error.c_str());
        haveFile = read == SettingsFile::Read;
    }
    const WindowStart start = ChooseWindowStart(options, haveFile ? &kept : nullptr);
    SetWindowScale(start.scale);
    SetConfigFlags(start.fullscreen ? FLAG_FULLSCREEN_MODE : 0);
    if (start.placed) SetWindowPlacement(start.placement);
}

void SaveWindowSettings(const Options& options)
{
    WindowPlacement window{};
    // A headless window is on no screen: nothing to bring back.
    if (options.noSettings || !GetWindowPlacement(&window)) return;
    const std::string path = SettingsPath();
    if (path.empty()) {
        std::fprintf(stderr, "delve: cannot save the window's settings: no folder for them (is HOME set?)\n");
        return;
    }
    std::string error;
    if (!WriteFileAtomically(path, FormatSettings(SettingsOfWindow(window, WINDOW_WIDTH, WINDOW_HEIGHT)), &error))
        std::fprintf(stderr, "delve: cannot save the window's settings as %s: %s\n", path.c_str(), error.c_str());
}
