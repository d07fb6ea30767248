#include <gtest/gtest.h>

#include "app/TimeLimit.h"
#include "core/LanguageTable.h"
#include "platform/Host.h"

namespace tessarin {
namespace {

TEST(TimeLimit, UnitsAndRange) {
    FixedHost host;
    struct Case {
        int value;
        TimeUnit unit;
        std::uint32_t seconds;
        TimeLimitResult::Problem problem;
    } cases[] = {
        {1, TimeUnit::Years, 31536000, TimeLimitResult::Problem::None},
        {2, TimeUnit::Weeks, 1209600, TimeLimitResult::Problem::None},
        {3, TimeUnit::Days, 259200, TimeLimitResult::Problem::None},
        {4, TimeUnit::Hours, 14400, TimeLimitResult::Problem::None},
        {5, TimeUnit::Minutes, 300, TimeLimitResult::Problem::None},
        {99, TimeUnit::Seconds, 99, TimeLimitResult::Problem::None},
        {99, TimeUnit::Years, 3122064000u, TimeLimitResult::Problem::None},
        {0, TimeUnit::Days, 0, TimeLimitResult::Problem::ValueOutOfRange},
        {100, TimeUnit::Days, 0, TimeLimitResult::Problem::ValueOutOfRange},
    };
    for (const auto& c : cases) {
        TimeLimitInput in;
        in.kind = TimeLimitInput::Kind::Relative;
        in.value = c.value;
        in.unit = c.unit;
        const auto r = ComputeTimeLimit(in, host);
        EXPECT_EQ(r.seconds, c.seconds) << c.value;
        EXPECT_EQ(r.problem, c.problem) << c.value;
        if (c.problem == TimeLimitResult::Problem::ValueOutOfRange) {
            EXPECT_EQ(r.messageSlot, slot::kTimeRange);
        }
    }
    // No limit chosen: the value does not matter.
    TimeLimitInput none;
    none.value = 500;
    EXPECT_EQ(ComputeTimeLimit(none, host).seconds, 0u);
    EXPECT_EQ(NormaliseLimitValue(500), 1);
    EXPECT_EQ(NormaliseLimitValue(0), 1);
    EXPECT_EQ(NormaliseLimitValue(42), 42);
}

TEST(TimeLimit, Deadline) {
    FixedHost host;
    TimeLimitInput in;
    in.kind = TimeLimitInput::Kind::Deadline;
    in.deadline = SystemTimeFromTimeT(host.now + 3600);
    in.fromFirstDecryption = true;
    auto r = ComputeTimeLimit(in, host);
    EXPECT_EQ(r.problem, TimeLimitResult::Problem::None);
    EXPECT_EQ(r.seconds, 3600u);
    EXPECT_TRUE(r.fromFirstDecryption);

    in.deadline = SystemTimeFromTimeT(host.now);
    r = ComputeTimeLimit(in, host);
    EXPECT_EQ(r.problem, TimeLimitResult::Problem::DeadlineNotAfterNow);
    EXPECT_EQ(r.messageSlot, slot::kTimeLimitAfterNow);

    in.deadline = SystemTimeFromTimeT(host.now + 86400);
    in.deadline.hour = 24;
    r = ComputeTimeLimit(in, host);
    EXPECT_EQ(r.problem, TimeLimitResult::Problem::FieldOutOfRange);
    EXPECT_EQ(r.messageSlot, 0);
}

}  // namespace
}  // namespace tessarin
