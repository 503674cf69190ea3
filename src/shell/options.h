// The command line: one table of options, each with its value (if any) and its
// line of help, read into an Options record before anything else starts.
#pragma once

#include <string>

#include "platform/platform.h"  // MAX_WINDOW_SCALE

struct Options {
    bool help = false;        // --help: print the usage and stop
    bool version = false;     // --version: print the version and stop
    int scale = 1;            // --scale N: the window opens at N times 640 x 480
    bool scaleGiven = false;  // --scale was given: it wins over the settings file
    bool fullscreen = false;  // --fullscreen: start in desktop fullscreen
    bool noSettings = false;  // --no-settings: neither read nor write the settings file
    std::string record;       // --record FILE: play and write a demo there ("" when not recording)
    std::string play;         // --play FILE: replay a demo at the game's pace
    std::string timedemo;     // --timedemo FILE: replay a demo as fast as possible and time it
};

// Reads argv[1..argc-1] into `options`. On a mistake returns false with a
// one-line reason in `error` (without the program's name or a pointer to --help).
bool ParseOptions(int argc, const char* const* argv, Options* options, std::string* error);
// The usage text that --help prints: one line per option of the table.
std::string Usage(void);
