#pragma once
// Calendar arithmetic of auth key validity limits: the choices of the limit
// dialog, the end-of-day rule and the expiry test.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/SystemTime.h"

namespace tessarin {

// What the limit dialog offers.
enum class AuthLimitChoice {
    None,             // no limit (slot::kLimitNone)
    OneMonth,         // one month (slot::kLimitOneMonth): same day of the next month
    OneYear,          // one year (slot::kLimitOneYear): same day of the next year
    EndOfYear,        // to the end of the year (slot::kLimitEndOfYear): 31 December of this year
    EndOfFiscalYear,  // to the end of the fiscal year (slot::kLimitEndOfFiscalYear): 31 March, of next year after March
    Picked,           // picked directly (slot::kLimitDirect): a day from the calendar
};

struct AuthLimit {
    enum Status { NoLimit = 0, Set = 1, PickedInPast = 2, Invalid = 3 };
    Status status = NoLimit;
    SystemTime limit;  // all zero unless Set
    // 1 when a limit is set, 0 otherwise: what the dialog's limit() returns.
    int Code() const { return status == Set ? 1 : 0; }
};

// A calendar date with out-of-range months and days carried over the way
// mktime does (month 13 is January of the next year, 31 February is early
// March), at the given time of day, with its day of the week filled in.
// Empty for a year outside 1601..30827 after carrying.
std::optional<SystemTime> NormalizedDate(long long year, long long month, long long day, int hour, int minute,
                                         int second);

// The limit a choice gives from today's local date `now`; a limit is always
// the chosen day at 23:59:59. For Picked, `picked` supplies the day (its time
// of day is ignored); a picked day before today is PickedInPast, a missing or
// impossible one Invalid.
AuthLimit ComputeAuthLimit(AuthLimitChoice choice, const SystemTime& now,
                           const std::optional<SystemTime>& picked = std::nullopt);

// Whole minutes from `now` to `limit` (truncated toward zero), as the expiry
// scan counts them; empty when either time cannot be placed.
std::optional<long long> MinutesUntil(const SystemTime& limit, const SystemTime& now);

// True for a limit with a year of 1900 or later that lies at least a whole
// minute before now. A zero or pre-1900 year never expires.
bool LimitExpired(const SystemTime& limit, const SystemTime& now);

// "%Y/%m/%d" and "%Y/%m/%d %H:%M" of a stored time.
std::string FormatDate(const SystemTime& t);
std::string FormatDateTime(const SystemTime& t);

}  // namespace tessarin
