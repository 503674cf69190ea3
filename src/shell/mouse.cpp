#include "shell/mouse.h"

#include "presentation/camera.h"
#include "shell/state.h"
#include "world/world.h"

void debugmousedraw(GameInstance* game)
{
    if (!IsMouseButtonDown(MOUSE_BUTTON_LEFT) && !IsMouseButtonDown(MOUSE_BUTTON_RIGHT)) return;
    Vector2 mp = ScreenToWorld(game, GetMousePosition());
    GlobalTilePosition p = GetTileFromPos(game, mp);
    if (!IsResidentTile(p)) return;
    TileAt(game, p)->v = IsMouseButtonDown(MOUSE_BUTTON_LEFT) ? 1 : 0;
}
