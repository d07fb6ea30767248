#include "app/TimeLimit.h"

#include <limits>

#include "core/LanguageTable.h"
#include "platform/Host.h"

namespace tessarin {

std::uint32_t SecondsPerUnit(TimeUnit unit) {
    switch (unit) {
        case TimeUnit::Years:
            return 31536000;
        case TimeUnit::Weeks:
            return 604800;
        case TimeUnit::Days:
            return 86400;
        case TimeUnit::Hours:
            return 3600;
        case TimeUnit::Minutes:
            return 60;
        case TimeUnit::Seconds:
            return 1;
    }
    return 1;
}

int NormaliseLimitValue(int value) {
    return value < 1 || value > 99 ? 1 : value;
}

TimeLimitResult ComputeTimeLimit(const TimeLimitInput& input, const IHost& host) {
    TimeLimitResult r;
    r.fromFirstDecryption = input.fromFirstDecryption;
    switch (input.kind) {
        case TimeLimitInput::Kind::None:
            r.fromFirstDecryption = false;
            return r;
        case TimeLimitInput::Kind::Relative:
            if (input.value < 1 || input.value > 99) {
                r.problem = TimeLimitResult::Problem::ValueOutOfRange;
                r.messageSlot = slot::kTimeRange;
                return r;
            }
            // 99 years is 3,122,064,000 seconds: still inside 32 bits.
            r.seconds = static_cast<std::uint32_t>(input.value) * SecondsPerUnit(input.unit);
            return r;
        case TimeLimitInput::Kind::Deadline: {
            const SystemTime& d = input.deadline;
            if (d.hour > 23 || d.minute > 59 || d.second > 59) {
                r.problem = TimeLimitResult::Problem::FieldOutOfRange;
                return r;
            }
            const auto when = SystemTimeToTimeT(d);
            const std::time_t now = host.Now();
            if (!when || *when <= now) {
                r.problem = TimeLimitResult::Problem::DeadlineNotAfterNow;
                r.messageSlot = slot::kTimeLimitAfterNow;
                return r;
            }
            const auto diff = static_cast<long long>(*when - now);
            r.seconds = diff > std::numeric_limits<std::uint32_t>::max() ? std::numeric_limits<std::uint32_t>::max()
                                                                         : static_cast<std::uint32_t>(diff);
            return r;
        }
    }
    return r;
}

}  // namespace tessarin
