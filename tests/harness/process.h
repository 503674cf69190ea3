// Running the real game binary from a test: files in and out, knowing when
// its window is up, and waiting for it to end.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace process {

// A whole file, or "" when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// True once the process has its SIGTERM handler: the window layer is up and a
// SIGTERM becomes a close request instead of killing it outright.
inline bool CatchesSigterm(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("SigCgt:", 0) != 0) continue;
        unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
        return (mask >> (SIGTERM - 1)) & 1;
    }
    return false;
}

// In a child about to run the game: sends its standard output and error into
// these files (made anew) and moves to `folder`; false when any of it fails.
inline bool RedirectInto(const std::filesystem::path& out, const std::filesystem::path& err,
                         const std::filesystem::path& folder)
{
    const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    return o >= 0 && e >= 0 && dup2(o, STDOUT_FILENO) >= 0 && dup2(e, STDERR_FILENO) >= 0 && chdir(folder.c_str()) == 0;
}

// Waits for the process to end; its status as waitpid gives it, or -1 when it
// is still running after `limit`.
inline int WaitFor(pid_t pid, std::chrono::seconds limit)
{
    auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        if (waitpid(pid, &status, WNOHANG) == pid) return status;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
}

}  // namespace process
