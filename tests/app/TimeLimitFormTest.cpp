// The time-limit controls of the encryption windows as typed: which OK is
// refused, with which words, and where the focus goes back.

#include <gtest/gtest.h>

#include "app/TimeLimitForm.h"
#include "core/LanguageTable.h"
#include "platform/Host.h"

namespace tessarin {
namespace {

using Base = TimeLimitForm::Base;
using Problem = TimeLimitResult::Problem;

// A form whose direct setting names the moment `offset` seconds from the host's now.
TimeLimitForm DirectForm(const FixedHost& host, long offset) {
    TimeLimitForm form;
    form.base = Base::AfterEncryption;
    form.direct = true;
    const SystemTime t = SystemTimeFromTimeT(host.now + offset);
    form.year = t.year;
    form.month = t.month;
    form.day = t.day;
    form.hour = std::to_string(t.hour);
    form.minute = std::to_string(t.minute);
    form.second = std::to_string(t.second);
    return form;
}

TEST(TimeLimitForm, ValueAndUnitWhileALimitIsChosen) {
    FixedHost host;
    struct Case {
        Base base;
        const char* value;
        TimeUnit unit;
        std::uint32_t seconds;
        bool fromFirst;
        const char* englishMessage;  // empty: accepted
    } cases[] = {
        {Base::AfterEncryption, "1", TimeUnit::Years, 31536000, false, ""},
        {Base::AfterEncryption, "99", TimeUnit::Seconds, 99, false, ""},
        {Base::AfterFirstDecryption, "2", TimeUnit::Weeks, 1209600, true, ""},
        {Base::AfterFirstDecryption, "07", TimeUnit::Hours, 25200, true, ""},
        {Base::AfterEncryption, "0", TimeUnit::Days, 0, false, "The range that can set time is 1 to 99."},
        {Base::AfterEncryption, "100", TimeUnit::Days, 0, false, "The range that can set time is 1 to 99."},
        {Base::AfterFirstDecryption, "", TimeUnit::Days, 0, true, "The range that can set time is 1 to 99."},
        {Base::AfterEncryption, "1a", TimeUnit::Days, 0, false, "The range that can set time is 1 to 99."},
        {Base::AfterEncryption, "-5", TimeUnit::Days, 0, false, "The range that can set time is 1 to 99."},
    };
    LanguageTable texts;
    texts.FillJapanese();
    texts.FillEnglish();
    for (const auto& c : cases) {
        TimeLimitForm form;
        form.base = c.base;
        form.value = c.value;
        form.unit = c.unit;
        form.hour = "99";  // the direct setting's fields do not matter without it
        const auto check = CheckTimeLimitForm(form, host);
        const std::string expected = c.englishMessage;
        EXPECT_EQ(check.Ok(), expected.empty()) << c.value;
        EXPECT_EQ(check.result.seconds, c.seconds) << c.value;
        EXPECT_EQ(check.input.kind, TimeLimitInput::Kind::Relative) << c.value;
        EXPECT_EQ(check.input.fromFirstDecryption, c.fromFirst) << c.value;
        if (!expected.empty()) {
            EXPECT_EQ(texts[check.result.messageSlot], expected) << c.value;
            EXPECT_EQ(check.focus, TimeLimitField::Value) << c.value;
            EXPECT_EQ(check.value, c.value) << "a refused value stays as typed";
        }
    }
}

TEST(TimeLimitForm, WithoutALimitABadValueSilentlyBecomesOne) {
    FixedHost host;
    struct Case {
        const char* value;
        const char* shown;
    } cases[] = {{"0", "1"}, {"100", "1"}, {"", "1"}, {"x", "1"}, {"42", "42"}, {"1", "1"}};
    for (const auto& c : cases) {
        TimeLimitForm form;
        form.value = c.value;
        form.direct = true;
        form.hour = "77";
        const auto check = CheckTimeLimitForm(form, host);
        EXPECT_TRUE(check.Ok()) << c.value;
        EXPECT_EQ(check.result.messageSlot, 0) << c.value;
        EXPECT_EQ(check.result.seconds, 0u) << c.value;
        EXPECT_EQ(check.input.kind, TimeLimitInput::Kind::None) << c.value;
        EXPECT_EQ(check.value, c.shown) << c.value;
    }
}

TEST(TimeLimitForm, DirectSettingFieldsAndDeadline) {
    FixedHost host;
    LanguageTable texts;
    texts.FillJapanese();
    struct Case {
        const char* name;
        long offset;
        const char* hour;  // nullptr: as the offset gives
        const char* minute;
        const char* second;
        Problem problem;
        TimeLimitField focus;
        const char* japaneseMessage;  // empty: none
    } cases[] = {
        {"an hour ahead", 3600, nullptr, nullptr, nullptr, Problem::None, TimeLimitField::None, ""},
        {"hour 24", 86400, "24", nullptr, nullptr, Problem::FieldOutOfRange, TimeLimitField::Hour, ""},
        {"minute 60", 86400, nullptr, "60", nullptr, Problem::FieldOutOfRange, TimeLimitField::Minute, ""},
        {"second 60", 86400, nullptr, nullptr, "60", Problem::FieldOutOfRange, TimeLimitField::Second, ""},
        {"empty second", 86400, nullptr, nullptr, "", Problem::FieldOutOfRange, TimeLimitField::Second, ""},
        {"minute and second bad", 86400, nullptr, "61", "61", Problem::FieldOutOfRange, TimeLimitField::Minute, ""},
        {"now", 0, nullptr, nullptr, nullptr, Problem::DeadlineNotAfterNow, TimeLimitField::None,
         "現在より後の時刻を指定してください。"},
        {"a second ago", -1, nullptr, nullptr, nullptr, Problem::DeadlineNotAfterNow, TimeLimitField::None,
         "現在より後の時刻を指定してください。"},
        {"a day before today", -86400, nullptr, nullptr, nullptr, Problem::DeadlineNotAfterNow, TimeLimitField::None,
         "現在より後の時刻を指定してください。"},
    };
    for (const auto& c : cases) {
        TimeLimitForm form = DirectForm(host, c.offset);
        form.value = "500";  // the value does not matter with the direct setting
        if (c.hour) form.hour = c.hour;
        if (c.minute) form.minute = c.minute;
        if (c.second) form.second = c.second;
        const auto check = CheckTimeLimitForm(form, host);
        EXPECT_EQ(check.result.problem, c.problem) << c.name;
        EXPECT_EQ(check.focus, c.focus) << c.name;
        const std::string expected = c.japaneseMessage;
        if (expected.empty())
            EXPECT_EQ(check.result.messageSlot, 0) << c.name;
        else
            EXPECT_EQ(texts[check.result.messageSlot], expected) << c.name;
        if (c.problem == Problem::None) {
            EXPECT_EQ(check.input.kind, TimeLimitInput::Kind::Deadline);
            EXPECT_EQ(check.result.seconds, static_cast<std::uint32_t>(c.offset)) << c.name;
        }
    }
}

TEST(TimeLimitForm, TheDialogsOpenWithTheSettingsLimitAndADeadlineADayAhead) {
    FixedHost host;
    TimeLimitInput settings;
    auto form = DefaultTimeLimitForm(settings, host);
    EXPECT_EQ(form.base, Base::None);
    EXPECT_EQ(form.value, "1");
    // The deadline offered is accepted as it stands, a day from now.
    form.base = Base::AfterEncryption;
    form.direct = true;
    const auto check = CheckTimeLimitForm(form, host);
    EXPECT_TRUE(check.Ok());
    EXPECT_EQ(check.result.seconds, 86400u);

    settings.kind = TimeLimitInput::Kind::Relative;
    settings.unit = TimeUnit::Weeks;
    form = DefaultTimeLimitForm(settings, host);
    EXPECT_EQ(form.base, Base::AfterEncryption);
    EXPECT_EQ(form.unit, TimeUnit::Weeks);
    EXPECT_EQ(CheckTimeLimitForm(form, host).result.seconds, 604800u);
}

TEST(TimeLimitForm, NumbersAsTyped) {
    struct Case {
        const char* text;
        int value;
    } cases[] = {{"0", 0}, {"7", 7},   {"0099", 99}, {"9999", 9999}, {"10000", -1},
                 {"", -1}, {" 1", -1}, {"1.5", -1},  {"+1", -1},     {"１", -1}};
    for (const auto& c : cases) EXPECT_EQ(ParseFormNumber(c.text), c.value) << c.text;
}

}  // namespace
}  // namespace tessarin
