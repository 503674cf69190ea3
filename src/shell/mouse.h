// Mouse editing: the left button makes the tile under the cursor solid, the
// right button alone makes it empty, once per tick while held.
#pragma once

struct GameInstance;

// Edits the tile under the cursor, mapped with this tick's camera and zoom.
// A cursor over no resident tile edits nothing.
void debugmousedraw(GameInstance* game);
