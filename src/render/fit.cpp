#include "render/fit.h"

#include <algorithm>

namespace {

// Division rounding toward minus infinity, so a bar left of or above the
// frame maps to negative frame pixels rather than to pixel 0.
long long FloorDiv(long long a, long long b)
{
    const long long q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

int Clamped(long long v) { return static_cast<int>(std::clamp<long long>(v, -(1LL << 30), 1LL << 30)); }

}  // namespace

FrameView FitFrame(int windowW, int windowH, int frameW, int frameH)
{
    if (windowW <= 0 || windowH <= 0 || frameW <= 0 || frameH <= 0) return FrameView{0, 0, 0, 0};
    const int k = std::min(windowW / frameW, windowH / frameH);
    long long w, h;
    if (k >= 1) {
        w = static_cast<long long>(frameW) * k;
        h = static_cast<long long>(frameH) * k;
    } else if (static_cast<long long>(windowW) * frameH <= static_cast<long long>(windowH) * frameW) {
        // Narrower than the frame's shape: full width, the height to match.
        w = windowW;
        h = std::max<long long>(1, static_cast<long long>(windowW) * frameH / frameW);
    } else {
        h = windowH;
        w = std::max<long long>(1, static_cast<long long>(windowH) * frameW / frameH);
    }
    return FrameView{static_cast<int>((windowW - w) / 2), static_cast<int>((windowH - h) / 2), static_cast<int>(w),
                     static_cast<int>(h)};
}

void WindowToFrame(FrameView view, int frameW, int frameH, int windowX, int windowY, int* frameX, int* frameY)
{
    if (view.w <= 0 || view.h <= 0) {
        *frameX = windowX;
        *frameY = windowY;
        return;
    }
    // The same rule the present uses to pick the frame pixel shown at each
    // window pixel: frame = (window - edge) * frame size / shown size, rounded down.
    *frameX = Clamped(FloorDiv((static_cast<long long>(windowX) - view.x) * frameW, view.w));
    *frameY = Clamped(FloorDiv((static_cast<long long>(windowY) - view.y) * frameH, view.h));
}

ScreenRect KeepOnScreen(ScreenRect window, ScreenRect area, bool onIt)
{
    window.w = std::min(window.w, area.w);
    window.h = std::min(window.h, area.h);
    if (onIt) {
        window.x = std::clamp(window.x, area.x, area.x + area.w - window.w);
        window.y = std::clamp(window.y, area.y, area.y + area.h - window.h);
    }
    return window;
}
