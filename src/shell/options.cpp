#include "shell/options.h"

#include <charconv>
#include <cstring>

namespace {

struct OptionEntry {
    const char* name;   // with its leading dashes
    const char* alias;  // the one-letter spelling, "-x", or null for none
    const char* value;  // the value's name in the usage, or null for an option without a value
    const char* help;
    // Stores the option; false with a reason when its value will not do.
    bool (*apply)(Options* options, const char* value, std::string* error);
};

// An option without a value: sets its flag.
template <bool Options::*FLAG>
bool SetFlag(Options* options, const char*, std::string*)
{
    options->*FLAG = true;
    return true;
}

// A demo file name: any non-empty path.
bool SetPath(std::string* field, const char* value, std::string* error)
{
    if (!*value) {
        *error = "an empty file name";
        return false;
    }
    *field = value;
    return true;
}

// A window scale: a whole number from 1 to MAX_WINDOW_SCALE, digits only.
bool SetScale(int* field, const char* value, std::string* error)
{
    const char* end = value + std::strlen(value);
    int n = 0;
    const auto [stop, failed] = std::from_chars(value, end, n);
    if (!*value || failed != std::errc() || stop != end || *value == '-' || *value == '+' || n < 1 ||
        n > MAX_WINDOW_SCALE) {
        *error = "'" + std::string(value) + "' is not a whole number from 1 to " + std::to_string(MAX_WINDOW_SCALE);
        return false;
    }
    *field = n;
    return true;
}

const OptionEntry OPTIONS[] = {
    {"--help", "-h", nullptr, "print this help and exit", SetFlag<&Options::help>},
    {"--version", "-V", nullptr, "print the version and exit", SetFlag<&Options::version>},
    {"--scale", nullptr, "N", "open the window at N times 640x480 (N from 1 to 8; default 1)",
     [](Options* o, const char* v, std::string* e) { return o->scaleGiven = SetScale(&o->scale, v, e); }},
    {"--fullscreen", nullptr, nullptr, "start fullscreen (F11 or Alt+Enter toggles it)", SetFlag<&Options::fullscreen>},
    {"--no-settings", nullptr, nullptr, "neither read nor save the window's size and place (settings.ini)",
     SetFlag<&Options::noSettings>},
    {"--record", nullptr, "FILE", "play, and record the session as a demo in FILE (a new file)",
     [](Options* o, const char* v, std::string* e) { return SetPath(&o->record, v, e); }},
    {"--play", nullptr, "FILE", "replay the demo FILE at 30 frames per second",
     [](Options* o, const char* v, std::string* e) { return SetPath(&o->play, v, e); }},
    {"--timedemo", nullptr, "FILE", "replay the demo FILE as fast as possible and report the frame rate",
     [](Options* o, const char* v, std::string* e) { return SetPath(&o->timedemo, v, e); }},
};

const OptionEntry* FindOption(const std::string& name)
{
    for (const OptionEntry& entry : OPTIONS)
        if (name == entry.name || (entry.alias && name == entry.alias)) return &entry;
    return nullptr;
}

}  // namespace

bool ParseOptions(int argc, const char* const* argv, Options* options, std::string* error)
{
    bool seen[sizeof OPTIONS / sizeof OPTIONS[0]] = {};
    for (int i = 1; i < argc; i++) {
        const std::string arg = argv[i];
        const bool alias = arg.size() == 2 && arg[0] == '-' && arg[1] != '-';
        if (arg.rfind("--", 0) != 0 && !alias) {
            *error = "unexpected argument '" + arg + "'";
            return false;
        }
        // Both "--name value" and "--name=value"; a one-letter option stands alone.
        const size_t equals = alias ? std::string::npos : arg.find('=');
        const std::string name = arg.substr(0, equals);
        const OptionEntry* entry = FindOption(name);
        if (!entry) {
            *error = "unknown option '" + name + "'";
            return false;
        }
        if (seen[entry - OPTIONS]) {
            *error = "option '" + name + "' given twice";
            return false;
        }
        seen[entry - OPTIONS] = true;
        std::string value;
        if (!entry->value) {
            if (equals != std::string::npos) {
                *error = "option '" + name + "' takes no value";
                return false;
            }
        } else if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0) {
            value = argv[++i];
        } else {
            *error = "option '" + name + "' needs a " + entry->value;
            return false;
        }
        std::string reason;
        if (!entry->apply(options, value.c_str(), &reason)) {
            *error = "option '" + name + "': " + reason;
            return false;
        }
    }
    const int demos = !options->record.empty() + !options->play.empty() + !options->timedemo.empty();
    if (demos > 1) {
        *error = "--record, --play and --timedemo exclude one another";
        return false;
    }
    return true;
}

std::string Usage(void)
{
    std::string text = "usage: delve [options]\n\noptions:\n";
    for (const OptionEntry& entry : OPTIONS) {
        std::string left = std::string("  ") + (entry.alias ? std::string(entry.alias) + ", " : "") + entry.name +
                           (entry.value ? std::string(" ") + entry.value : "");
        if (left.size() < 20)
            left.resize(20, ' ');
        else
            left += "  ";
        text += left + entry.help + "\n";
    }
    return text;
}
