// The browser backend: the frame on a 640x480 canvas, the keyboard, mouse and
// wheel from the page's events, and the game's files from the data package
// the page fetched beside the program. The page (web/index.html) lays the
// canvas out; this file only draws on it and listens to it.
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "backends/web/browser_loop.h"
#include "backends/web/web_keys.h"
#include "backends/web/web_page.h"
#include "platform/backend.h"
#include "platform/keycodes.h"
#include "platform/platform.h"

namespace {

constexpr const char* CANVAS = "#canvas";  // the page's canvas, by its id
// Wheel travel that makes one notch, by the event's unit (pixels, lines,
// pages): a mouse's notch is about 100 pixels or 3 lines; a touchpad's small
// steps add up to notches instead of zooming at every event.
constexpr double WHEEL_NOTCH_PIXELS = 100.0;
constexpr double WHEEL_NOTCH_LINES = 3.0;
constexpr double WHEEL_NOTCH_PAGES = 1.0;

enum class EventKind { Key, Button, Cursor, Wheel, FocusLost };

// One page event, kept until the next poll hands it to the layer.
struct WebEvent {
    EventKind kind;
    int a;     // key code, or button
    bool b;    // down
    bool alt;  // Alt held with a key
    int x;     // cursor, frame pixels
    int y;
    float notches;
};

struct WebBackend {
    bool open = false;
    bool page = false;               // drawing on a page's canvas; false under node
    int width = 0;                   // the frame (and the canvas's own pixels)
    int height = 0;                  // pixels
    std::vector<WebEvent> events;    // since the last poll, in order
    std::vector<uint32_t> rgba;      // the frame as the canvas takes it: bytes R, G, B, A
    const uint32_t* last = nullptr;  // the renderer's frame last presented: it stays until the next is drawn
    double wheelTravel = 0.0;        // wheel travel not yet a whole notch, in notches
    int screenshots = 0;             // screenshots downloaded, for their names
    int fps = -1;                    // the rate the layer paces to; -1 before the window opens
    bool unshown = false;            // the frame last presented is not on the canvas yet
};

WebBackend gWeb;

void Push(const WebEvent& e)
{
    if (gWeb.open) gWeb.events.push_back(e);
}

WebEvent CursorEvent(EventKind kind, const EmscriptenMouseEvent* m)
{
    WebEvent e{kind, 0, false, false, 0, 0, 0.0f};
    WebClientToFrame(static_cast<double>(m->clientX), static_cast<double>(m->clientY), &e.x, &e.y);
    return e;
}

// The page's button numbers (0 left, 1 middle, 2 right, 3 back, 4 forward) as the game's.
int ButtonFromPage(unsigned short button)
{
    switch (button) {
        case 0: return MOUSE_BUTTON_LEFT;
        case 1: return 2;
        case 2: return MOUSE_BUTTON_RIGHT;
        case 3: return 3;
        case 4: return 4;
        default: return -1;
    }
}

EM_BOOL OnKey(int type, const EmscriptenKeyboardEvent* k, void*)
{
    const int key = KeyFromCode(k->code);
    if (key == KEY_NULL) return EM_FALSE;
    const bool down = type == EMSCRIPTEN_EVENT_KEYDOWN;
    const bool shortcut = k->ctrlKey || k->metaKey;
    // Keys the page answers at once, inside the event: a browser grants
    // fullscreen and downloads only while the person's action is going on.
    if (key == CODE_F11 || key == CODE_F12 || key == WEB_SCREENSHOT_KEY) {
        if (shortcut) return EM_FALSE;
        if (down && !k->repeat) {
            if (key == CODE_F11)
                WebSetFullscreen(WebIsFullscreen() ? 0 : 1);
            else
                WebDownloadFrame(gWeb.screenshots++);
        }
        return EM_TRUE;
    }
    // Escape is the browser's way out of fullscreen; a tab is closed, not quit.
    if (key == KEY_ESCAPE) return EM_FALSE;
    // A held key is held until it comes up: the browser's repeats add nothing.
    if (!(down && k->repeat)) Push(WebEvent{EventKind::Key, key, down, k->altKey != 0, 0, 0, 0.0f});
    return KeyIsTheGames(key, shortcut) ? EM_TRUE : EM_FALSE;
}

EM_BOOL OnMouseDown(int, const EmscriptenMouseEvent* m, void*)
{
    // The default of a press is focus, and a text selection started by a
    // drag: the canvas takes the keyboard itself and selects nothing.
    WebFocusCanvas();
    const int button = ButtonFromPage(m->button);
    if (button < 0) return EM_TRUE;
    WebEvent e = CursorEvent(EventKind::Button, m);
    e.a = button;
    e.b = true;
    Push(e);
    return EM_TRUE;
}

// Releases come from the whole window, so a drag let go beside the canvas
// still lets the button go.
EM_BOOL OnMouseUp(int, const EmscriptenMouseEvent* m, void*)
{
    const int button = ButtonFromPage(m->button);
    if (button < 0) return EM_FALSE;
    WebEvent e = CursorEvent(EventKind::Button, m);
    e.a = button;
    e.b = false;
    Push(e);
    return EM_FALSE;
}

EM_BOOL OnMouseMove(int, const EmscriptenMouseEvent* m, void*)
{
    Push(CursorEvent(EventKind::Cursor, m));
    return EM_FALSE;
}

EM_BOOL OnWheel(int, const EmscriptenWheelEvent* w, void*)
{
    double unit = WHEEL_NOTCH_PIXELS;
    if (w->deltaMode == DOM_DELTA_LINE) unit = WHEEL_NOTCH_LINES;
    if (w->deltaMode == DOM_DELTA_PAGE) unit = WHEEL_NOTCH_PAGES;
    // The page's delta grows downward; the game's notches are up positive.
    // A whole notch's travel or more in one event counts as one notch, so a
    // browser's larger steps do not skip zoom levels.
    const double travel = -w->deltaY / unit;
    if (std::fabs(travel) >= 1.0) {
        gWeb.wheelTravel = 0.0;
        Push(WebEvent{EventKind::Wheel, 0, false, false, 0, 0, travel > 0.0 ? 1.0f : -1.0f});
    } else {
        if ((travel > 0.0) != (gWeb.wheelTravel > 0.0)) gWeb.wheelTravel = 0.0;
        gWeb.wheelTravel += travel;
        if (std::fabs(gWeb.wheelTravel) >= 1.0) {
            Push(WebEvent{EventKind::Wheel, 0, false, false, 0, 0, gWeb.wheelTravel > 0.0 ? 1.0f : -1.0f});
            gWeb.wheelTravel = 0.0;
        }
    }
    return EM_TRUE;  // the page does not scroll under the game
}

// The keyboard went elsewhere (another element, another window, a hidden
// tab): the releases of what is held will not come to us.
EM_BOOL OnBlur(int, const EmscriptenFocusEvent*, void*)
{
    Push(WebEvent{EventKind::FocusLost, 0, false, false, 0, 0, 0.0f});
    return EM_FALSE;
}

EM_BOOL OnVisibility(int, const EmscriptenVisibilityChangeEvent* v, void*)
{
    if (v->hidden) Push(WebEvent{EventKind::FocusLost, 0, false, false, 0, 0, 0.0f});
    return EM_FALSE;
}

void Listen(bool on)
{
    const auto* window = EMSCRIPTEN_EVENT_TARGET_WINDOW;
    emscripten_set_keydown_callback(CANVAS, nullptr, EM_FALSE, on ? OnKey : nullptr);
    emscripten_set_keyup_callback(CANVAS, nullptr, EM_FALSE, on ? OnKey : nullptr);
    emscripten_set_mousedown_callback(CANVAS, nullptr, EM_FALSE, on ? OnMouseDown : nullptr);
    emscripten_set_mouseup_callback(window, nullptr, EM_FALSE, on ? OnMouseUp : nullptr);
    emscripten_set_mousemove_callback(window, nullptr, EM_FALSE, on ? OnMouseMove : nullptr);
    emscripten_set_wheel_callback(CANVAS, nullptr, EM_FALSE, on ? OnWheel : nullptr);
    emscripten_set_blur_callback(CANVAS, nullptr, EM_FALSE, on ? OnBlur : nullptr);
    emscripten_set_blur_callback(window, nullptr, EM_FALSE, on ? OnBlur : nullptr);
    emscripten_set_visibilitychange_callback(nullptr, EM_FALSE, on ? OnVisibility : nullptr);
}

}  // namespace

// The page's touch controls (web/touch.js) as the game's own keys and mouse
// buttons, so the game and its demos see a touch as a keyboard or a mouse.
// A key by its KeyboardEvent.code, held or let go.
extern "C" EMSCRIPTEN_KEEPALIVE void delve_touch_key(const char* code, int down)
{
    const int key = KeyFromCode(code);
    // The keys the page answers itself (fullscreen, screenshot) have buttons of their own.
    if (key == KEY_NULL || key == KEY_ESCAPE || key == CODE_F11 || key == CODE_F12) return;
    Push(WebEvent{EventKind::Key, key, down != 0, false, 0, 0, 0.0f});
}

// A mouse button (the game's number) held or let go at a point of the page
// (CSS pixels), or with `button` -1 the cursor moved there alone.
extern "C" EMSCRIPTEN_KEEPALIVE void delve_touch_point(int button, int down, double clientX, double clientY)
{
    if (button != -1 && button != MOUSE_BUTTON_LEFT && button != MOUSE_BUTTON_RIGHT) return;
    WebEvent e{button < 0 ? EventKind::Cursor : EventKind::Button, button, down != 0, false, 0, 0, 0.0f};
    if (gWeb.page) WebClientToFrame(clientX, clientY, &e.x, &e.y);
    Push(e);
}

// Lets go of every key and button held (a cancelled touch, a hidden page).
extern "C" EMSCRIPTEN_KEEPALIVE void delve_touch_let_go(void)
{
    Push(WebEvent{EventKind::FocusLost, 0, false, false, 0, 0, 0.0f});
}

bool BackendOpen(int frameWidth, int frameHeight, int, bool fullscreen, const char*)
{
    if (gWeb.open) return true;
    const bool page = WebHasPage() != 0;
    if (page && !WebCanvasOpen(frameWidth, frameHeight)) {
        std::fprintf(stderr, "delve: cannot open a window: the page has no canvas to draw on\n");
        return false;
    }
    gWeb = WebBackend{};
    gWeb.open = true;
    gWeb.page = page;
    gWeb.width = frameWidth;
    gWeb.height = frameHeight;
    gWeb.rgba.assign(static_cast<size_t>(frameWidth) * frameHeight, 0xff000000u);
    gWeb.events.reserve(256);
    if (!page) return true;
    Listen(true);
    WebFocusCanvas();
    // A page may only go fullscreen on a person's action: asked at start, it
    // waits for the fullscreen button or F11.
    (void)fullscreen;
    return true;
}

void BackendClose(void)
{
    if (!gWeb.open) return;
    if (gWeb.page) Listen(false);
    gWeb = WebBackend{};
}

void BackendPresent(const uint32_t* pixels, int width, int height)
{
    if (!gWeb.open || !gWeb.page || width != gWeb.width || height != gWeb.height) return;
    gWeb.last = pixels;
    gWeb.unshown = true;
    // Unpaced frames (a timedemo) run many to a display frame: the loop puts
    // the last of each slice of them on the canvas (browser_loop.cpp).
    if (gWeb.fps != 0) WebShowLastFrame();
}

void WebShowLastFrame(void)
{
    if (!gWeb.open || !gWeb.page || !gWeb.unshown) return;
    gWeb.unshown = false;
    // 0xAARRGGBB words to the canvas's bytes R, G, B, A (a little-endian word
    // 0xAABBGGRR), opaque.
    const size_t n = static_cast<size_t>(gWeb.width) * gWeb.height;
    const uint32_t* in = gWeb.last;
    uint32_t* out = gWeb.rgba.data();
    for (size_t i = 0; i < n; i++) {
        const uint32_t p = in[i];
        out[i] = 0xff000000u | ((p & 0xffu) << 16) | (p & 0xff00u) | ((p >> 16) & 0xffu);
    }
    WebCanvasPresent(gWeb.rgba.data(), gWeb.width, gWeb.height);
}

// The browser paces the frames (browser_loop.cpp) at the rate the layer asks for here.
void BackendWaitFrame(int fps) { gWeb.fps = fps; }

int WebTargetFps(void) { return gWeb.fps; }

// The rate is known before the first frame: a timedemo's first frame is
// already one of a slice, not put on the canvas on its own.
void BackendResetFrameClock(int fps) { gWeb.fps = fps; }

void BackendPollEvents(void)
{
    if (!gWeb.open) return;
    // The layer's calls may push nothing back, but index anyway: a vector
    // that grows while it is walked moves.
    for (size_t i = 0; i < gWeb.events.size(); i++) {
        const WebEvent e = gWeb.events[i];
        switch (e.kind) {
            case EventKind::Key: LayerKey(e.a, e.b, false, e.alt); break;
            case EventKind::Button: LayerMouseButton(e.a, e.b, e.x, e.y); break;
            case EventKind::Cursor: LayerCursor(e.x, e.y); break;
            case EventKind::Wheel: LayerWheel(e.notches); break;
            case EventKind::FocusLost: LayerFocusLost(); break;
        }
    }
    gWeb.events.clear();
}

// Cursor positions are given in the frame's own pixels whatever size the page
// shows the canvas at, so the window is the frame: the layer's fit of one onto
// the other is then one to one.
void BackendWindowSize(int* width, int* height)
{
    *width = gWeb.width;
    *height = gWeb.height;
}

// The page decides the canvas's size on the screen.
void BackendSetWindowSize(int, int) {}

bool BackendSetFullscreen(bool on)
{
    if (gWeb.page && WebSetFullscreen(on ? 1 : 0)) return true;
    std::fprintf(stderr, "delve: this browser offers no fullscreen\n");
    return false;
}

bool BackendIsFullscreen(void) { return gWeb.page && WebIsFullscreen() != 0; }

// The data package is laid out from the file system's root.
std::string BackendApplicationDirectory(void) { return "/"; }
