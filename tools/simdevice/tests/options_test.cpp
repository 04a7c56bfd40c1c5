#include "tools/simdevice/options.h"

#include <gtest/gtest.h>

namespace veskar::simdevice {
namespace {

TEST(OptionsTest, DefaultsAreRealisticTrafficAtLineRateOnOurOwnTerminal) {
    const ParsedOptions parsed = ParseOptions({});
    ASSERT_TRUE(parsed.options);
    const Options& options = *parsed.options;
    EXPECT_EQ(options.scenario, Scenario::Realistic);
    EXPECT_EQ(options.seed, 1u);
    EXPECT_EQ(options.rate, Rate::Line);
    EXPECT_FALSE(options.count);
    EXPECT_FALSE(options.durationSeconds);
    EXPECT_TRUE(options.portPath.empty());
    EXPECT_TRUE(options.waitForReader);
    EXPECT_GE(options.quietEndMs, 2 * kReceiverTickMs);
}

TEST(OptionsTest, ReadsEveryOption) {
    const ParsedOptions parsed =
        ParseOptions({"--scenario", "hdr-in-data", "--seed",      "18446744073709551615",
                      "--rate",     "max",         "--count",     "250000",
                      "--duration", "1.5",         "--quiet-end", "30",
                      "--delay",    "7",           "--log",       "f.log",
                      "--link",     "/tmp/com2",   "--no-wait",   "--wait-enter"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    const Options& options = *parsed.options;
    EXPECT_EQ(options.scenario, Scenario::HdrInData);
    EXPECT_EQ(options.seed, 18446744073709551615u);
    EXPECT_EQ(options.rate, Rate::Max);
    EXPECT_EQ(options.count, 250000);
    EXPECT_EQ(options.durationSeconds, 1.5);
    EXPECT_EQ(options.quietEndMs, 30);
    EXPECT_EQ(options.delayMs, 7);
    EXPECT_EQ(options.logPath, "f.log");
    EXPECT_EQ(options.linkPath, "/tmp/com2");
    EXPECT_FALSE(options.waitForReader);
    EXPECT_TRUE(options.waitForEnter);
}

TEST(OptionsTest, EveryScenarioHasItsName) {
    for (Scenario scenario : kAllScenarios) {
        const ParsedOptions parsed = ParseOptions({"--scenario", std::string(NameOf(scenario))});
        ASSERT_TRUE(parsed.options) << parsed.error;
        EXPECT_EQ(parsed.options->scenario, scenario);
    }
}

TEST(OptionsTest, UsageErrorsSayWhatIsWrong) {
    struct Case {
        std::vector<std::string> args;
        std::string error;
    };
    const Case cases[] = {
        {{"--scenario", "noisy"}, "unknown scenario \"noisy\""},
        {{"--scenario"}, "--scenario needs a value"},
        {{"--rate", "fast"}, "--rate is line or max"},
        {{"--count", "-1"}, "bad --count"},
        {{"--count", "0"}, "--count must be at least 1"},
        {{"--count", "12x"}, "bad --count"},
        {{"--seed", "one"}, "bad --seed"},
        {{"--duration", "0"}, "--duration must be more than 0"},
        {{"--quiet-end", "soon"}, "bad --quiet-end"},
        {{"--port", "/dev/pts/3", "--link", "com2"}, "does not go with --port"},
        {{"--verbose"}, "unknown option --verbose"},
    };
    for (const Case& c : cases) {
        const ParsedOptions parsed = ParseOptions(c.args);
        EXPECT_FALSE(parsed.options) << c.error;
        EXPECT_NE(parsed.error.find(c.error), std::string::npos) << parsed.error;
    }
}

TEST(OptionsTest, UsageNamesEveryScenario) {
    const std::string usage = UsageText();
    for (Scenario scenario : kAllScenarios) {
        EXPECT_NE(usage.find(NameOf(scenario)), std::string::npos) << NameOf(scenario);
    }
}

}  // namespace
}  // namespace veskar::simdevice
