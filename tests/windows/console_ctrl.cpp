// Plays the console the game was started from, for the Windows tests: starts
// the game in this console with its standard output and error in files,
// waits, sends the console's Ctrl+C or Ctrl+Break, and writes the game's
// exit status to a file. With "none" it starts the game as Explorer does on
// a double click instead (no console, no standard streams) and waits for it
// to end by itself; OUT_FILE and ERR_FILE are then not written.
//   console_ctrl.exe c|break|none WAIT_MS STATUS_FILE OUT_FILE ERR_FILE GAME [ARGS...]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// This program stays to report: the event is the game's.
BOOL WINAPI Swallow(DWORD) { return TRUE; }

HANDLE Create(const char* path, SECURITY_ATTRIBUTES* inherit)
{
    return CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

int Report(const char* path, const std::string& what)
{
    if (std::FILE* f = std::fopen(path, "wb")) {
        std::fputs(what.c_str(), f);
        std::fclose(f);
    }
    return what.rfind("exit ", 0) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 7) return 2;
    const std::string mode = argv[1];
    const DWORD event = mode == "break" ? CTRL_BREAK_EVENT : CTRL_C_EVENT;
    const DWORD waitMs = std::strtoul(argv[2], nullptr, 10);
    std::string command;
    for (int i = 6; i < argc; ++i) command += std::string(i > 6 ? " \"" : "\"") + argv[i] + "\"";
    SetConsoleCtrlHandler(Swallow, TRUE);

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    STARTUPINFOA start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION game{};
    if (mode == "none") {
        if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr,
                            &start, &game))
            return Report(argv[3], "cannot start the game: error " + std::to_string(GetLastError()));
        if (WaitForSingleObject(game.hProcess, waitMs) != WAIT_OBJECT_0) {
            TerminateProcess(game.hProcess, 9);
            return Report(argv[3], "the game still ran after " + std::to_string(waitMs) + " ms");
        }
        DWORD status = 0;
        GetExitCodeProcess(game.hProcess, &status);
        return Report(argv[3], "exit " + std::to_string(status));
    }
    start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    start.hStdOutput = Create(argv[4], &inherit);
    start.hStdError = Create(argv[5], &inherit);
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &game))
        return Report(argv[3], "cannot start the game: error " + std::to_string(GetLastError()));
    if (WaitForSingleObject(game.hProcess, waitMs) != WAIT_TIMEOUT) return Report(argv[3], "the game ended early");
    if (!GenerateConsoleCtrlEvent(event, 0))
        return Report(argv[3], "no console event: error " + std::to_string(GetLastError()));
    if (WaitForSingleObject(game.hProcess, 15000) != WAIT_OBJECT_0) {
        TerminateProcess(game.hProcess, 9);
        return Report(argv[3], "the game still ran 15 s after the event");
    }
    DWORD status = 0;
    GetExitCodeProcess(game.hProcess, &status);
    return Report(argv[3], "exit " + std::to_string(status));
}
