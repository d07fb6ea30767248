#pragma once
// IUserDialog for tests: plays planned answers in order and records every text
// shown, so a pipeline's exact messages can be checked word for word.

#include <deque>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/UserDialog.h"

namespace tessarin::test {

class ScriptedUserDialog final : public IUserDialog {
public:
    struct Event {
        enum Kind { Message, Question, Continue, Status } kind;
        std::string text;
        std::string title;
        MessageKind messageKind = MessageKind::Information;
        std::optional<QuestionId> question;  // questions and continue-confirms
    };

    // Planned answers, consumed in order. A question without a planned answer
    // fails the test loudly instead of guessing.
    void PlanAnswer(Answer a) { m_answers.push_back(a); }
    void PlanYes(int times = 1) {
        for (int i = 0; i < times; ++i) PlanAnswer(Answer::Yes);
    }
    void PlanNo(int times = 1) {
        for (int i = 0; i < times; ++i) PlanAnswer(Answer::No);
    }
    void PlanContinue(int index) { m_continues.push_back(index); }
    // Sets the cancel flag after this many CancelRequested() polls.
    void CancelAfterPolls(int polls) { m_cancelAfter = polls; }

    void ShowMessage(std::string_view text, MessageKind kind, std::string_view title) override {
        m_events.push_back({Event::Message, std::string(text), std::string(title), kind, std::nullopt});
    }
    Answer Ask(QuestionId id, std::string_view text, QuestionButtons, std::string_view title) override {
        m_events.push_back({Event::Question, std::string(text), std::string(title), MessageKind::Information, id});
        if (m_answers.empty()) throw std::logic_error("unplanned question: " + std::string(text));
        Answer a = m_answers.front();
        m_answers.pop_front();
        return a;
    }
    int AskContinue(const ContinueConfirm& d) override {
        m_events.push_back({Event::Continue, d.text, d.title, MessageKind::Information, d.id});
        m_lastContinue = d;
        if (m_continues.empty()) throw std::logic_error("unplanned continue-confirm: " + d.text);
        int a = m_continues.front();
        m_continues.pop_front();
        return a;
    }
    void SetStatus(std::string_view text) override {
        m_events.push_back({Event::Status, std::string(text), {}, MessageKind::Information, std::nullopt});
    }
    void SetProgressRange(std::int64_t total) override {
        m_progressTotal = total;
        m_progress = 0;
    }
    void SetProgress(std::int64_t position) override { m_progress = position; }
    void StepProgress(std::int64_t step) override { m_progress += step; }
    bool CancelRequested() override {
        if (m_cancelAfter < 0) return false;
        return m_polls++ >= m_cancelAfter;
    }

    const std::vector<Event>& Events() const { return m_events; }
    // Texts of one kind, in order.
    std::vector<std::string> Texts(Event::Kind kind) const {
        std::vector<std::string> out;
        for (const auto& e : m_events)
            if (e.kind == kind) out.push_back(e.text);
        return out;
    }
    std::vector<std::string> Messages() const { return Texts(Event::Message); }
    std::vector<std::string> Questions() const { return Texts(Event::Question); }
    std::vector<std::string> Statuses() const { return Texts(Event::Status); }
    // What each question and continue-confirm asked, in order.
    std::vector<QuestionId> QuestionIds() const {
        std::vector<QuestionId> out;
        for (const auto& e : m_events)
            if (e.question) out.push_back(*e.question);
        return out;
    }
    const ContinueConfirm& LastContinue() const { return m_lastContinue; }
    bool AllAnswersUsed() const { return m_answers.empty() && m_continues.empty(); }
    std::int64_t Progress() const { return m_progress; }
    std::int64_t ProgressTotal() const { return m_progressTotal; }
    void ClearEvents() { m_events.clear(); }

private:
    std::vector<Event> m_events;
    std::deque<Answer> m_answers;
    std::deque<int> m_continues;
    ContinueConfirm m_lastContinue;
    std::int64_t m_progress = 0;
    std::int64_t m_progressTotal = 0;
    int m_cancelAfter = -1;
    int m_polls = 0;
};

}  // namespace tessarin::test
