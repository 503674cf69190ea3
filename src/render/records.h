// The plain records the frame is drawn with: points, colours, rectangles and
// texture handles. The game sees them through platform/platform.h.
#pragma once

struct Vector2 {
    float x;  // frame pixels (or any unit the caller gives them), rightward
    float y;  // downward
};

struct Color {
    unsigned char r;
    unsigned char g;
    unsigned char b;
    unsigned char a;  // 255 opaque, 0 invisible
};

struct Rectangle {
    float x;      // left edge
    float y;      // top edge
    float width;  // a negative width or height mirrors a texture's source
    float height;
};

// A texture owned by the renderer; id 0 means "no texture".
struct Texture2D {
    unsigned int id;  // never reused while the program runs
    int width;        // texels
    int height;       // texels
};
