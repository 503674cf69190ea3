#include "shell/demo.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstring>

#include "shell/digest.h"
#include "shell/game.h"
#include "shell/options.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kMagic[8] = {'D', 'E', 'L', 'V', 'D', 'E', 'M', 'O'};
constexpr uint16_t kFormatVersion = 1;
constexpr size_t kHeaderBytes = 12;

constexpr unsigned char kFrameTag = 'F';
constexpr unsigned char kDigestTag = 'H';
constexpr unsigned char kEndTag = 'E';
constexpr size_t kFrameBytes = 4 + 4 + 1 + 4 + 4 + 4;  // after the tag
constexpr size_t kDigestBytes = 4 + 8;                 // 'H' and 'E' alike

// A recording reaches the disk at least this often, so a kill loses at most this much.
constexpr auto kWriteEvery = std::chrono::seconds(1);

static_assert(kInputFrameKeyCount == 9, "version 1 of the format carries 9 keys; more keys need a new version");

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

std::string Hex(uint64_t digest)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, digest);
    return text;
}

std::string ErrnoReason(int error) { return error ? std::strerror(error) : "unknown error"; }

// ---- Reading -----------------------------------------------------------------

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

bool ReadHeader(std::FILE* file, std::string* reason)
{
    unsigned char h[kHeaderBytes];
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
    if (std::memcmp(h, kMagic, std::min(got, sizeof kMagic)) != 0) {
        *reason = "not a delve demo";
        return false;
    }
    if (got < sizeof h) {
        *reason = "the file ends within its header";
        return false;
    }
    const uint16_t version = GetU16(h + 8);
    if (version != kFormatVersion) {
        *reason = "format version " + std::to_string(version) + ", this build plays version " +
                  std::to_string(kFormatVersion);
        return false;
    }
    const uint16_t keys = GetU16(h + 10);
    if (keys != kInputFrameKeyCount) {
        *reason = "the header gives " + std::to_string(keys) + " keys where version 1 has " +
                  std::to_string(kInputFrameKeyCount);
        return false;
    }
    return true;
}

// Whether the state matches a stored digest; without a game (the check before
// play) every digest matches.
bool Matches(uint64_t stored, const GameInstance* game, const FrameLoop* loop)
{
    return !game || StateDigest(game, loop) == stored;
}

// Reads the records up to the next frame's input. Returns Frame with `input`
// set, or why there is none. With a game, compares the digests met with its state.
DemoStep ReadFrame(DemoReader* r, InputFrame* input, const GameInstance* game, const FrameLoop* loop,
                   std::string* reason)
{
    const uint32_t mask = (1u << kInputFrameKeyCount) - 1u;
    auto at = [r] { return " after frame " + std::to_string(r->frames); };
    const bool digestDue = r->frames > 0 && r->frames % kDemoDigestInterval == 0;
    for (;;) {
        unsigned char tag;
        unsigned char body[kFrameBytes];
        errno = 0;
        Got got = ReadBytes(r->file, &tag, 1);
        if (got == Got::None) return DemoStep::EndsEarly;
        if (got == Got::Failed) {
            *reason = ErrnoReason(errno);
            return DemoStep::Bad;
        }
        if (tag != kFrameTag && tag != kDigestTag && tag != kEndTag) {
            char text[8];
            std::snprintf(text, sizeof text, "0x%02x", tag);
            *reason = std::string("unknown record ") + text + at();
            return DemoStep::Bad;
        }
        if (tag != kDigestTag && digestDue && !r->digestSeen) {
            *reason = "no digest" + at();
            return DemoStep::Bad;
        }
        got = ReadBytes(r->file, body, tag == kFrameTag ? kFrameBytes : kDigestBytes);
        if (got == Got::None || got == Got::Part) return DemoStep::EndsEarly;
        if (got == Got::Failed) {
            *reason = ErrnoReason(errno);
            return DemoStep::Bad;
        }

        if (tag == kFrameTag) {
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
            *reason = std::string(tag == kEndTag ? "the end gives " : "a digest for ") + std::to_string(count) +
                      " frames" + at();
            return DemoStep::Bad;
        }
        if (tag == kDigestTag) {
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

// ---- Writing -----------------------------------------------------------------

void WritePending(Demo* demo);

void Append(Demo* demo, const unsigned char* bytes, size_t n)
{
    if (demo->pendingSize + n > sizeof demo->pending) WritePending(demo);
    if (!demo->writeError.empty()) return;
    std::memcpy(demo->pending + demo->pendingSize, bytes, n);
    demo->pendingSize += n;
}

// Writes the pending records, all of them whole, straight to the file.
void WritePending(Demo* demo)
{
    demo->lastWrite = Clock::now();
    if (!demo->writeError.empty() || demo->pendingSize == 0) return;
    errno = 0;
    const size_t wrote = std::fwrite(demo->pending, 1, demo->pendingSize, demo->file);
    if (wrote != demo->pendingSize || std::fflush(demo->file) != 0) {
        demo->writeError = ErrnoReason(errno);
        std::fprintf(stderr, "delve: cannot write the demo %s: %s; recording stops\n", demo->path.c_str(),
                     demo->writeError.c_str());
    }
    demo->pendingSize = 0;
}

void AppendDigestRecord(Demo* demo, unsigned char tag, uint32_t frames, uint64_t digest)
{
    unsigned char r[1 + kDigestBytes];
    r[0] = tag;
    PutU32(r + 1, frames);
    PutU64(r + 5, digest);
    Append(demo, r, sizeof r);
}

void AppendFrameRecord(Demo* demo, const InputFrame& f)
{
    unsigned char r[1 + kFrameBytes];
    r[0] = kFrameTag;
    PutU32(r + 1, f.keysDown);
    PutU32(r + 5, f.keysPressed);
    r[9] = f.buttonsDown;
    PutF32(r + 10, f.mouse.x);
    PutF32(r + 14, f.mouse.y);
    PutF32(r + 18, f.wheel);
    Append(demo, r, sizeof r);
}

// Room for a second's frames, their digest and the end record between two writes.
static_assert(sizeof(Demo::pending) >= kDemoDigestInterval * (1 + kFrameBytes) + 2 * (1 + kDigestBytes));

bool OpenRecording(Demo* demo, std::string* error)
{
    // "x": never replace a file that is already there.
    errno = 0;
    demo->file = std::fopen(demo->path.c_str(), "wbx");
    if (!demo->file) {
        *error = "cannot record to " + demo->path + ": " +
                 (errno == EEXIST ? std::string("the file exists") : ErrnoReason(errno));
        return false;
    }
    std::setvbuf(demo->file, nullptr, _IONBF, 0);  // the pending records are the buffer
    unsigned char h[kHeaderBytes];
    std::memcpy(h, kMagic, sizeof kMagic);
    PutU16(h + 8, kFormatVersion);
    PutU16(h + 10, static_cast<uint16_t>(kInputFrameKeyCount));
    errno = 0;
    if (std::fwrite(h, 1, sizeof h, demo->file) != sizeof h) {
        *error = "cannot record to " + demo->path + ": " + ErrnoReason(errno);
        AbandonDemo(demo);
        return false;
    }
    return true;
}

bool OpenPlayback(Demo* demo, std::string* error)
{
    auto fail = [&](const std::string& reason) {
        *error = "cannot play " + demo->path + ": " + reason;
        if (demo->file) std::fclose(demo->file);
        demo->file = nullptr;
        return false;
    };
    errno = 0;
    demo->file = std::fopen(demo->path.c_str(), "rb");
    if (!demo->file) return fail(ErrnoReason(errno));
    std::string reason;
    if (!ReadHeader(demo->file, &reason)) return fail(reason);
    // Read it all through once, so that a bad file stops us before any window
    // opens. Records are read one by one: no count in the file sizes anything.
    DemoReader check{demo->file};
    InputFrame ignored;
    DemoStep step;
    while ((step = ReadFrame(&check, &ignored, nullptr, nullptr, &reason)) == DemoStep::Frame) {
    }
    if (step == DemoStep::Bad) return fail(reason);
    if (std::fseek(demo->file, static_cast<long>(kHeaderBytes), SEEK_SET) != 0) return fail(ErrnoReason(errno));
    demo->reader = DemoReader{demo->file};
    return true;
}

}  // namespace

bool OpenDemo(Demo* demo, const Options& options, std::string* error)
{
    *demo = Demo{};
    bool opened = true;
    if (!options.record.empty()) {
        demo->mode = DemoMode::Record;
        demo->path = options.record;
        opened = OpenRecording(demo, error);
    } else if (!options.play.empty() || !options.timedemo.empty()) {
        demo->mode = options.play.empty() ? DemoMode::Timedemo : DemoMode::Play;
        demo->path = options.play.empty() ? options.timedemo : options.play;
        opened = OpenPlayback(demo, error);
    }
    if (!opened) demo->mode = DemoMode::None;  // the game can still run, without a demo
    return opened;
}

void AbandonDemo(Demo* demo)
{
    if (demo->file) std::fclose(demo->file);
    demo->file = nullptr;
    if (demo->mode == DemoMode::Record) std::remove(demo->path.c_str());
    demo->mode = DemoMode::None;
}

void BeginDemo(Demo* demo)
{
    if (demo->mode == DemoMode::Play || demo->mode == DemoMode::Timedemo) SetInputPlayback(true);
    if (demo->mode == DemoMode::Timedemo) SetTargetFPS(0);
    demo->started = Clock::now();
    demo->lastWrite = demo->started;
}

bool DemoBeforeFrame(Demo* demo, const GameInstance* game, const FrameLoop* loop)
{
    switch (demo->mode) {
        case DemoMode::None:
            return true;
        case DemoMode::Record:
            AppendFrameRecord(demo, GetInputFrame());
            return true;
        case DemoMode::Play:
        case DemoMode::Timedemo: {
            if (demo->last != DemoStep::Frame) return false;
            InputFrame input{};
            demo->last = ReadFrame(&demo->reader, &input, game, loop, &demo->reason);
            if (demo->last != DemoStep::Frame) return false;
            ApplyInputFrame(&input);
            return true;
        }
    }
    return false;
}

void DemoAfterFrame(Demo* demo, const GameInstance* game, const FrameLoop* loop)
{
    if (demo->mode == DemoMode::None) return;
    demo->frames++;
    if (demo->mode != DemoMode::Record) return;
    if (demo->frames % kDemoDigestInterval == 0) {
        AppendDigestRecord(demo, kDigestTag, demo->frames, StateDigest(game, loop));
        WritePending(demo);
    } else if (Clock::now() - demo->lastWrite >= kWriteEvery) {
        WritePending(demo);
    }
}

int FinishDemo(Demo* demo, const GameInstance* game, const FrameLoop* loop)
{
    const DemoMode mode = demo->mode;
    if (mode == DemoMode::None) return 0;
    const double seconds = std::chrono::duration<double>(Clock::now() - demo->started).count();
    const uint64_t digest = StateDigest(game, loop);
    const std::string state = Hex(digest);
    const char* path = demo->path.c_str();
    int status = 0;

    if (mode == DemoMode::Record) {
        AppendDigestRecord(demo, kEndTag, demo->frames, digest);
        WritePending(demo);
        errno = 0;
        if (std::fclose(demo->file) != 0 && demo->writeError.empty()) demo->writeError = ErrnoReason(errno);
        demo->file = nullptr;
        if (demo->writeError.empty()) {
            std::fprintf(stderr, "demo: %" PRIu32 " frames recorded, state %s\n", demo->frames, state.c_str());
        } else {
            std::fprintf(stderr, "delve: the demo %s is incomplete: %s\n", path, demo->writeError.c_str());
            status = 1;
        }
    } else {
        SetInputPlayback(false);
        std::fclose(demo->file);
        demo->file = nullptr;
        if (demo->last == DemoStep::Desync) {
            // The digest that differed was stored after the frames played so far.
            std::fprintf(stderr, "delve: demo desync at frame %" PRIu32 "\n", demo->reader.frames);
            status = 3;
        } else if (demo->last == DemoStep::Bad) {
            std::fprintf(stderr, "delve: cannot play %s: %s\n", path, demo->reason.c_str());
            status = 2;
        } else {
            if (demo->last == DemoStep::EndsEarly)
                std::fprintf(stderr, "delve: demo ends early at frame %" PRIu32 "\n", demo->frames);
            if (mode == DemoMode::Play) {
                std::fprintf(stderr, "demo: %" PRIu32 " frames played, state %s\n", demo->frames, state.c_str());
            } else {
                const double fps = seconds > 0.0 ? demo->frames / seconds : 0.0;
                std::fprintf(stderr, "timedemo: %" PRIu32 " frames in %.3f s, %.1f frames per second, state %s\n",
                             demo->frames, seconds, fps, state.c_str());
            }
        }
    }
    demo->mode = DemoMode::None;
    return status;
}
