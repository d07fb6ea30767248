#pragma once
// The time-limit controls of the encrypt file dialog and the encryption
// options dialog, as the window holds them (the edits' texts as typed), and
// the check the window makes when the user presses OK.

#include <string>

#include "app/TimeLimit.h"

namespace tessarin {

class IHost;

struct TimeLimitForm {
    // "TimeLimit After Encryption" or "TimeLimit After First Decryption";
    // None: no limit.
    enum class Base { None, AfterEncryption, AfterFirstDecryption };
    Base base = Base::None;
    std::string value = "1";  // 1 to 99
    TimeUnit unit = TimeUnit::Days;
    // "Direct setting Decryption time limit": the date and time below give
    // a deadline instead of value and unit.
    bool direct = false;
    int year = 0;
    int month = 0;
    int day = 0;
    std::string hour;
    std::string minute;
    std::string second;
};

// The control the focus goes back to after a refused OK.
enum class TimeLimitField { None, Value, Hour, Minute, Second };

struct [[nodiscard]] TimeLimitFormCheck {
    TimeLimitInput input;    // what the batch is given
    TimeLimitResult result;  // the limit, or why OK is refused (and the message slot)
    TimeLimitField focus = TimeLimitField::None;
    // The value edit's text after the check: with no limit chosen a value
    // outside 1..99 is silently replaced by 1.
    std::string value;
    bool Ok() const { return result.problem == TimeLimitResult::Problem::None; }
};

TimeLimitFormCheck CheckTimeLimitForm(const TimeLimitForm& form, const IHost& host);

// The form a dialog opens with: the limit the settings give (value 1 in the
// settings' unit, counted from encryption) and, for the direct setting, a
// deadline one day from now.
TimeLimitForm DefaultTimeLimitForm(const TimeLimitInput& defaults, const IHost& host);

// A number as typed in one of the edits: decimal digits only, at most four;
// -1 for anything else (an empty edit included).
int ParseFormNumber(const std::string& text);

}  // namespace tessarin
