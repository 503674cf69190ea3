// The collision sweep: moves a body by its velocity through the tiles in
// half-tile steps, never letting its footprint enter a solid tile.
#pragma once

struct Entity;
struct GameInstance;

// Moves a->pos by a->vel, zeroing the velocity of a refused axis, and sets
// a->istouchingground when a downward step was refused.
void EntityVelStep(Entity* a, GameInstance* g);
