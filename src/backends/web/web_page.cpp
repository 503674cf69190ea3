#include "backends/web/web_page.h"

#include <emscripten/emscripten.h>

// The frame is kept in one ImageData, filled from the program's memory at
// each present; Module.onFrameShown tells the page (its first frame's time).
// clang-format off
EM_JS(int, WebCanvasOpen, (int width, int height), {
    var canvas = document.getElementById('canvas');
    if (!canvas) return 0;
    canvas.width = width;
    canvas.height = height;
    var ctx = canvas.getContext('2d', {alpha: false});
    if (!ctx) return 0;
    Module.delveCanvas = canvas;
    Module.delveContext = ctx;
    Module.delveImage = ctx.createImageData(width, height);
    // Opaque black on the canvas at once: its first drawing sets the canvas
    // up, which is then not part of the game's first frame.
    new Uint32Array(Module.delveImage.data.buffer).fill(0xff000000);
    ctx.putImageData(Module.delveImage, 0, 0);
    Module.framesShown = 0;
    return 1;
});

EM_JS(int, WebHasPage, (void), { return typeof document !== 'undefined' ? 1 : 0; });

EM_JS(void, WebCanvasPresent, (const void* rgba, int width, int height), {
    var image = Module.delveImage;
    image.data.set(HEAPU8.subarray(rgba, rgba + width * height * 4));
    Module.delveContext.putImageData(image, 0, 0);
    Module.framesShown++;
    if (Module.onFrameShown) Module.onFrameShown(Module.framesShown);
});

EM_JS(void, WebClientToFrame, (double clientX, double clientY, int* x, int* y), {
    var canvas = Module.delveCanvas;
    var r = canvas.getBoundingClientRect();
    var fx = r.width > 0 ? Math.floor((clientX - r.left) * canvas.width / r.width) : -1;
    var fy = r.height > 0 ? Math.floor((clientY - r.top) * canvas.height / r.height) : -1;
    HEAP32[x >> 2] = fx;
    HEAP32[y >> 2] = fy;
});

EM_JS(void, WebFocusCanvas, (void), { if (Module.delveCanvas) Module.delveCanvas.focus(); });

EM_JS(int, WebSetFullscreen, (int on), {
    var stage = document.getElementById('stage') || Module.delveCanvas;
    try {
        if (on) {
            if (!stage.requestFullscreen) return 0;
            stage.requestFullscreen().catch(function(e) { console.warn('delve: no fullscreen: ' + e.message); });
        } else if (document.fullscreenElement) {
            document.exitFullscreen().catch(function() {});
        }
    } catch (e) {
        return 0;
    }
    return 1;
});

EM_JS(int, WebIsFullscreen, (void), { return document.fullscreenElement ? 1 : 0; });

EM_JS(void, WebDownloadFrame, (int number), {
    var name = 'screenshot' + String(number).padStart(3, '0') + '.png';
    Module.delveCanvas.toBlob(function(blob) {
        if (!blob) return;
        var a = document.createElement('a');
        a.href = URL.createObjectURL(blob);
        a.download = name;
        document.body.appendChild(a);
        a.click();
        a.remove();
        setTimeout(function() { URL.revokeObjectURL(a.href); }, 1000);
        console.log('delve: screenshot saved as ' + name);
    }, 'image/png');
});
// clang-format on
