#include "fuzz/fuzz_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string gFolder;

void RemoveScratchFolder(void)
{
    if (gFolder.empty()) return;
    const std::string command = "rm -rf '" + gFolder + "'";
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "fuzz: cannot remove %s\n", gFolder.c_str());
}

}  // namespace

void EnterScratchFolder(void)
{
    char folder[] = "/tmp/delve-fuzz-XXXXXX";
    if (!mkdtemp(folder) || chdir(folder) != 0 || mkdir("resources", 0755) != 0) {
        std::perror("fuzz: cannot make a scratch folder");
        std::abort();
    }
    gFolder = folder;
    std::atexit(RemoveScratchFolder);
}

std::string WriteScratchFile(const char* path, const uint8_t* data, size_t size)
{
    std::FILE* f = std::fopen(path, "wb");
    if (!f || (size > 0 && std::fwrite(data, 1, size, f) != size) || std::fclose(f) != 0) {
        std::perror("fuzz: cannot write the input");
        std::abort();
    }
    return path;
}

// Freed memory is held back for a while to catch late uses of it; by default
// up to 256 MB, which would count against the 256 MB each input may use.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=16"; }
