#include "entities/entity.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "entities/sweep.h"
#include "world/world.h"

void InputHandle(Entity* player)
{
    player->acc = Vector2{0.0f, 0.0f};
    if (IsKeyDown(KEY_A)) player->acc.x = -0.1f;
    if (IsKeyDown(KEY_D)) player->acc.x = 0.1f;  // after A: D wins when both are held
    if (IsKeyDown(KEY_W) && player->istouchingground) player->vel.y += 1.5f;
    if (IsKeyDown(KEY_S)) player->acc.y = -0.1f;
    if (IsKeyPressed(KEY_KP_SUBTRACT)) ZoomStep(-1);
    if (IsKeyPressed(KEY_KP_ADD)) ZoomStep(1);
    // The same steps without a keypad: the main row's - and =, and the wheel
    // (a notch up zooms in).
    if (IsKeyPressed(KEY_MINUS)) ZoomStep(-1);
    if (IsKeyPressed(KEY_EQUAL)) ZoomStep(1);
    const float wheel = GetMouseWheelMove();
    if (std::isfinite(wheel)) {
        const int notches = static_cast<int>(std::clamp(wheel, static_cast<float>(-MAX_WHEEL_NOTCHES),
                                                        static_cast<float>(MAX_WHEEL_NOTCHES)));
        for (int i = 0; i < std::abs(notches); i++) ZoomStep(notches);
    }
}

void ZoomStep(int direction)
{
    if (direction < 0 && WORLDSCALE > 1) WORLDSCALE -= 1;
    if (direction > 0 && WORLDSCALE < MAX_WORLDSCALE) WORLDSCALE += 1;
}

void TickEntity(Entity* a, GameInstance* g)
{
    a->vel = Vector2Add(a->vel, a->acc);
    // Gravity is taken in double and stored back as a float: the fall speeds depend on it.
    a->vel.y = static_cast<float>(static_cast<double>(a->vel.y) - 0.1);
    EntityVelStep(a, g);

    if (a->pos.x < 0.0f) {
        a->pos.x = 0.0f;
    } else if (a->pos.x > 255.0f) {
        a->pos.x = 255.0f;
    }

    if (a->istouchingground && a->acc.x == 0.0f) {
        a->vel.x *= 0.75f;
    } else {
        a->vel.x *= 0.9f;
        a->vel.y *= 0.95f;
    }
    a->chunkdepth = DepthOfHeight(a->pos.y);
}
