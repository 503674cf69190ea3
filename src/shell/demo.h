// Demos: a session's input recorded frame by frame into a file, and played back
// into the same frames, paced (--play) or as fast as possible (--timedemo).
// Since the game computes the same world from the same input on the same
// frames, a demo reproduces a session exactly; the state digests it carries
// every 30 frames tell when a build computes a different game.
//
// The file (version 1, little-endian throughout):
//   header  12 bytes: "DELVDEMO", u16 format version (1), u16 number of keys (9: INPUT_FRAME_KEYS)
//   then records, each a one-byte tag and its fields:
//   'F'  one frame's input, 22 bytes: u32 keys held, u32 keys pressed (bit i:
//        INPUT_FRAME_KEYS[i]), u8 mouse buttons held (bit b: button b),
//        f32 cursor x, f32 cursor y, f32 wheel
//   'H'  after every 30th frame, 13 bytes: u32 frames so far, u64 state digest after them
//   'E'  the end, 13 bytes: u32 frames in all, u64 state digest after them; nothing follows
// A recording that was killed lacks the 'E' record; it plays up to where it stops.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/platform.h"

struct GameInstance;
struct FrameLoop;
struct Options;

enum class DemoMode { None, Record, Play, Timedemo };

// Frames between two digests in the file.
constexpr uint32_t DEMO_DIGEST_INTERVAL = 30;
// The largest demo file played: some twelve hours of play. The check before
// any window reads it all through, which takes a fraction of a second at this size.
constexpr long long MAX_DEMO_BYTES = 32LL * 1024 * 1024;

// The reading side's position in a demo file.
struct DemoReader {
    std::FILE* file = nullptr;
    uint32_t frames = 0;      // frames handed out so far
    bool digestSeen = false;  // the digest due after `frames` frames has been read
};

enum class DemoStep {
    Frame,      // the next frame's input was read
    End,        // the end record: the demo is over, every check passed
    EndsEarly,  // the file stops (at or within a record) before its end record
    Desync,     // a stored digest differs from the game's
    Bad,        // the file is not a sound demo; see the reason
};

struct Demo {
    DemoMode mode = DemoMode::None;
    std::string path;
    std::FILE* file = nullptr;
    uint32_t frames = 0;  // frames recorded or played

    // Recording: whole records waiting to be written, at least once a second.
    unsigned char pending[1024];
    size_t pendingSize = 0;
    std::chrono::steady_clock::time_point lastWrite{};
    std::string writeError;  // set by the first failed write; recording stops then

    // Playing.
    DemoReader reader;
    DemoStep last = DemoStep::Frame;  // why playing stopped
    std::string reason;               // for DemoStep::Bad
    std::chrono::steady_clock::time_point started{};
};

// Opens the demo that the options name, before any window exists: a recording
// creates its file (refusing one that exists) and writes the header; playing
// reads the whole file through once to check it (refusing one larger than
// MAX_DEMO_BYTES before reading it). False with a one-line message
// in `error` ("cannot record to FILE: ..." or "cannot play FILE: ...").
bool OpenDemo(Demo* demo, const Options& options, std::string* error);
// Closes a demo whose game could not start; a recording's file is removed.
void AbandonDemo(Demo* demo);
// Once the game is up: playback takes over the input; a timedemo unpaces the frames.
void BeginDemo(Demo* demo);
// Before each frame. Recording keeps the input the frame will read; playing
// applies the next frame's input, checking the digests met on the way. False
// when the demo is over (or wrong) and no further frame should run.
bool DemoBeforeFrame(Demo* demo, const GameInstance* game, const FrameLoop* loop);
// As the game pauses: a recording writes what is pending, so a kill during
// the pause loses nothing.
void DemoPaused(Demo* demo);
// After each frame: counts it; recording adds the digest every 30 frames and
// writes what is pending at least once a second.
void DemoAfterFrame(Demo* demo, const GameInstance* game, const FrameLoop* loop);
// Ends the demo before shutdown: completes a recording, says on standard error
// how it went and returns the exit status: 0, 1 (the recording could not be
// written), 2 (a bad file) or 3 (a desync).
int FinishDemo(Demo* demo, const GameInstance* game, const FrameLoop* loop);
