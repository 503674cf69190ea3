// The page's side of the browser backend: the few things only JavaScript can
// do (the canvas, its place on the page, fullscreen, downloads), as C
// functions. Private to the browser backend.
#pragma once

extern "C" {

// Whether the program runs in a page; under node (the unit tests) there is
// none, and the frame is drawn in memory only, like a desktop's dummy driver.
int WebHasPage(void);
// Sizes the page's canvas (id "canvas") to the frame and readies it; 0 when
// the page has no canvas or no 2D drawing.
int WebCanvasOpen(int width, int height);
// Puts a frame of bytes R, G, B, A on the canvas.
void WebCanvasPresent(const void* rgba, int width, int height);
// A point of the page (CSS pixels from the viewport's corner) as a pixel of
// the frame, through wherever and at whatever size the canvas is shown now:
// the page may scale it by any factor, in or out of fullscreen.
void WebClientToFrame(double clientX, double clientY, int* x, int* y);
// Gives the canvas the keyboard.
void WebFocusCanvas(void);
// Fullscreen on or off for the stage (the canvas and its black frame), which
// the page then lays out at the largest whole multiple that fits the screen.
// 0 when the browser offers no fullscreen.
int WebSetFullscreen(int on);
// 1 while the page is fullscreen.
int WebIsFullscreen(void);
// Hands the frame on the canvas to the browser as a download, screenshotNNN.png.
void WebDownloadFrame(int number);

// What the page's touch controls (web/touch.js) call, kept by the browser
// backend: each acts as the game's own keys and mouse buttons, queued with the
// page's other events, so demos record touch play.
// A key by its KeyboardEvent.code ("KeyD", "F1"), held (1) or let go (0).
void delve_touch_key(const char* code, int down);
// The left or right mouse button held or let go at a point of the page (CSS
// pixels from the viewport's corner); with `button` -1, the cursor moved there.
void delve_touch_point(int button, int down, double clientX, double clientY);
// Lets go of every key and button held.
void delve_touch_let_go(void);
}
