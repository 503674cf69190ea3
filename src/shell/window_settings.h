// The window between runs: how main opens it, from the command line and the
// settings file, and what it saves of it when the game ends. The file lives
// in the player's folder (GetSettingsDirectory) as settings.ini.
#pragma once

#include <string>

#include "platform/platform.h"
#include "shell/settings.h"

struct Options;

// How the window opens this run.
struct WindowStart {
    int scale = 1;                // for SetWindowScale
    bool fullscreen = false;      // FLAG_FULLSCREEN_MODE
    bool placed = false;          // open at `placement` rather than a multiple of the frame
    WindowPlacement placement{};  // size, place and fullscreen from the file
};

// The command line wins over the file for the run: --scale over the size and
// scale kept, --fullscreen over a window kept. `kept` is null without a file.
WindowStart ChooseWindowStart(const Options& options, const Settings* kept);
// The settings that bring the window back as it is now, for a frame of
// frameWidth x frameHeight.
Settings SettingsOfWindow(const WindowPlacement& window, int frameWidth, int frameHeight);
// Where the file is: settings.ini in the player's folder, or "" when there is none.
std::string SettingsPath(void);

// Before the window opens: reads the file (unless --no-settings; a broken one
// gets one warning on standard error and changes nothing) and tells the layer
// how to open the window.
void ApplyWindowSettings(const Options& options);
// Before the window closes: saves it (unless --no-settings, or headless),
// saying once on standard error when it cannot.
void SaveWindowSettings(const Options& options);
