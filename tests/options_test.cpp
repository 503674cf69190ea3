// The command line: what each option accepts and how each mistake is named.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/options.h"

namespace {

struct Parsed {
    bool ok;
    Options options;
    std::string error;
};

Parsed Parse(std::vector<const char*> args)
{
    args.insert(args.begin(), "delve");
    Parsed p{};
    p.ok = ParseOptions(static_cast<int>(args.size()), args.data(), &p.options, &p.error);
    return p;
}

TEST(OptionsTest, GoodCommandLines)
{
    Parsed none = Parse({});
    ASSERT_TRUE(none.ok);
    EXPECT_FALSE(none.options.help);
    EXPECT_EQ(none.options.record + none.options.play + none.options.timedemo, "");

    struct Case {
        std::vector<const char*> args;
        std::string record, play, timedemo;
    };
    const Case cases[] = {
        {{"--record", "a.dem"}, "a.dem", "", ""},
        {{"--record=b c.dem"}, "b c.dem", "", ""},
        {{"--play", "dir/p.dem"}, "", "dir/p.dem", ""},
        {{"--timedemo=t.dem"}, "", "", "t.dem"},
        {{"--play", "-"}, "", "-", ""},  // a single dash is a file name
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0]);
        Parsed p = Parse(c.args);
        ASSERT_TRUE(p.ok) << p.error;
        EXPECT_EQ(p.options.record, c.record);
        EXPECT_EQ(p.options.play, c.play);
        EXPECT_EQ(p.options.timedemo, c.timedemo);
    }
    Parsed help = Parse({"--help"});
    ASSERT_TRUE(help.ok);
    EXPECT_TRUE(help.options.help);
    // The one-letter spellings command-line programs answer to.
    Parsed shortHelp = Parse({"-h"}), shortVersion = Parse({"-V"});
    ASSERT_TRUE(shortHelp.ok && shortVersion.ok) << shortHelp.error << shortVersion.error;
    EXPECT_TRUE(shortHelp.options.help && !shortHelp.options.version);
    EXPECT_TRUE(shortVersion.options.version && !shortVersion.options.help);
}

TEST(OptionsTest, EachMistakeIsNamedOnOneLine)
{
    struct Case {
        std::vector<const char*> args;
        std::string error;
    };
    const Case cases[] = {
        {{"--x"}, "unknown option '--x'"},
        {{"--recordx", "a"}, "unknown option '--recordx'"},
        {{"-x"}, "unknown option '-x'"},
        {{"-hV"}, "unexpected argument '-hV'"},
        {{"-h", "--help"}, "option '--help' given twice"},
        {{"file.dem"}, "unexpected argument 'file.dem'"},
        {{"--record"}, "option '--record' needs a FILE"},
        {{"--play", "--help"}, "option '--play' needs a FILE"},
        {{"--timedemo="}, "option '--timedemo': an empty file name"},
        {{"--play", ""}, "option '--play': an empty file name"},
        {{"--help=yes"}, "option '--help' takes no value"},
        {{"--play", "a", "--play", "b"}, "option '--play' given twice"},
        {{"--record", "a", "--play", "b"}, "--record, --play and --timedemo exclude one another"},
        {{"--play", "a", "--timedemo", "b"}, "--record, --play and --timedemo exclude one another"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0]);
        Parsed p = Parse(c.args);
        EXPECT_FALSE(p.ok);
        EXPECT_EQ(p.error, c.error);
    }
}

// The window options: --version, --scale N, --fullscreen.

TEST(OptionsTest, NoneGivesTheDefaults)
{
    const Parsed p = Parse({});
    ASSERT_TRUE(p.ok);
    EXPECT_FALSE(p.options.help || p.options.version || p.options.fullscreen);
    EXPECT_EQ(p.options.scale, 1);
}

TEST(OptionsTest, GoodValuesAreTakenInEitherSpelling)
{
    for (int n = 1; n <= MAX_WINDOW_SCALE; ++n) {
        const std::string v = std::to_string(n), joined = "--scale=" + v;
        const Parsed spaced = Parse({"--scale", v.c_str()});
        const Parsed equals = Parse({joined.c_str()});
        ASSERT_TRUE(spaced.ok && equals.ok) << spaced.error << equals.error;
        EXPECT_EQ(spaced.options.scale, n);
        EXPECT_EQ(equals.options.scale, n);
    }
    const Parsed all = Parse({"--fullscreen", "--scale", "3", "--version", "--help"});
    ASSERT_TRUE(all.ok) << all.error;
    EXPECT_TRUE(all.options.fullscreen && all.options.version && all.options.help);
    EXPECT_EQ(all.options.scale, 3);
}

TEST(OptionsTest, BadValuesAndUnknownOptionsAreRefusedWithOneLine)
{
    const struct {
        std::vector<const char*> args;
        const char* says;  // a part of the reason
    } cases[] = {
        {{"--scale", "0"}, "'0' is not a whole number from 1 to 8"},
        {{"--scale", "9"}, "'9' is not a whole number from 1 to 8"},
        {{"--scale=-2"}, "'-2'"},
        {{"--scale", "-1"}, "'-1'"},
        {{"--scale", "2.5"}, "'2.5'"},
        {{"--scale", "2x"}, "'2x'"},
        {{"--scale", " 2"}, "' 2'"},
        {{"--scale", "+2"}, "'+2'"},
        {{"--scale", "99999999999999999999"}, "not a whole number"},
        {{"--scale="}, "'' is not"},
        {{"--scale"}, "option '--scale' needs a N"},
        {{"--scale", "--fullscreen"}, "needs a N"},
        {{"--scale", "2", "--scale", "3"}, "given twice"},
        {{"--fullscreen=yes"}, "takes no value"},
        {{"--version=2"}, "takes no value"},
        {{"--window"}, "unknown option '--window'"},
        {{"-s", "2"}, "unknown option '-s'"},
        {{"2"}, "unexpected argument '2'"},
    };
    for (const auto& c : cases) {
        const Parsed p = Parse(c.args);
        SCOPED_TRACE(testing::Message() << c.args[0] << (c.args.size() > 1 ? c.args[1] : ""));
        EXPECT_FALSE(p.ok);
        EXPECT_NE(p.error.find(c.says), std::string::npos) << p.error;
        EXPECT_EQ(p.error.find('\n'), std::string::npos) << "one line";
    }
}

TEST(OptionsTest, UsageHasALineForEachOption)
{
    const std::string usage = Usage();
    for (const char* line : {"\n  -h, --help ", "\n  -V, --version ", "\n  --scale N ", "\n  --fullscreen "})
        EXPECT_NE(usage.find(line), std::string::npos) << line;
    EXPECT_EQ(usage.back(), '\n');
}

}  // namespace
