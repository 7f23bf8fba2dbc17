#include <gtest/gtest.h>

#include "sim/FaultPlan.h"

namespace zort::sim {
namespace {

// Whether the rule bends the frame that arrives after `frames`, counting as the
// simulator does: only the frames the rule picks.
bool FiresOnLast(const FaultRule& rule, const std::vector<std::pair<int, std::vector<uint8_t>>>& frames) {
    int picked = 0;
    bool fired = false;
    for (const auto& [command, payload] : frames) {
        fired = rule.Selects(command, payload) && rule.Fires(++picked);
    }
    return fired;
}

TEST(FaultPlan, RulesParseAndPickTheirFrames) {
    FaultRule rule;
    std::string error;
    ASSERT_TRUE(FaultRule::Parse("drop@1#5", rule, error)) << error;
    EXPECT_EQ(rule.action, FaultAction::kDrop);
    EXPECT_FALSE(rule.Selects(2, {}));
    EXPECT_TRUE(rule.Selects(1, {0x01}));
    EXPECT_TRUE(rule.Fires(5));
    EXPECT_FALSE(rule.Fires(6));

    ASSERT_TRUE(FaultRule::Parse("delay=4500@2#3+", rule, error)) << error;
    EXPECT_EQ(rule.action, FaultAction::kDelay);
    EXPECT_EQ(rule.arg, 4500);
    EXPECT_FALSE(rule.Fires(2));
    EXPECT_TRUE(rule.Fires(3));
    EXPECT_TRUE(rule.Fires(30));

    ASSERT_TRUE(FaultRule::Parse("close@*#8", rule, error)) << error;
    EXPECT_TRUE(rule.Selects(11, {})) << "* picks every frame";
    EXPECT_TRUE(rule.Fires(8));

    // By payload: the count skips frames that carry something else, so a retried
    // request before it does not move the rule onto another one.
    ASSERT_TRUE(FaultRule::Parse("garbage=3@9:0A#1", rule, error)) << error;
    EXPECT_EQ(rule.payload, std::vector<uint8_t>{0x0A});
    EXPECT_TRUE(FiresOnLast(rule, {{9, {0xA0}}, {9, {0x0A}}}));
    EXPECT_TRUE(FiresOnLast(rule, {{9, {0xA0}}, {9, {0xA0}}, {9, {0xA0}}, {9, {0x0A}}}));
    EXPECT_FALSE(FiresOnLast(rule, {{9, {0x0A}}, {9, {0x0A}}}));
    EXPECT_FALSE(FiresOnLast(rule, {{8, {0x0A}}})) << "another command";
    EXPECT_FALSE(FiresOnLast(rule, {{9, {0x0A, 0x00}}})) << "the payload must be exactly the one named";
    ASSERT_TRUE(FaultRule::Parse("drop@9:a0ff10#2+", rule, error)) << error;
    EXPECT_EQ(rule.payload, (std::vector<uint8_t>{0xA0, 0xFF, 0x10}));
    EXPECT_TRUE(FiresOnLast(rule, {{9, {0xA0, 0xFF, 0x10}}, {9, {1}}, {9, {0xA0, 0xFF, 0x10}}}));
}

TEST(FaultPlan, MalformedRulesAreRefusedWithAReason) {
    FaultRule rule;
    for (const char* bad :
         {"drop", "drop@1", "boom@1#1", "delay@1#1", "drop=3@1#1", "short=x@1#1", "drop@0#1", "drop@1#0",
          "drop@1#-2", "extra=5@abc#1", "drop@9:#1", "drop@9:a#1", "drop@9:zz#1", "drop@*:a0#1", "drop@+1#1",
          "delay=-0@1#1", "drop@1# 2", "drop@1#+", "drop@256#1"}) {
        std::string error;
        EXPECT_FALSE(FaultRule::Parse(bad, rule, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

}  // namespace
}  // namespace zort::sim
