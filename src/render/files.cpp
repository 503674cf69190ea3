// The game's data files: where they are looked for, and reading one whole.
// Plain C and C++ file calls, which every build has (the browser's reads
// from the data package the page fetched).
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "render/canvas.h"
#include "render/frame.h"
#include "render/render.h"

namespace render {

std::string gProgramFolder;

void SetProgramFolder(const std::string& folder) { gProgramFolder = folder; }

std::vector<std::string> DataFilePlaces(const std::string& local)
{
    std::vector<std::string> places{local};
    if (!gProgramFolder.empty()) {
        places.push_back(gProgramFolder + local);
        places.push_back(gProgramFolder + DELVE_DATA_FROM_BINARY + "/" + local);
    }
    places.push_back(std::string(DELVE_DATA_DIR) + "/" + local);
    return places;
}

std::string FindDataFile(const std::string& local)
{
    for (const std::string& path : DataFilePlaces(local))
        if (FileExists(path.c_str())) return path;
    return local;
}

bool ReadWholeFile(const char* path, long long maxBytes, const char* what, std::vector<unsigned char>* bytes,
                   std::string* reason)
{
    bytes->clear();
    struct stat st;
    std::FILE* f = nullptr;
    if (!path || !*path)
        *reason = "no file name given";
    else if (stat(path, &st) != 0)
        *reason = std::strerror(errno);
    else if (!S_ISREG(st.st_mode))  // a pipe or a device could block or never end
        *reason = S_ISDIR(st.st_mode) ? "it is a directory" : "it is not a regular file";
    else if (st.st_size > maxBytes)
        *reason = "the file is larger than the " + std::to_string(maxBytes >> 20) + " MiB " + what + " may be";
    else if (!(f = std::fopen(path, "rb")))
        *reason = std::strerror(errno);
    if (!f) return false;
    bytes->resize(static_cast<size_t>(st.st_size));
    bytes->resize(std::fread(bytes->data(), 1, bytes->size(), f));
    const bool ok = !std::ferror(f);
    std::fclose(f);
    if (!ok) *reason = "the file cannot be read";
    return ok;
}

}  // namespace render

bool FileExists(const char* fileName)
{
    struct stat st;
    return fileName && stat(fileName, &st) == 0 && S_ISREG(st.st_mode);
}
