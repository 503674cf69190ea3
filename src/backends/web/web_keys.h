// The browser's key names turned into the game's key codes, and which keys the
// browser must not act on itself. Private to the browser backend.
#pragma once

// A second screenshot key beside F12, which most browsers keep for their
// tools: C, for capture (P is the pause).
constexpr int WEB_SCREENSHOT_KEY = 'C';

// The game's key code (platform.h's KEY_ names, keycodes.h's CODE_ names) for
// a KeyboardEvent.code: the key's place on the keyboard, whatever its layout.
// 0 (KEY_NULL) for a key the game has no name for.
int KeyFromCode(const char* code);
// True for a key whose browser default (scrolling, a page shortcut) must not
// happen while the game has the keyboard: the keys the game reads and those
// the page answers itself. Shortcuts held with Ctrl or Meta stay the browser's.
bool KeyIsTheGames(int key, bool ctrlOrMeta);
