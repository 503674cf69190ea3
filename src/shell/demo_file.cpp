// The demo file's records, encoded and decoded field by field, little-endian.
#include "shell/demo_file.h"

#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstring>

#include "shell/digest.h"

static_assert(INPUT_FRAME_KEY_COUNT == 9, "version 1 of the format carries 9 keys; more keys need a new version");

namespace {

// ---- Little-endian fields ----------------------------------------------------

void PutU16(unsigned char* p, uint16_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
void PutU32(unsigned char* p, uint32_t v)
{
    for (int i = 0; i < 4; i++) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
void PutU64(unsigned char* p, uint64_t v)
{
    for (int i = 0; i < 8; i++) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
void PutF32(unsigned char* p, float f)
{
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    PutU32(p, bits);
}
uint16_t GetU16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t GetU32(const unsigned char* p)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; i--) v = (v << 8) | p[i];
    return v;
}
uint64_t GetU64(const unsigned char* p)
{
    uint64_t v = 0;
    for (int i = 7; i >= 0; i--) v = (v << 8) | p[i];
    return v;
}
float GetF32(const unsigned char* p)
{
    const uint32_t bits = GetU32(p);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// Whether the state matches a stored digest; without a game (the check before
// play) every digest matches.
bool Matches(uint64_t stored, const GameInstance* game, const FrameLoop* loop)
{
    return !game || StateDigest(game, loop) == stored;
}

enum class Got { All, None, Part, Failed };

// Reads exactly n bytes: All, None (end of file before the first), Part (end of
// file within them) or Failed (a read error; errno says which).
Got ReadBytes(std::FILE* file, unsigned char* out, size_t n)
{
    const size_t got = std::fread(out, 1, n, file);
    if (got == n) return Got::All;
    if (std::ferror(file)) return Got::Failed;
    return got == 0 ? Got::None : Got::Part;
}

}  // namespace

// ---- Encoding ----------------------------------------------------------------

void EncodeHeader(unsigned char* h)
{
    std::memcpy(h, MAGIC, sizeof MAGIC);
    PutU16(h + 8, FORMAT_VERSION);
    PutU16(h + 10, static_cast<uint16_t>(INPUT_FRAME_KEY_COUNT));
}

void EncodeFrameRecord(const InputFrame& f, unsigned char* r)
{
    r[0] = FRAME_TAG;
    PutU32(r + 1, f.keysDown);
    PutU32(r + 5, f.keysPressed);
    r[9] = f.buttonsDown;
    PutF32(r + 10, f.mouse.x);
    PutF32(r + 14, f.mouse.y);
    PutF32(r + 18, f.wheel);
}

void EncodeDigestRecord(unsigned char tag, uint32_t frames, uint64_t digest, unsigned char* r)
{
    r[0] = tag;
    PutU32(r + 1, frames);
    PutU64(r + 5, digest);
}

std::string Hex(uint64_t digest)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, digest);
    return text;
}

std::string ErrnoReason(int error) { return error ? std::strerror(error) : "unknown error"; }

// ---- Reading -----------------------------------------------------------------

bool ReadHeader(std::FILE* file, std::string* reason)
{
    unsigned char h[HEADER_BYTES];
    errno = 0;
    const size_t got = std::fread(h, 1, sizeof h, file);
    if (std::ferror(file)) {
        *reason = ErrnoReason(errno);
        return false;
    }
    if (got == 0) {
        *reason = "the file is empty";
        return false;
    }
    if (std::memcmp(h, MAGIC, std::min(got, sizeof MAGIC)) != 0) {
        *reason = "not a delve demo";
        return false;
    }
    if (got < sizeof h) {
        *reason = "the file ends within its header";
        return false;
    }
    const uint16_t version = GetU16(h + 8);
    if (version != FORMAT_VERSION) {
        *reason = "format version " + std::to_string(version) + ", this build plays version " +
                  std::to_string(FORMAT_VERSION);
        return false;
    }
    const uint16_t keys = GetU16(h + 10);
    if (keys != INPUT_FRAME_KEY_COUNT) {
        *reason = "the header gives " + std::to_string(keys) + " keys where version 1 has " +
                  std::to_string(INPUT_FRAME_KEY_COUNT);
        return false;
    }
    return true;
}

// Reads the records up to the next frame's input. Returns Frame with `input`
// set, or why there is none. With a game, compares the digests met with its state.
DemoStep ReadFrame(DemoReader* r, InputFrame* input, const GameInstance* game, const FrameLoop* loop,
                   std::string* reason)
{
    const uint32_t mask = (1u << INPUT_FRAME_KEY_COUNT) - 1u;
    auto at = [r] { return " after frame " + std::to_string(r->frames); };
    const bool digestDue = r->frames > 0 && r->frames % DEMO_DIGEST_INTERVAL == 0;
    for (;;) {
        unsigned char tag;
        unsigned char body[FRAME_BYTES];
        errno = 0;
        Got got = ReadBytes(r->file, &tag, 1);
        if (got == Got::None) return DemoStep::EndsEarly;
        if (got == Got::Failed) {
            *reason = ErrnoReason(errno);
            return DemoStep::Bad;
        }
        if (tag != FRAME_TAG && tag != DIGEST_TAG && tag != END_TAG) {
            char text[8];
            std::snprintf(text, sizeof text, "0x%02x", tag);
            *reason = std::string("unknown record ") + text + at();
            return DemoStep::Bad;
        }
        if (tag != DIGEST_TAG && digestDue && !r->digestSeen) {
            *reason = "no digest" + at();
            return DemoStep::Bad;
        }
        got = ReadBytes(r->file, body, tag == FRAME_TAG ? FRAME_BYTES : DIGEST_BYTES);
        if (got == Got::None || got == Got::Part) return DemoStep::EndsEarly;
        if (got == Got::Failed) {
            *reason = ErrnoReason(errno);
            return DemoStep::Bad;
        }

        if (tag == FRAME_TAG) {
            InputFrame f{};
            f.keysDown = GetU32(body);
            f.keysPressed = GetU32(body + 4);
            f.buttonsDown = body[8];
            f.mouse = Vector2{GetF32(body + 9), GetF32(body + 13)};
            f.wheel = GetF32(body + 17);
            if ((f.keysDown | f.keysPressed) & ~mask) {
                *reason = "a frame holds keys beyond the key list" + at();
                return DemoStep::Bad;
            }
            if (!std::isfinite(f.mouse.x) || !std::isfinite(f.mouse.y) || !std::isfinite(f.wheel)) {
                *reason = "a frame holds a cursor or wheel that is not a number" + at();
                return DemoStep::Bad;
            }
            if (r->frames == UINT32_MAX) {
                *reason = "too many frames";
                return DemoStep::Bad;
            }
            *input = f;
            r->frames++;
            r->digestSeen = false;
            return DemoStep::Frame;
        }

        const uint32_t count = GetU32(body);
        const uint64_t stored = GetU64(body + 4);
        if (count != r->frames) {
            *reason = std::string(tag == END_TAG ? "the end gives " : "a digest for ") + std::to_string(count) +
                      " frames" + at();
            return DemoStep::Bad;
        }
        if (tag == DIGEST_TAG) {
            if (!digestDue || r->digestSeen) {
                *reason = "a digest out of place" + at();
                return DemoStep::Bad;
            }
            if (!Matches(stored, game, loop)) return DemoStep::Desync;
            r->digestSeen = true;
            continue;
        }
        // The end record: the last one in the file.
        if (std::fgetc(r->file) != EOF) {
            *reason = "data after the end record";
            return DemoStep::Bad;
        }
        return Matches(stored, game, loop) ? DemoStep::End : DemoStep::Desync;
    }
}
