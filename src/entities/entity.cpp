#include "entities/entity.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "entities/sweep.h"
#include "world/world.h"

namespace {

// Speeds are tiles per tick and accelerations tiles per tick per tick; one tick is one frame.
constexpr float WALK_ACCELERATION = 0.1f;  // A or D held; walking settles at 0.9 after friction
constexpr float JUMP_IMPULSE = 1.5f;       // added to vel.y once per tick while W is held on the ground
constexpr float DIVE_ACCELERATION = 0.1f;  // S held: pushes downward, doubling the fall speed
constexpr double GRAVITY = 0.1;            // taken off vel.y in double every tick: the fall speeds depend on it
constexpr float GROUND_FRICTION = 0.75f;   // vel.x kept per tick when standing with no walking key
constexpr float AIR_DRAG_X = 0.9f;         // vel.x kept per tick in the air or while walking
constexpr float AIR_DRAG_Y = 0.95f;        // vel.y kept per tick in the air or while walking; falls settle at 1.9
constexpr float LEFTMOST_X = 0.0f;         // the body's left edge stays on the world's 256 columns
constexpr float RIGHTMOST_X = 255.0f;

}  // namespace

void InputHandle(Entity* player)
{
    player->acc = Vector2{0.0f, 0.0f};
    if (IsKeyDown(KEY_A)) player->acc.x = -WALK_ACCELERATION;
    if (IsKeyDown(KEY_D)) player->acc.x = WALK_ACCELERATION;  // after A: D wins when both are held
    if (IsKeyDown(KEY_W) && player->istouchingground) player->vel.y += JUMP_IMPULSE;
    if (IsKeyDown(KEY_S)) player->acc.y = -DIVE_ACCELERATION;
    if (IsKeyPressed(KEY_KP_SUBTRACT)) ZoomStep(-1);
    if (IsKeyPressed(KEY_KP_ADD)) ZoomStep(1);
    // The same steps without a keypad: the main row's - and =, and the wheel
    // (a notch up zooms in).
    if (IsKeyPressed(KEY_MINUS)) ZoomStep(-1);
    if (IsKeyPressed(KEY_EQUAL)) ZoomStep(1);
    const float wheel = GetMouseWheelMove();
    if (std::isfinite(wheel)) {
        const int notches = static_cast<int>(
            std::clamp(wheel, static_cast<float>(-MAX_WHEEL_NOTCHES), static_cast<float>(MAX_WHEEL_NOTCHES)));
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
    a->vel.y = static_cast<float>(static_cast<double>(a->vel.y) - GRAVITY);
    EntityVelStep(a, g);

    if (a->pos.x < LEFTMOST_X) {
        a->pos.x = LEFTMOST_X;
    } else if (a->pos.x > RIGHTMOST_X) {
        a->pos.x = RIGHTMOST_X;
    }

    if (a->istouchingground && a->acc.x == 0.0f) {
        a->vel.x *= GROUND_FRICTION;
    } else {
        a->vel.x *= AIR_DRAG_X;
        a->vel.y *= AIR_DRAG_Y;
    }
    a->chunkdepth = DepthOfHeight(a->pos.y);
}
