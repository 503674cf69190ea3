// What the fuzz targets share: a private working folder per process, where
// each input is written as the file the game looks for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Makes a new folder under /tmp with an empty resources/ in it, works from
// there from now on, and removes it when the process ends. The game's own
// files are found in the source tree (the build's data folder) meanwhile.
void EnterScratchFolder(void);
// Writes `size` bytes as the file `path` (relative to the scratch folder),
// replacing what was there; returns the path.
std::string WriteScratchFile(const char* path, const uint8_t* data, size_t size);
