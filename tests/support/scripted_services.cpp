#include "support/scripted_services.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tarvox {
namespace {

// The first queued answer, or `none` and a test failure when nothing is queued.
template <typename T>
T Take(std::deque<T>& queue, T none, const std::string& call) {
    if (queue.empty()) {
        ADD_FAILURE() << "ScriptedServices: unexpected " << call << ": no answer queued";
        return none;
    }
    T answer = std::move(queue.front());
    queue.pop_front();
    return answer;
}

}  // namespace

BoxAnswer ScriptedServices::ShowMessageBox(const MessageBoxRequest& request) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back(CallKind::Box);
    m_boxes.push_back(request);
    if (request.buttons == BoxButtons::Ok) {
        return BoxAnswer::Ok;
    }
    const BoxAnswer answer = Take(m_box_answers, BoxAnswer::No, "box \"" + request.text + "\"");
    if (answer == BoxAnswer::Ok) {
        ADD_FAILURE() << "ScriptedServices: Ok is no answer to box \"" << request.text << "\"";
        return BoxAnswer::No;
    }
    return answer;
}

TextPromptResult ScriptedServices::TextPrompt(const TextPromptRequest& request) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back(CallKind::Prompt);
    m_prompts.push_back(request);
    TextPromptResult result = Take(m_prompt_results, {}, "prompt \"" + request.prompt + "\"");
    const bool digits = result.text.find_first_not_of("0123456789") == std::string::npos;
    if ((result.submitted && result.text.empty()) || (request.numbers_only && !digits) ||
        (result.dont_ask_again && !request.dont_ask_again_box)) {
        ADD_FAILURE() << "ScriptedServices: no user can answer prompt \"" << request.prompt
                      << "\" with \"" << result.text << "\"";
        return {};
    }
    result.text.resize(std::min(result.text.size(), request.capacity - (request.capacity > 0)));
    return result;
}

CertificateDecision ScriptedServices::ShowCertificate(const CertificateView& view) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back(CallKind::Certificate);
    m_certificates.push_back(view);
    return Take(m_certificate_decisions, CertificateDecision::Deny,
                "certificate dialog for " + view.network_host_name);
}

void ScriptedServices::NotifyLostConnection(NetResult result) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back(CallKind::LostConnection);
    m_lost_connections.push_back(result);
}

std::vector<std::string> ScriptedServices::Statuses(StatusLine line) const {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> texts;
    for (const auto& [status_line, text] : m_statuses) {
        if (status_line == line) {
            texts.push_back(text);
        }
    }
    return texts;
}

void ScriptedServices::ExpectScriptUsedUp() {
    std::lock_guard lock(m_mutex);
    if (!m_box_answers.empty() || !m_prompt_results.empty() || !m_certificate_decisions.empty()) {
        ADD_FAILURE() << "ScriptedServices: the script was not used up: " << m_box_answers.size()
                      << " box answer(s), " << m_prompt_results.size() << " prompt answer(s), "
                      << m_certificate_decisions.size() << " certificate decision(s) left";
    }
    m_box_answers.clear();
    m_prompt_results.clear();
    m_certificate_decisions.clear();
}

}  // namespace tarvox
