// The renderer's own triangles and rectangles against SDL's software
// renderer, which drew the game's frames before the renderer did: the same
// pixels, so that no frame changed when the renderer took over.
#include <SDL.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "platform/platform.h"
#include "render/frame.h"
#include "support/render_probe.h"

namespace {

constexpr int W = 640, H = 480;
constexpr Color GREY{80, 80, 80, 255};

// The same drawing through SDL's software renderer into a frame-sized surface.
struct SdlReference {
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, W, H, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_Renderer* renderer = surface ? SDL_CreateSoftwareRenderer(surface) : nullptr;
    SdlReference()
    {
        if (!renderer) return;
        SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_BLEND);
        SDL_SetRenderDrawColor(renderer, GREY.r, GREY.g, GREY.b, GREY.a);
        SDL_RenderClear(renderer);
    }
    ~SdlReference()
    {
        if (renderer) SDL_DestroyRenderer(renderer);
        if (surface) SDL_FreeSurface(surface);
    }
    void Triangle(Vector2 a, Vector2 b, Vector2 c, Color color)
    {
        const SDL_Color k{color.r, color.g, color.b, color.a};
        const SDL_Vertex v[3] = {{{a.x, a.y}, k, {0, 0}}, {{b.x, b.y}, k, {0, 0}}, {{c.x, c.y}, k, {0, 0}}};
        SDL_RenderGeometry(renderer, nullptr, v, 3, nullptr, 0);
    }
    void Rect(int x, int y, int w, int h, Color color)
    {
        SDL_SetRenderDrawColor(renderer, color.r, color.g, color.b, color.a);
        const SDL_Rect r{x, y, w, h};
        SDL_RenderFillRect(renderer, &r);
    }
    std::vector<uint32_t> Pixels()
    {
        SDL_RenderFlush(renderer);
        std::vector<uint32_t> out(static_cast<size_t>(W) * H);
        for (int y = 0; y < H; ++y)
            std::memcpy(&out[static_cast<size_t>(y) * W],
                        static_cast<const uint8_t*>(surface->pixels) + y * surface->pitch, W * sizeof(uint32_t));
        return out;
    }
};

struct SdlParity : testing::Test {
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        SetTargetFPS(0);
        ASSERT_TRUE(InitWindow(W, H, "parity"));
    }
    void TearDown() override { CloseWindow(); }

    // Draws with `ours` into the layer's frame and `theirs` into SDL's, and compares.
    void ExpectSame(const std::function<void()>& ours, const std::function<void(SdlReference&)>& theirs)
    {
        SdlReference sdl;
        ASSERT_NE(sdl.renderer, nullptr) << SDL_GetError();
        BeginDrawing();
        ClearBackground(GREY);
        ours();
        theirs(sdl);
        const std::vector<uint32_t> want = sdl.Pixels();
        for (size_t i = 0; i < want.size(); ++i)
            if ((render::FramePixels()[i] | 0xFF000000u) != (want[i] | 0xFF000000u)) {
                ADD_FAILURE() << "pixel (" << i % W << ", " << i / W << "): ours " << std::hex
                              << render::FramePixels()[i] << ", SDL's " << want[i];
                break;
            }
        EndDrawing();
    }
};

// The game's spinner at every angle it takes over a long session, then
// triangles of all sizes, shapes and windings, many reaching off the frame.
TEST_F(SdlParity, TrianglesFillTheSamePixels)
{
    std::vector<std::array<Vector2, 3>> triangles;
    float t = 0.0f;
    for (int frame = 0; frame < 2000; ++frame) {
        t += 0.1f;
        triangles.push_back({Vector2{10.0f + 10.0f * std::cos(t), 10.0f + 10.0f * std::sin(t)},
                             Vector2{10.0f + 10.0f * std::cos(t - 1.0f), 10.0f + 10.0f * std::sin(t - 1.0f)},
                             Vector2{10.0f + 10.0f * std::cos(t - 3.0f), 10.0f + 10.0f * std::sin(t - 3.0f)}});
    }
    uint32_t seed = 7;
    auto next = [&](float range, float from) {
        seed = seed * 1664525u + 1013904223u;
        return from + range * static_cast<float>(seed >> 8) / 16777216.0f;
    };
    for (int i = 0; i < 3000; ++i) {
        const float span = i % 3 == 0 ? 700.0f : i % 3 == 1 ? 40.0f : 6.0f;
        const float x = next(660.0f, -10.0f), y = next(500.0f, -10.0f);
        std::array<Vector2, 3> tri;
        for (Vector2& v : tri) v = Vector2{x + next(span, -span / 2), y + next(span, -span / 2)};
        if (i % 5 == 0)
            for (Vector2& v : tri) v = Vector2{std::round(v.x), std::round(v.y)};  // corners on whole pixels
        triangles.push_back(tri);
    }
    for (size_t start = 0; start < triangles.size(); start += 50) {
        SCOPED_TRACE(testing::Message() << "triangles from " << start);
        const size_t end = std::min(triangles.size(), start + 50);
        ExpectSame(
            [&] {
                for (size_t i = start; i < end; ++i) {
                    const Color c{static_cast<uint8_t>(i * 37), static_cast<uint8_t>(i * 11), 200, 255};
                    DrawTriangle(triangles[i][0], triangles[i][1], triangles[i][2], c);
                    DrawTriangle(triangles[i][0], triangles[i][2], triangles[i][1], c);
                }
            },
            [&](SdlReference& sdl) {
                for (size_t i = start; i < end; ++i) {
                    const Color c{static_cast<uint8_t>(i * 37), static_cast<uint8_t>(i * 11), 200, 255};
                    // The layer keeps only triangles running counter-clockwise on the screen.
                    for (const auto& [a, b, d] :
                         {std::array<Vector2, 3>{triangles[i][0], triangles[i][1], triangles[i][2]},
                          std::array<Vector2, 3>{triangles[i][0], triangles[i][2], triangles[i][1]}}) {
                        const double cross = (static_cast<double>(b.x) - a.x) * (static_cast<double>(d.y) - a.y) -
                                             (static_cast<double>(b.y) - a.y) * (static_cast<double>(d.x) - a.x);
                        if (cross < 0.0) sdl.Triangle(a, b, d, c);
                    }
                }
            });
    }
}

// Rectangles opaque and see-through, over each other and over the background.
TEST_F(SdlParity, RectanglesFillTheSamePixels)
{
    const Color colors[] = {{130, 130, 130, 255}, {255, 0, 0, 128}, {10, 200, 30, 1},
                            {0, 0, 255, 254},     {77, 66, 55, 0},  {250, 250, 250, 200}};
    ExpectSame(
        [&] {
            for (int i = 0; i < 60; ++i)
                DrawRectangle(i * 9 - 20, i * 7 - 10, 30 + i, 20 + 2 * i, colors[i % std::size(colors)]);
        },
        [&](SdlReference& sdl) {
            for (int i = 0; i < 60; ++i)
                sdl.Rect(i * 9 - 20, i * 7 - 10, 30 + i, 20 + 2 * i, colors[i % std::size(colors)]);
        });
}

}  // namespace
