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
        {{"-h"}, "unexpected argument '-h'"},
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

}  // namespace
