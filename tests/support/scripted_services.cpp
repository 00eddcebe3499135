#include "support/scripted_services.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

namespace tarvox {

namespace {

std::string_view ButtonsName(BoxButtons buttons) {
    switch (buttons) {
        case BoxButtons::Ok:
            return "Ok";
        case BoxButtons::YesNo:
            return "YesNo";
        case BoxButtons::YesNoDefaultNo:
            return "YesNoDefaultNo";
    }
    return "?";
}

std::string Describe(const MessageBoxRequest& request) {
    return std::string(ButtonsName(request.buttons)) + " box \"" + request.text + "\" (caption \"" +
           request.caption + "\")";
}

std::string Describe(const TextPromptRequest& request) {
    return "prompt \"" + request.prompt + "\" (title \"" + request.title + "\")";
}

bool IsAllDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

ScriptedServices::~ScriptedServices() {
    ExpectScriptUsedUp();
}

void ScriptedServices::QueueBoxAnswer(BoxAnswer answer) {
    if (answer == BoxAnswer::Ok) {
        // Ok boxes are answered without the script, so this answer could never be used.
        ADD_FAILURE() << "ScriptedServices: Ok is no answer to queue; Ok boxes need none";
        return;
    }
    std::lock_guard lock(m_mutex);
    m_box_answers.push_back(answer);
}

void ScriptedServices::QueuePrompt(TextPromptResult result) {
    if (result.submitted && result.text.empty()) {
        ADD_FAILURE() << "ScriptedServices: a prompt never submits an empty text";
        return;
    }
    if (!result.submitted && (!result.text.empty() || result.dont_ask_again)) {
        ADD_FAILURE() << "ScriptedServices: a cancelled prompt carries no text or check box";
        return;
    }
    std::lock_guard lock(m_mutex);
    m_prompt_results.push_back(std::move(result));
}

void ScriptedServices::QueuePromptText(std::string_view text, bool dont_ask_again) {
    QueuePrompt(TextPromptResult{true, std::string(text), dont_ask_again});
}

void ScriptedServices::QueuePromptCancel() {
    QueuePrompt(TextPromptResult{});
}

BoxAnswer ScriptedServices::ShowMessageBox(const MessageBoxRequest& request) {
    std::string failure;
    BoxAnswer answer = BoxAnswer::Ok;
    {
        std::lock_guard lock(m_mutex);
        Call call;
        call.kind = CallKind::Box;
        call.box = request;
        if (request.buttons != BoxButtons::Ok) {
            if (m_box_answers.empty()) {
                failure = "unexpected " + Describe(request) + ": no box answer queued";
                answer = BoxAnswer::No;
            } else {
                answer = m_box_answers.front();
                m_box_answers.pop_front();
                if (answer != BoxAnswer::Yes && answer != BoxAnswer::No) {
                    failure = Describe(request) + " got a scripted answer other than Yes or No";
                    answer = BoxAnswer::No;
                }
            }
        }
        call.box_answer = answer;
        call.unexpected = !failure.empty();
        m_calls.push_back(std::move(call));
    }
    if (!failure.empty()) {
        ADD_FAILURE() << "ScriptedServices: " << failure;
    }
    return answer;
}

TextPromptResult ScriptedServices::TextPrompt(const TextPromptRequest& request) {
    std::string failure;
    TextPromptResult result;
    {
        std::lock_guard lock(m_mutex);
        if (m_prompt_results.empty()) {
            failure = "unexpected " + Describe(request) + ": no prompt answer queued";
        } else {
            result = std::move(m_prompt_results.front());
            m_prompt_results.pop_front();
            if (result.submitted && request.numbers_only && !IsAllDigits(result.text)) {
                failure = Describe(request) + " is numbers-only, the script answered \"" +
                          result.text + "\"";
            } else if (result.dont_ask_again && !request.dont_ask_again_box) {
                failure = Describe(request) + " has no \"Don't ask again\" box to tick";
            }
            if (!failure.empty()) {
                result = TextPromptResult{};
            }
        }
        // The dialog hands back no more than the caller's buffer holds.
        const std::size_t limit = request.capacity > 0 ? request.capacity - 1 : 0;
        if (result.text.size() > limit) {
            result.text.resize(limit);
        }
        Call call;
        call.kind = CallKind::Prompt;
        call.prompt = request;
        call.prompt_result = result;
        call.unexpected = !failure.empty();
        m_calls.push_back(std::move(call));
    }
    if (!failure.empty()) {
        ADD_FAILURE() << "ScriptedServices: " << failure;
    }
    return result;
}

void ScriptedServices::QueueCertificateDecision(CertificateDecision decision) {
    std::lock_guard lock(m_mutex);
    m_certificate_decisions.push_back(decision);
}

void ScriptedServices::ShowStatus(StatusLine line, std::string_view text) {
    std::lock_guard lock(m_mutex);
    m_statuses.emplace_back(line, std::string(text));
}

CertificateDecision ScriptedServices::ShowCertificate(const CertificateView& view) {
    bool unexpected = false;
    CertificateDecision decision = CertificateDecision::Deny;
    {
        std::lock_guard lock(m_mutex);
        if (m_certificate_decisions.empty()) {
            unexpected = true;
        } else {
            decision = m_certificate_decisions.front();
            m_certificate_decisions.pop_front();
        }
        Call call;
        call.kind = CallKind::Certificate;
        call.certificate = view;
        call.certificate_decision = decision;
        call.unexpected = unexpected;
        m_calls.push_back(std::move(call));
    }
    if (unexpected) {
        ADD_FAILURE() << "ScriptedServices: unexpected certificate dialog for "
                      << view.network_host_name << ": no decision queued";
    }
    return decision;
}

void ScriptedServices::NotifyLostConnection(NetResult result) {
    std::lock_guard lock(m_mutex);
    Call call;
    call.kind = CallKind::LostConnection;
    call.lost_connection_result = result;
    m_calls.push_back(std::move(call));
}

std::vector<CertificateView> ScriptedServices::Certificates() const {
    return Collect(CallKind::Certificate, &Call::certificate);
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

std::string ScriptedServices::LastStatus(StatusLine line) const {
    std::vector<std::string> texts = Statuses(line);
    return texts.empty() ? std::string() : texts.back();
}

std::vector<NetResult> ScriptedServices::LostConnections() const {
    return Collect(CallKind::LostConnection, &Call::lost_connection_result);
}

std::vector<ScriptedServices::Call> ScriptedServices::Calls() const {
    std::lock_guard lock(m_mutex);
    return m_calls;
}

std::vector<MessageBoxRequest> ScriptedServices::Boxes() const {
    return Collect(CallKind::Box, &Call::box);
}

std::vector<TextPromptRequest> ScriptedServices::Prompts() const {
    return Collect(CallKind::Prompt, &Call::prompt);
}

void ScriptedServices::ExpectScriptUsedUp() {
    std::size_t box_answers = 0;
    std::size_t prompt_results = 0;
    std::size_t certificate_decisions = 0;
    {
        std::lock_guard lock(m_mutex);
        box_answers = m_box_answers.size();
        prompt_results = m_prompt_results.size();
        certificate_decisions = m_certificate_decisions.size();
        m_box_answers.clear();
        m_prompt_results.clear();
        m_certificate_decisions.clear();
    }
    if (box_answers != 0 || prompt_results != 0 || certificate_decisions != 0) {
        ADD_FAILURE() << "ScriptedServices: the script was not used up: " << box_answers
                      << " box answer(s), " << prompt_results << " prompt answer(s) and "
                      << certificate_decisions << " certificate decision(s) left";
    }
}

}  // namespace tarvox
