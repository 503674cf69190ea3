// The frame's own life, for the platform that shows it: made when the window
// opens, read when a finished frame is shown or saved, dropped with the
// window. Game code never calls these; it draws through render/render.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace render {

// A frame larger than this either way is refused: no window could show it.
constexpr int MAX_FRAME_SIDE = 16384;

// Makes a black frame of width x height pixels (each side 1 to
// MAX_FRAME_SIDE), dropping any earlier one with its textures and captions.
// Returns false, making nothing, for any other size.
bool CreateFrame(int width, int height);
// Drops the frame, and with it every texture, caption and the font.
void DestroyFrame();
// Reads and checks the captions' font now rather than at the first caption:
// the window's opening calls it, so the first frame with text costs no more
// than any other and a missing or broken font is reported at start-up. Once
// per frame; later calls do nothing.
void LoadCaptionFont();
// True between CreateFrame and DestroyFrame: drawing calls draw only then.
bool HasFrame();
// The frame's pixels, 0xAARRGGBB row by row from the top; null with no frame.
uint32_t* FramePixels();
int FrameWidth();   // pixels; 0 with no frame
int FrameHeight();  // pixels; 0 with no frame

// The folder of the running program, ending in '/' ("" for none): the game's
// data files are also looked for from there. The platform sets it once.
void SetProgramFolder(const std::string& folder);
// The places a data file (a path under the working folder, such as
// "resources/tiles.png") is looked for, in order: the working folder, beside
// the program, the installed data folder as found from the program (an
// installed tree that was moved), then where it was installed.
std::vector<std::string> DataFilePlaces(const std::string& local);
// The first of DataFilePlaces that exists, or `local` itself.
std::string FindDataFile(const std::string& local);
// Reads a whole regular file into `bytes`, or returns false with `reason`
// saying why in a few words. A file larger than `maxBytes` is refused before
// any of it is read: "the file is larger than the N MiB `what` may be".
bool ReadWholeFile(const char* path, long long maxBytes, const char* what, std::vector<unsigned char>* bytes,
                   std::string* reason);

// Saves the frame as screenshotNNN.png, the first free number, in the working
// folder and names it on standard error, or says there why it cannot.
void SaveNumberedScreenshot();

}  // namespace render
