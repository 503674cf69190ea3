// settings.ini: the parser the game reads the file with, then the window start
// it feeds, kept on a screen as the desktop backend keeps it. A window placed
// from any accepted file lands wholly on a screen, and what is accepted is
// written back as a file that reads the same.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "render/fit.h"
#include "shell/options.h"
#include "shell/settings.h"
#include "shell/window_settings.h"

namespace {

// Desktops to open on: one screen, two side by side with a panel, one far off.
constexpr ScreenRect ONE[] = {{0, 0, 1920, 1080}};
constexpr ScreenRect TWO[] = {{0, 27, 1280, 997}, {1280, -200, 800, 600}};
constexpr ScreenRect FAR[] = {{-50000, 90000, 640, 480}};

// The backend's choice: the screen holding the window's middle when it is
// placed, the first otherwise; then kept on it.
template <size_t N>
void CheckLandsOnScreen(const WindowPlacement& p, const ScreenRect (&screens)[N])
{
    const int midX = p.x + p.width / 2, midY = p.y + p.height / 2;
    ScreenRect area = screens[0];
    bool onIt = false;
    for (const ScreenRect& s : screens) {
        if (p.positioned && midX >= s.x && midX < s.x + s.w && midY >= s.y && midY < s.y + s.h) {
            area = s;
            onIt = true;
            break;
        }
    }
    const ScreenRect w = KeepOnScreen({p.x, p.y, p.width, p.height}, area, onIt);
    if (w.w < 1 || w.h < 1 || w.w > area.w || w.h > area.h) std::abort();
    if (onIt && (w.x < area.x || w.y < area.y || w.x + w.w > area.x + area.w || w.y + w.h > area.y + area.h))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Settings kept;
    std::string error;
    if (!ParseSettings(text, &kept, &error)) {
        if (error.empty() || error.find('\n') != std::string::npos) std::abort();
        return 0;
    }
    Settings again;
    if (!ParseSettings(FormatSettings(kept), &again, &error)) std::abort();
    if (again.width != kept.width || again.height != kept.height || again.positioned != kept.positioned ||
        again.x != kept.x || again.y != kept.y || again.scale != kept.scale || again.fullscreen != kept.fullscreen)
        std::abort();

    for (int variant = 0; variant < 3; variant++) {
        Options options;
        if (variant == 1) options.fullscreen = true;
        if (variant == 2) options.scale = 3, options.scaleGiven = true;
        const WindowStart start = ChooseWindowStart(options, &kept);
        if (start.scale < 1 || start.scale > MAX_WINDOW_SCALE) std::abort();
        if (!start.placed) continue;
        if (start.placement.width < 1 || start.placement.height < 1) std::abort();
        CheckLandsOnScreen(start.placement, ONE);
        CheckLandsOnScreen(start.placement, TWO);
        CheckLandsOnScreen(start.placement, FAR);
    }
    return 0;
}
