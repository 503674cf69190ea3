#include "shell/game.h"

#include <cmath>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "entities/entity.h"
#include "presentation/camera.h"
#include "presentation/render.h"
#include "shell/comforts.h"
#include "shell/controls.h"
#include "shell/mouse.h"
#include "world/streaming.h"
#include "world/terrain.h"

namespace {

constexpr int TARGET_FPS = 30;                        // frames, and so ticks, per second
constexpr const char* WINDOW_TITLE = "hello window";  // the title bar's text

constexpr int START_DEPTH = 84;                    // shallowest depth generated at start-up
constexpr int START_CHUNKS = 32;                   // depths generated before the window opens
constexpr Vector2 PLAYER_START{100.0f, -1608.0f};  // top-left corner, tiles: column 100, in depth 101
constexpr int32_t PLAYER_START_CHUNKDEPTH = 100;   // one short of the start's depth: the first tick sees a change
constexpr Vector2 CAMERA_START{100.0f, -1592.0f};  // world pixels; glides onto the player in the first frames
constexpr int CAMERA_DROP = 16;                    // pixels the player's top edge is shown below the window's middle
constexpr float CAMERA_GLIDE = 0.4f;               // share of the way to its goal the camera moves per tick
// Bounds no depth is beyond, so that the first chunk generated sets both.
constexpr int32_t HIGHEST_CHUNK_UNSET = 10000;
constexpr int32_t LOWEST_CHUNK_UNSET = -10000;
constexpr const char* CAPTION = "dig deeper!";  // any fixed 11 characters
constexpr Color BACKGROUND{80, 80, 80, 255};
constexpr Color CAPTION_COLOR{0, 0, 0, 255};
constexpr Color PLAYER_COLOR{130, 130, 130, 255};
constexpr Color TRIANGLE_COLOR{255, 255, 255, 255};

void DrawPlayer(GameInstance* game, Vector2 playerposscaled)
{
    Vector2 corner = WorldPixelsToScreen(game, playerposscaled);
    float scale = static_cast<float>(WORLDSCALE);
    DrawRectangle(TruncateToInt(corner.x), TruncateToInt(corner.y), TruncateToInt(scale * game->player->size.x),
                  TruncateToInt(scale * game->player->size.y), PLAYER_COLOR);
}

// A small white triangle spinning about (10, 10), vertices counter-clockwise on screen.
void DrawSpinner(float t)
{
    DrawTriangle(Vector2{10.0f + 10.0f * std::cos(t), 10.0f + 10.0f * std::sin(t)},
                 Vector2{10.0f + 10.0f * std::cos(t - 1.0f), 10.0f + 10.0f * std::sin(t - 1.0f)},
                 Vector2{10.0f + 10.0f * std::cos(t - 3.0f), 10.0f + 10.0f * std::sin(t - 3.0f)}, TRIANGLE_COLOR);
}

}  // namespace

void SetupWorld(GameInstance* game)
{
    game->player = new Entity();
    game->Entities.push_back(game->player);
    game->player->chunkdepth = PLAYER_START_CHUNKDEPTH;
    game->player->pos = PLAYER_START;
    game->player->acc = Vector2{0.0f, 0.0f};
    game->player->vel = Vector2{0.0f, 0.0f};

    game->CameraPosition = CAMERA_START;
    game->WindowWidth = WINDOW_WIDTH;
    game->WindowHeight = WINDOW_HEIGHT;
    game->CameraCenterOffset =
        Vector2{static_cast<float>(-(game->WindowWidth / 2)), static_cast<float>(CAMERA_DROP - game->WindowHeight / 2)};

    game->HighestChunk = HIGHEST_CHUNK_UNSET;
    game->LowestChunk = LOWEST_CHUNK_UNSET;
    for (Chunk*& slot : game->world) slot = new Chunk();
    for (int i = 0; i < START_CHUNKS; i++) {
        Chunk* c = game->world[i];
        c->replacementdepth = START_DEPTH + i;
        if (c->replacementdepth < game->HighestChunk) game->HighestChunk = c->replacementdepth;
        if (c->replacementdepth > game->LowestChunk) game->LowestChunk = c->replacementdepth;
        generatechunk(c);
    }
    SortWindow(game);
}

void FreeWorld(GameInstance* game)
{
    for (Chunk*& slot : game->world) {
        delete slot;
        slot = nullptr;
    }
    game->UnloadedChunks.clear();
    game->Entities.clear();
    delete game->player;
    game->player = nullptr;
}

std::vector<std::string> TileImagePlaces(void) { return GetDataFilePlaces("resources/tiles.png"); }

std::string TileImagePath(void)
{
    const std::vector<std::string> places = TileImagePlaces();
    for (const std::string& path : places)
        if (FileExists(path.c_str())) return path;
    // Nowhere: say where it was looked for, in order, before the layer's own
    // warning names the first place.
    std::string looked;
    for (const std::string& path : places) looked += (looked.empty() ? "" : ", ") + path;
    std::fprintf(stderr, "delve: no tile image found; looked for it at, in order: %s\n", looked.c_str());
    return places.front();
}

bool StartGame(GameInstance* game, FrameLoop* loop)
{
    SetTargetFPS(TARGET_FPS);
    BindControls();
    SetupWorld(game);
    if (!InitWindow(game->WindowWidth, game->WindowHeight, WINDOW_TITLE)) {
        FreeWorld(game);
        return false;
    }
    game->textures[0] = LoadTexture(TileImagePath().c_str());
    loop->iterationfloat = 0.0f;
    loop->FREEZE = false;
    return true;
}

// A function of its own, not folded into the frame: a browser optimises
// small functions within the first frames, a whole frame's worth only after
// a short demo is over.
[[gnu::noinline]] void GlobalTick(GameInstance* game)
{
    // 1. Keys set the player's acceleration, jump and the zoom.
    InputHandle(game->player);
    // 2. Note the chunk the player starts the tick in.
    game->playerchunk = game->player->chunkdepth;
    // 3. Move every body.
    for (Entity* e : game->Entities) TickEntity(e, game);
    // 4. The camera follows the player.
    game->CameraPosition = PanCamera(game->CameraPosition, game->player->pos, CAMERA_GLIDE, game->CameraCenterOffset);
    // 5. A new chunk for the player may shift the window.
    if (game->player->chunkdepth != game->playerchunk) PlayerChangesChunkEvent(game);
    // 6. Generate at most one queued chunk.
    GenerateQueuedChunk(game);
    // 7. The mouse digs and places.
    debugmousedraw(game);
}

void RunFrame(GameInstance* game, FrameLoop* loop, Comforts* comforts)
{
    // Simulate.
    GlobalTick(game);
    // Report the V key as sampled last frame, then sample it again.
    if (loop->FREEZE) std::cout << "stopping!!\n";
    loop->FREEZE = IsKeyDown(KEY_V);
    loop->iterationfloat += 0.1f;

    // Draw: background, caption, the lit tiles, the player, the spinner.
    BeginDrawing();
    ClearBackground(BACKGROUND);
    DrawText(CAPTION, 50, 50, 30, CAPTION_COLOR);
    Vector2 playerposscaled = Vector2Scale(game->player->pos, static_cast<float>(WORLDSCALE));
    drawChunks(game);
    DrawPlayer(game, playerposscaled);
    DrawSpinner(loop->iterationfloat);
    if (comforts) DrawComforts(comforts);
    // Hand this frame's debug lines on now, not when a pipe's buffer fills:
    // one flush a frame, which costs nothing when the frame wrote nothing.
    std::cout.flush();
    EndDrawing();
}

void ShutdownGame(GameInstance* game)
{
    // The renderer owns the texture, so it goes before the window closes.
    UnloadTexture(game->textures[0]);
    game->textures[0] = Texture2D{};
    CloseWindow();
    FreeWorld(game);
}
