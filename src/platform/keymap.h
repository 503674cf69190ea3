// Translation of SDL's physical key positions (scancodes) into the game's key
// codes. Private to the platform layer.
#pragma once

// Number of key codes the layer keeps state for; every game key code is below it.
constexpr int KEY_CODE_COUNT = 512;

// The game's key code for an SDL scancode, or 0 (KEY_NULL) for a scancode the
// game has no name for or one outside SDL's range.
int KeyFromScancode(int scancode);
