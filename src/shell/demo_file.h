// The demo file's records (the format is described in shell/demo.h): the
// header, one frame's input, and the state digests, written and read one
// record at a time. Private to the demo code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "shell/demo.h"

constexpr char MAGIC[8] = {'D', 'E', 'L', 'V', 'D', 'E', 'M', 'O'};
constexpr uint16_t FORMAT_VERSION = 1;
constexpr size_t HEADER_BYTES = 12;

constexpr unsigned char FRAME_TAG = 'F';
constexpr unsigned char DIGEST_TAG = 'H';
constexpr unsigned char END_TAG = 'E';
constexpr size_t FRAME_BYTES = 4 + 4 + 1 + 4 + 4 + 4;  // after the tag
constexpr size_t DIGEST_BYTES = 4 + 8;                 // 'H' and 'E' alike

// Writes the header into h (HEADER_BYTES).
void EncodeHeader(unsigned char* h);
// Writes one frame's input record into r (1 + FRAME_BYTES).
void EncodeFrameRecord(const InputFrame& f, unsigned char* r);
// Writes a digest record ('H', or 'E' at the end) into r (1 + DIGEST_BYTES).
void EncodeDigestRecord(unsigned char tag, uint32_t frames, uint64_t digest, unsigned char* r);

// Reads and checks the header; false with the reason.
bool ReadHeader(std::FILE* file, std::string* reason);
// Reads the records up to the next frame's input. Returns Frame with `input`
// set, or why there is none. With a game, compares the digests met with its state.
DemoStep ReadFrame(DemoReader* r, InputFrame* input, const GameInstance* game, const FrameLoop* loop,
                   std::string* reason);

// A digest as the game prints it: 16 hexadecimal digits.
std::string Hex(uint64_t digest);
// The text of an errno value, or "unknown error" for 0.
std::string ErrnoReason(int error);
