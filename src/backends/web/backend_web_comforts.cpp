// The browser's meaning of the pause's, the gamepads' and the window's place
// calls of backend.h: the page paces the frames, there is no gamepad read and
// no window to place, and no folder for settings.
#include "platform/backend.h"

void BackendIdle(int) {}

bool BackendNeedsRepaint(void) { return false; }

void BackendReadPads(PadInput* pads) { *pads = PadInput{}; }

void BackendPlaceWindow(int, int, bool, int, int) {}

bool BackendWindowPlace(int*, int*, bool*, int*, int*) { return false; }

std::string BackendSettingsDirectory(void) { return ""; }
