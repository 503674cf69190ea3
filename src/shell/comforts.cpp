#include "shell/comforts.h"

#include "platform/platform.h"
#include "shell/controls.h"
#include "shell/state.h"

namespace {

constexpr Color PANEL{0, 0, 0, 200};             // the controls' panel: dark, the game still showing through
constexpr Color PANEL_TEXT{230, 230, 230, 255};  // its text
constexpr Color PANEL_HEADING{255, 205, 120, 255};
constexpr int PANEL_X = 20, PANEL_Y = 48, PANEL_W = 600, PANEL_H = 424;  // frame pixels, below the paused line
constexpr int TEXT_SIZE = 14;    // pixels high: readable in a 640x480 frame shown at 1x
constexpr int LINE_HEIGHT = 17;  // pixels between two lines of the panel
constexpr int KEY_COLUMN = 36, WHAT_COLUMN = 186, PAD_COLUMN = 436;  // the panel's columns, frame x

constexpr Color PAUSED_BAND{0, 0, 0, 160};
constexpr Color PAUSED_TEXT{255, 255, 255, 255};
constexpr int PAUSED_BAND_H = 40, PAUSED_TEXT_SIZE = 24;  // a band across the top of the frame

constexpr Color CURSOR_EDGE{0, 0, 0, 255};
constexpr Color CURSOR_MIDDLE{255, 255, 255, 255};
constexpr int CURSOR_ARM = 6;  // pixels from the cursor's middle to the end of each arm

// A line of the panel: the command line's options share the controls' columns.
struct ControlRow {
    const char* keys;
    const char* what;
    const char* pad;
};

constexpr ControlRow OPTIONS[] = {
    {"--scale N", "open at N times 640x480", ""},
    {"--fullscreen", "start fullscreen", ""},
    {"--no-settings", "neither read nor save the window's place", ""},
    {"--record FILE", "record a demo; --play, --timedemo replay it", ""},
};

void DrawRow(const ControlRow& row, int y)
{
    DrawText(row.keys, KEY_COLUMN, y, TEXT_SIZE, PANEL_TEXT);
    DrawText(row.what, WHAT_COLUMN, y, TEXT_SIZE, PANEL_TEXT);
    if (*row.pad) DrawText(row.pad, PAD_COLUMN, y, TEXT_SIZE, PANEL_TEXT);
}

// A small cross, light with a dark edge, so it shows on lit rock and in the dark.
void DrawPadCursor()
{
    const Vector2 at = GetMousePosition();
    const int x = static_cast<int>(at.x), y = static_cast<int>(at.y);
    DrawRectangle(x - CURSOR_ARM - 1, y - 2, 2 * CURSOR_ARM + 3, 5, CURSOR_EDGE);
    DrawRectangle(x - 2, y - CURSOR_ARM - 1, 5, 2 * CURSOR_ARM + 3, CURSOR_EDGE);
    DrawRectangle(x - CURSOR_ARM, y - 1, 2 * CURSOR_ARM + 1, 3, CURSOR_MIDDLE);
    DrawRectangle(x - 1, y - CURSOR_ARM, 3, 2 * CURSOR_ARM + 1, CURSOR_MIDDLE);
}

}  // namespace

void DrawControls(void)
{
    DrawRectangle(PANEL_X, PANEL_Y, PANEL_W, PANEL_H, PANEL);
    int y = PANEL_Y + 10;
    DrawText("Controls", KEY_COLUMN, y, 20, PANEL_HEADING);
    DrawText("F1 hides this panel", PAD_COLUMN, y + 4, TEXT_SIZE, PANEL_HEADING);
    y += 30;
    DrawRow(ControlRow{"Keys and mouse", "", "Gamepad"}, y);
    y += LINE_HEIGHT + 4;
    for (int i = 0; i < CONTROL_COUNT; ++i) {
        DrawRow(ControlRow{CONTROLS[i].keys, CONTROLS[i].what, CONTROLS[i].pad}, y);
        y += LINE_HEIGHT;
    }
    y += 10;
    DrawText("Command line (delve --help)", KEY_COLUMN, y, TEXT_SIZE, PANEL_HEADING);
    y += LINE_HEIGHT + 4;
    for (const ControlRow& row : OPTIONS) {
        DrawRow(row, y);
        y += LINE_HEIGHT;
    }
}

void DrawPausedLine(void)
{
    DrawRectangle(0, 0, WINDOW_WIDTH, PAUSED_BAND_H, PAUSED_BAND);
    DrawText("paused: P goes on", 220, 6, PAUSED_TEXT_SIZE, PAUSED_TEXT);
}

void DrawComforts(Comforts* comforts)
{
    const bool cursor = IsGamepadCursorShown();
    comforts->keptFresh = false;
    if (!cursor && !comforts->overlay) return;
    // A pause now shows this picture again, without what is drawn over it.
    KeepFrame();
    comforts->keptFresh = true;
    if (cursor) DrawPadCursor();
    if (comforts->overlay) DrawControls();
}

bool PausedFrame(Comforts* comforts)
{
    if (IsKeyPressed(KEY_F1)) {
        comforts->overlay = !comforts->overlay;
        comforts->redraw = true;
    }
    if (IsKeyPressed(KEY_P)) {
        comforts->paused = !comforts->paused;
        comforts->redraw = comforts->paused;
        // Between frames the frame still holds the last picture shown: kept
        // as it is unless something of ours was drawn over it.
        if (comforts->paused && !comforts->keptFresh) KeepFrame();
        comforts->keptFresh = comforts->paused;
        if (comforts->paused)
            EnableEventWaiting();
        else
            DisableEventWaiting();
    }
    if (!comforts->paused) return false;
    if (comforts->redraw) {
        comforts->redraw = false;
        BeginDrawing();
        DrawKeptFrame();
        if (comforts->overlay) DrawControls();
        DrawPausedLine();
        EndDrawing();
    } else {
        PollInputEvents();
    }
    return true;
}
