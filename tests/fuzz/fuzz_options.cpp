// The command line: the input's bytes split at NULs into arguments after the
// program's name, read by the parser main calls first.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "shell/options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> args{"delve"};
    std::string arg;
    for (size_t i = 0; i < size; i++) {
        if (data[i] == 0) {
            args.push_back(arg);
            arg.clear();
        } else {
            arg.push_back(static_cast<char>(data[i]));
        }
    }
    if (size > 0) args.push_back(arg);
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    argv.push_back(nullptr);

    Options options;
    std::string error;
    if (!ParseOptions(static_cast<int>(args.size()), argv.data(), &options, &error)) {
        // A mistake is told in one line, which main frames as "delve: ... (see delve --help)".
        if (error.empty()) std::abort();
        return 0;
    }
    // What was accepted is what the game can act on.
    if (options.scale < 1 || options.scale > MAX_WINDOW_SCALE) std::abort();
    if (!options.record.empty() + !options.play.empty() + !options.timedemo.empty() > 1) std::abort();
    return 0;
}
