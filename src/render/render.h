// The frame in memory and everything the game draws into it: the library's
// drawing, texture and screenshot calls under their own names, the same
// pixels in every build. The game reaches them through platform/platform.h;
// the frame itself is made and shown by the platform (render/frame.h).
#pragma once

#include <cstdint>

#include "render/records.h"

// ---- Drawing (between BeginDrawing and EndDrawing) -------------------------

// Fills the whole frame with one colour.
void ClearBackground(Color color);
// Draws the source part of a texture into dest, rotated about origin (degrees), multiplied by tint.
void DrawTexturePro(Texture2D texture, Rectangle source, Rectangle dest, Vector2 origin, float rotation, Color tint);
// Fills an axis-aligned rectangle given in whole frame pixels.
void DrawRectangle(int posX, int posY, int width, int height, Color color);
// Fills a triangle whose vertices run counter-clockwise on the screen.
void DrawTriangle(Vector2 v1, Vector2 v2, Vector2 v3, Color color);
// Draws text with its top-left corner at (posX, posY), fontSize pixels high, in
// the font the game ships (resources/DejaVuSans.ttf, looked for as the tiles are).
void DrawText(const char* text, int posX, int posY, int fontSize, Color color);

// ---- Textures and screenshots ----------------------------------------------

// Loads an image file into a texture. On failure warns once on standard error and
// returns a plain white 16x16 texture, so that tinted drawing stays visible.
Texture2D LoadTexture(const char* fileName);
// Releases a texture loaded by LoadTexture.
void UnloadTexture(Texture2D texture);
// Writes the frame drawn so far (or the last presented one) as a PNG file, at
// the frame's size whatever the window's. Returns false on failure.
bool TakeScreenshot(const char* fileName);

// ---- Files -----------------------------------------------------------------

// True when a regular file exists at the path.
bool FileExists(const char* fileName);
