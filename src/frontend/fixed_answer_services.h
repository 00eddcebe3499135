// Front-end services for runs with nobody to ask: every prompt gets the same
// answer (or Cancel), Yes/No boxes get No, certificates are denied, status
// texts go nowhere. Used by self-checks and fuzzers.
#pragma once

#include <string>
#include <utility>

#include "frontend/services.h"

namespace tarvox {

class FixedAnswerServices : public FrontendServices {
public:
    // An empty answer cancels every prompt.
    explicit FixedAnswerServices(std::string prompt_answer = {})
        : m_prompt_answer(std::move(prompt_answer)) {}

    BoxAnswer ShowMessageBox(const MessageBoxRequest& request) override {
        ++m_boxes;
        return request.buttons == BoxButtons::Ok ? BoxAnswer::Ok : BoxAnswer::No;
    }
    TextPromptResult TextPrompt(const TextPromptRequest&) override {
        ++m_prompts;
        return {!m_prompt_answer.empty(), m_prompt_answer, false};
    }
    void ShowStatus(StatusLine, std::string_view) override {}
    CertificateDecision ShowCertificate(const CertificateView&) override {
        return CertificateDecision::Deny;
    }
    void NotifyLostConnection(NetResult) override {}

    int boxes() const { return m_boxes; }
    int prompts() const { return m_prompts; }

private:
    std::string m_prompt_answer;
    int m_boxes = 0;
    int m_prompts = 0;
};

}  // namespace tarvox
