// What the SDL backend does on Windows that SDL does not do for it: the
// standard streams of a windowed program, and the console's Ctrl+C,
// Ctrl+Break and close, which end the game as SIGINT and SIGHUP do elsewhere.
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "backends/sdl/sdl_backend.h"

namespace {

// Started from a console, the game (a windowed program, which Windows gives
// no console of its own) joins the console it was started from: it writes
// its lines there, and the console's Ctrl+C reaches it. Streams the starter
// redirected (to a file, a pipe) are kept. Started by a double click there is
// no console and its lines go nowhere, quietly.
bool Redirected(DWORD which)
{
    const HANDLE h = GetStdHandle(which);
    return h != nullptr && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
}

// Every stream and file byte for byte as on Linux: no "\r\n" for "\n" in
// the game's output, its demos, its screenshots or its settings file.
struct WindowsStreams {
    WindowsStreams()
    {
        const bool out = Redirected(STD_OUTPUT_HANDLE), err = Redirected(STD_ERROR_HANDLE);
        if (AttachConsole(ATTACH_PARENT_PROCESS)) {
            if (!out) std::freopen("CONOUT$", "w", stdout);
            if (!err) std::freopen("CONOUT$", "w", stderr);
        }
        _fmode = _O_BINARY;
        _setmode(_fileno(stdin), _O_BINARY);
        _setmode(_fileno(stdout), _O_BINARY);
        _setmode(_fileno(stderr), _O_BINARY);
    }
};
// Before main, so that even the command line's messages are seen.
const WindowsStreams gStreams;

volatile LONG gEndAsked = 0;  // the console asked the game to end
HANDLE gEnded = nullptr;      // set once the game has closed its window

// Called on a thread of its own. For Ctrl+C and Ctrl+Break the game ends at
// its next frame; for the console's close, a log-off or a shut-down Windows
// ends the process as soon as this returns, so it waits (Windows allows five
// seconds) until the game has finished its recording and closed its window.
BOOL WINAPI OnConsoleEvent(DWORD event)
{
    InterlockedExchange(&gEndAsked, 1);
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        if (gEnded) WaitForSingleObject(gEnded, 4500);
    return TRUE;
}

}  // namespace

void SdlWatchConsole(void)
{
    gEndAsked = 0;
    if (!gEnded) gEnded = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (gEnded) ResetEvent(gEnded);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

void SdlStopWatchingConsole(void)
{
    if (gEnded) SetEvent(gEnded);
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
}

bool SdlConsoleEnded(void) { return InterlockedCompareExchange(&gEndAsked, 0, 0) != 0; }

long long SdlWindowsNanos(void)
{
    static const long long perSecond = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<long long>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const long long ticks = now.QuadPart;
    return ticks / perSecond * 1000000000 + ticks % perSecond * 1000000000 / perSecond;
}

// Whole milliseconds at a time (SDL sets Windows' timer to 1 ms), rounded up:
// a wake-up is late by a millisecond at most, never early.
void SdlWindowsSleepUntil(long long nanos)
{
    for (long long left = nanos - SdlWindowsNanos(); left > 0; left = nanos - SdlWindowsNanos())
        Sleep(static_cast<DWORD>((left + 999999) / 1000000));
}

#endif
