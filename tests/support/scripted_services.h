// The front-end services double of the engine tests: it answers from a script of queued
// answers and records every call.
//
// Rules:
//   - A Yes/No box (YesNo or YesNoDefaultNo) takes the next queued box answer, which must
//     be Yes or No.
//   - An Ok box takes no queued answer: it is recorded and answered Ok at once, so tests
//     need not script the many plain notices. Check them with Boxes().
//   - A text prompt takes the next queued prompt result. As the real dialogs do, a
//     submitted text is cut to capacity - 1 characters.
//   - A call the script has no answer for fails the running test (ADD_FAILURE) and gets the
//     safe answer: No for a Yes/No box, Cancel for a prompt. So does a scripted answer no
//     user could give (Ok for a Yes/No box, non-digits in a numbers-only prompt, "Don't
//     ask again" for a prompt without that box). Queueing an answer no dialog can give
//     (an Ok box answer, a submitted empty text) fails at once.
//   - ExpectScriptUsedUp() fails the test when queued answers were left over and then
//     drops them; the destructor runs the same check, so a forgotten answer is never
//     silently ignored.
//
// All members may be called from any thread.
#pragma once

#include <cstddef>
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

    struct Call {
        CallKind kind = CallKind::Box;
        MessageBoxRequest box;  // the request, when kind == Box
        BoxAnswer box_answer = BoxAnswer::Ok;
        TextPromptRequest prompt;  // the request, when kind == Prompt
        TextPromptResult prompt_result;
        CertificateView certificate;  // the dialog's content, when kind == Certificate
        CertificateDecision certificate_decision = CertificateDecision::Cancel;
        NetResult lost_connection_result = NetResult::Unknown;  // when kind == LostConnection
        bool unexpected = false;  // the script had no (valid) answer for this call
    };

    ScriptedServices() = default;
    ~ScriptedServices() override;
    ScriptedServices(const ScriptedServices&) = delete;
    ScriptedServices& operator=(const ScriptedServices&) = delete;

    void QueueBoxAnswer(BoxAnswer answer);
    void QueuePrompt(TextPromptResult result);
    void QueuePromptText(std::string_view text, bool dont_ask_again = false);
    void QueuePromptCancel();
    void QueueCertificateDecision(CertificateDecision decision);

    BoxAnswer ShowMessageBox(const MessageBoxRequest& request) override;
    TextPromptResult TextPrompt(const TextPromptRequest& request) override;
    // Status texts are recorded, never scripted.
    void ShowStatus(StatusLine line, std::string_view text) override;
    // Takes the next queued decision; none queued fails the test and denies.
    CertificateDecision ShowCertificate(const CertificateView& view) override;
    // Recorded; needs no script.
    void NotifyLostConnection(NetResult result) override;

    // Every call so far, in order.
    std::vector<Call> Calls() const;
    std::vector<MessageBoxRequest> Boxes() const;
    std::vector<TextPromptRequest> Prompts() const;
    std::vector<CertificateView> Certificates() const;
    // Every text shown in one status line, in order.
    std::vector<std::string> Statuses(StatusLine line) const;
    // The last text of a status line, empty when none was shown.
    std::string LastStatus(StatusLine line) const;
    std::vector<NetResult> LostConnections() const;

    void ExpectScriptUsedUp();

private:
    // The `field` of every call of that kind, in order.
    template <typename Field>
    std::vector<Field> Collect(CallKind kind, Field Call::*field) const {
        std::lock_guard lock(m_mutex);
        std::vector<Field> values;
        for (const Call& call : m_calls) {
            if (call.kind == kind) {
                values.push_back(call.*field);
            }
        }
        return values;
    }

    mutable std::mutex m_mutex;
    std::deque<BoxAnswer> m_box_answers;
    std::deque<TextPromptResult> m_prompt_results;
    std::deque<CertificateDecision> m_certificate_decisions;
    std::vector<std::pair<StatusLine, std::string>> m_statuses;
    std::vector<Call> m_calls;
};

}  // namespace tarvox
