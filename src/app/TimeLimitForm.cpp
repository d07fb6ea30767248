#include "app/TimeLimitForm.h"

#include "platform/Host.h"

namespace tessarin {

int ParseFormNumber(const std::string& text) {
    if (text.empty() || text.size() > 4) return -1;
    int n = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

TimeLimitFormCheck CheckTimeLimitForm(const TimeLimitForm& form, const IHost& host) {
    TimeLimitFormCheck check;
    check.value = form.value;
    const int value = ParseFormNumber(form.value);
    if (form.base == TimeLimitForm::Base::None) {
        if (NormaliseLimitValue(value) != value) check.value = "1";
        check.input.kind = TimeLimitInput::Kind::None;
        check.result = ComputeTimeLimit(check.input, host);
        return check;
    }
    check.input.fromFirstDecryption = form.base == TimeLimitForm::Base::AfterFirstDecryption;
    check.input.unit = form.unit;
    check.input.value = value;
    if (!form.direct) {
        check.input.kind = TimeLimitInput::Kind::Relative;
        check.result = ComputeTimeLimit(check.input, host);
        if (!check.Ok()) check.focus = TimeLimitField::Value;
        return check;
    }
    check.input.kind = TimeLimitInput::Kind::Deadline;
    // Each time field in turn; the first one out of range takes the focus.
    struct Field {
        const std::string& text;
        int max;
        TimeLimitField field;
    };
    const Field fields[] = {{form.hour, 23, TimeLimitField::Hour},
                            {form.minute, 59, TimeLimitField::Minute},
                            {form.second, 59, TimeLimitField::Second}};
    int parsed[3] = {};
    for (int i = 0; i < 3; ++i) {
        parsed[i] = ParseFormNumber(fields[i].text);
        if (parsed[i] < 0 || parsed[i] > fields[i].max) {
            check.result.problem = TimeLimitResult::Problem::FieldOutOfRange;
            check.focus = fields[i].field;
            return check;
        }
    }
    SystemTime& d = check.input.deadline;
    d.year = static_cast<std::uint16_t>(form.year);
    d.month = static_cast<std::uint16_t>(form.month);
    d.day = static_cast<std::uint16_t>(form.day);
    d.hour = static_cast<std::uint16_t>(parsed[0]);
    d.minute = static_cast<std::uint16_t>(parsed[1]);
    d.second = static_cast<std::uint16_t>(parsed[2]);
    check.result = ComputeTimeLimit(check.input, host);
    return check;
}

TimeLimitForm DefaultTimeLimitForm(const TimeLimitInput& defaults, const IHost& host) {
    TimeLimitForm form;
    if (defaults.kind != TimeLimitInput::Kind::None)
        form.base = defaults.fromFirstDecryption ? TimeLimitForm::Base::AfterFirstDecryption
                                                 : TimeLimitForm::Base::AfterEncryption;
    form.value = std::to_string(NormaliseLimitValue(defaults.value));
    form.unit = defaults.unit;
    const SystemTime tomorrow = SystemTimeFromTimeT(host.Now() + 86400);
    form.year = tomorrow.year;
    form.month = tomorrow.month;
    form.day = tomorrow.day;
    form.hour = std::to_string(tomorrow.hour);
    form.minute = std::to_string(tomorrow.minute);
    form.second = std::to_string(tomorrow.second);
    return form;
}

}  // namespace tessarin
