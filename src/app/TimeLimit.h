#pragma once
// The time-limit inputs of the encrypt file dialog and the encryption options
// dialog, as plain values the GUI fills, and the limit in seconds they give.

#include <cstdint>
#include <optional>

#include "platform/SystemTime.h"

namespace tessarin {

class IHost;

enum class TimeUnit : int { Years = 0, Weeks = 1, Days = 2, Hours = 3, Minutes = 4, Seconds = 5 };

struct TimeLimitInput {
    enum class Kind { None, Relative, Deadline };
    Kind kind = Kind::None;
    // Relative: a value of 1 to 99 in a unit from the list.
    int value = 1;
    TimeUnit unit = TimeUnit::Days;
    // Deadline ("Direct setting Decryption time limit"): date plus hour,
    // minute and second, local time.
    SystemTime deadline;
    // "TimeLimit After First Decryption" when true, else "TimeLimit After
    // Encryption".
    bool fromFirstDecryption = false;
};

// Seconds per unit, in list order: a year counts as 365 days.
std::uint32_t SecondsPerUnit(TimeUnit unit);

struct TimeLimitResult {
    enum class Problem {
        None,
        ValueOutOfRange,      // "The range that can set time is 1 to 99."
        FieldOutOfRange,      // hour > 23, minute or second > 59: focus goes back, no message
        DeadlineNotAfterNow,  // "Please specify timelimit after this time."
    };
    Problem problem = Problem::None;
    std::uint32_t seconds = 0;  // 0: no limit
    bool fromFirstDecryption = false;
    // The language-table slot of the message to show, 0 for none.
    int messageSlot = 0;
};

// The limit as the dialogs compute it when the user presses OK. A value
// outside 1..99 is refused while a limit is chosen; with no limit chosen the
// value does not matter and the limit is 0.
TimeLimitResult ComputeTimeLimit(const TimeLimitInput& input, const IHost& host);
// The value field with no limit chosen: outside 1..99 silently becomes 1.
int NormaliseLimitValue(int value);

}  // namespace tessarin
