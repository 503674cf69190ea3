#include "shell/demo.h"

#include <sys/stat.h>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <cerrno>
#include <cinttypes>
#include <cstring>

#include "shell/demo_file.h"
#include "shell/digest.h"
#include "shell/game.h"
#include "shell/options.h"

namespace {

using Clock = std::chrono::steady_clock;

// A recording reaches the disk at least this often, so a kill loses at most this much.
constexpr auto WRITE_EVERY = std::chrono::seconds(1);

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
    unsigned char r[1 + DIGEST_BYTES];
    EncodeDigestRecord(tag, frames, digest, r);
    Append(demo, r, sizeof r);
}

void AppendFrameRecord(Demo* demo, const InputFrame& f)
{
    unsigned char r[1 + FRAME_BYTES];
    EncodeFrameRecord(f, r);
    Append(demo, r, sizeof r);
}

// Room for a second's frames, their digest and the end record between two writes.
static_assert(sizeof(Demo::pending) >= DEMO_DIGEST_INTERVAL * (1 + FRAME_BYTES) + 2 * (1 + DIGEST_BYTES));

// A new file, never one that is already there. Windows' C library ignores
// fopen's "x" and would replace it: there the file is created exclusively first.
std::FILE* CreateNewFile(const std::string& path)
{
#ifdef _WIN32
    const int fd = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) return nullptr;
    std::FILE* file = _fdopen(fd, "wb");
    if (!file) _close(fd);
    return file;
#else
    return std::fopen(path.c_str(), "wbx");
#endif
}

bool OpenRecording(Demo* demo, std::string* error)
{
    errno = 0;
    demo->file = CreateNewFile(demo->path);
    if (!demo->file) {
        *error = "cannot record to " + demo->path + ": " +
                 (errno == EEXIST ? std::string("the file exists") : ErrnoReason(errno));
        return false;
    }
    std::setvbuf(demo->file, nullptr, _IONBF, 0);  // the pending records are the buffer
    unsigned char h[HEADER_BYTES];
    EncodeHeader(h);
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
    // Its size first: the check below reads every byte before the game starts.
    const std::string tooLarge =
        "the file is larger than the " + std::to_string(MAX_DEMO_BYTES >> 20) + " MiB a demo may be";
    struct stat st;
    if (fstat(fileno(demo->file), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > MAX_DEMO_BYTES)
        return fail(tooLarge);
    std::string reason;
    if (!ReadHeader(demo->file, &reason)) return fail(reason);
    // Read it all through once, so that a bad file stops us before any window
    // opens. Records are read one by one: no count in the file sizes anything.
    DemoReader check{demo->file};
    InputFrame ignored;
    DemoStep step;
    while ((step = ReadFrame(&check, &ignored, nullptr, nullptr, &reason)) == DemoStep::Frame) {
        // What has no size to look at first (a pipe, a device) is held to as many frames.
        if (check.frames > MAX_DEMO_BYTES / (1 + FRAME_BYTES)) return fail(tooLarge);
    }
    if (step == DemoStep::Bad) return fail(reason);
    if (std::fseek(demo->file, static_cast<long>(HEADER_BYTES), SEEK_SET) != 0) return fail(ErrnoReason(errno));
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
        case DemoMode::None: return true;
        case DemoMode::Record: AppendFrameRecord(demo, GetInputFrame()); return true;
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

void DemoPaused(Demo* demo)
{
    if (demo->mode == DemoMode::Record) WritePending(demo);
}

void DemoAfterFrame(Demo* demo, const GameInstance* game, const FrameLoop* loop)
{
    if (demo->mode == DemoMode::None) return;
    demo->frames++;
    if (demo->mode != DemoMode::Record) return;
    if (demo->frames % DEMO_DIGEST_INTERVAL == 0) {
        AppendDigestRecord(demo, DIGEST_TAG, demo->frames, StateDigest(game, loop));
        WritePending(demo);
    } else if (Clock::now() - demo->lastWrite >= WRITE_EVERY) {
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
        AppendDigestRecord(demo, END_TAG, demo->frames, digest);
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
