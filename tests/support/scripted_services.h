// Thread-safe front-end services answering from queues and recording every call; a missing or
// impossible answer, or one left over at the end, fails the test (the caller gets No/Cancel/Deny).
#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "frontend/services.h"

namespace tarvox {

class ScriptedServices : public FrontendServices {
public:
    enum class CallKind { Box, Prompt, Certificate, LostConnection };

    ~ScriptedServices() override { ExpectScriptUsedUp(); }

    void QueueBoxAnswer(BoxAnswer answer) { Add(m_box_answers, answer); }
    void QueuePromptText(std::string_view text, bool dont_ask_again = false) {
        Add(m_prompt_results, TextPromptResult{true, std::string(text), dont_ask_again});
    }
    void QueuePromptCancel() { Add(m_prompt_results, TextPromptResult{}); }
    void QueueCertificateDecision(CertificateDecision decision) {
        Add(m_certificate_decisions, decision);
    }

    BoxAnswer ShowMessageBox(const MessageBoxRequest& request) override;
    TextPromptResult TextPrompt(const TextPromptRequest& request) override;
    void ShowStatus(StatusLine line, std::string_view text) override {
        Add(m_statuses, std::pair(line, std::string(text)));
    }
    CertificateDecision ShowCertificate(const CertificateView& view) override;
    void NotifyLostConnection(NetResult result) override;

    // What was asked, in order, of every kind and of each kind.
    std::vector<CallKind> Calls() const { return Locked(m_calls); }
    std::vector<MessageBoxRequest> Boxes() const { return Locked(m_boxes); }
    std::vector<TextPromptRequest> Prompts() const { return Locked(m_prompts); }
    std::vector<CertificateView> Certificates() const { return Locked(m_certificates); }
    std::vector<NetResult> LostConnections() const { return Locked(m_lost_connections); }
    // The texts shown in one status line, in order; the last one, or "" for none.
    std::vector<std::string> Statuses(StatusLine line) const;
    std::string LastStatus(StatusLine line) const {
        const std::vector<std::string> texts = Statuses(line);
        return texts.empty() ? std::string() : texts.back();
    }

    void ExpectScriptUsedUp();

private:
    template <typename Values>
    Values Locked(const Values& values) const {
        std::lock_guard lock(m_mutex);
        return values;
    }
    template <typename Values, typename Value>
    void Add(Values& values, Value value) {
        std::lock_guard lock(m_mutex);
        values.push_back(std::move(value));
    }

    mutable std::mutex m_mutex;
    std::deque<BoxAnswer> m_box_answers;
    std::deque<TextPromptResult> m_prompt_results;
    std::deque<CertificateDecision> m_certificate_decisions;
    std::vector<CallKind> m_calls;
    std::vector<MessageBoxRequest> m_boxes;
    std::vector<TextPromptRequest> m_prompts;
    std::vector<CertificateView> m_certificates;
    std::vector<NetResult> m_lost_connections;
    std::vector<std::pair<StatusLine, std::string>> m_statuses;
};

}  // namespace tarvox
