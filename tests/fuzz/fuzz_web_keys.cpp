// The browser's page inputs that reach C++: a KeyboardEvent.code turned into
// the game's key, and the address's ?play= and ?timedemo= values, which the
// page hands to the entry as its command line. The first byte picks the input.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "backends/web/web_keys.h"
#include "platform/keycodes.h"
#include "platform/platform.h"
#include "shell/options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    if (data[0] < 128) {
        // A key's code, as the page's listener passes it (a C string).
        const int key = KeyFromCode(text.c_str());
        if (key < 0 || key >= KEY_CODE_COUNT) std::abort();
        if (key == KEY_NULL && KeyIsTheGames(key, false)) std::abort();
        KeyIsTheGames(key, (data[0] & 1) != 0);
        return 0;
    }
    // The address's demo: ['--play', value] or ['--timedemo', value].
    const char* argv[] = {"delve", (data[0] & 1) ? "--timedemo" : "--play", text.c_str(), nullptr};
    Options options;
    std::string error;
    if (ParseOptions(3, argv, &options, &error)) {
        if ((options.play.empty() && options.timedemo.empty()) || !error.empty()) std::abort();
    } else if (error.empty()) {
        std::abort();
    }
    return 0;
}
