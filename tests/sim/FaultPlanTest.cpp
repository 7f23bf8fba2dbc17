#include "sim/FaultPlan.h"

#include <gtest/gtest.h>

namespace zort::sim {
namespace {

TEST(FaultPlan, RulesParseAndPickTheirFrames) {
    FaultRule rule;
    std::string error;
    ASSERT_TRUE(FaultRule::Parse("drop@1#5", rule, error)) << error;
    EXPECT_EQ(rule.action, FaultAction::kDrop);
    EXPECT_TRUE(rule.Matches(1, 5, 9));
    EXPECT_FALSE(rule.Matches(1, 6, 10));
    EXPECT_FALSE(rule.Matches(2, 5, 9));

    ASSERT_TRUE(FaultRule::Parse("delay=4500@2#3+", rule, error)) << error;
    EXPECT_EQ(rule.action, FaultAction::kDelay);
    EXPECT_EQ(rule.arg, 4500);
    EXPECT_FALSE(rule.Matches(2, 2, 2));
    EXPECT_TRUE(rule.Matches(2, 3, 3));
    EXPECT_TRUE(rule.Matches(2, 30, 30));

    ASSERT_TRUE(FaultRule::Parse("close@*#8", rule, error)) << error;
    EXPECT_TRUE(rule.Matches(11, 1, 8)) << "* counts every frame";
    EXPECT_FALSE(rule.Matches(11, 8, 7));
}

TEST(FaultPlan, MalformedRulesAreRefusedWithAReason) {
    FaultRule rule;
    for (const char* bad : {"drop", "drop@1", "boom@1#1", "delay@1#1", "drop=3@1#1", "short=x@1#1",
                            "drop@0#1", "drop@1#0", "drop@1#-2", "extra=5@abc#1"}) {
        std::string error;
        EXPECT_FALSE(FaultRule::Parse(bad, rule, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

}  // namespace
}  // namespace zort::sim
