#include "config/preview_lines.h"

#include <cstdlib>
#include <string>

#include "config/global_settings.h"
#include "frontend/services.h"

namespace tarvox {

void AskPreviewLines(GlobalSettings& global, FrontendServices& services) {
    TextPromptRequest request;
    request.title = "Preview lines";
    request.prompt =
        "Enter the number of lines to download when using Preview function (less = faster)";
    request.numbers_only = true;
    request.prefill = true;
    request.initial_text = std::to_string(global.preview);
    request.dont_ask_again_box = true;
    const TextPromptResult answer = services.TextPrompt(request);
    if (!answer.submitted) {
        return;
    }
    global.autoprev = answer.dont_ask_again ? 1 : 0;
    const int lines = std::atoi(answer.text.c_str());
    if (lines < 1) {
        services.ShowMessage("Invalid number entered (must be greater than 0)", "Tarvox",
                             BoxIcon::Warning);
        return;
    }
    global.preview = lines;
}

void AskPreviewLinesBeforePreview(GlobalSettings& global, FrontendServices& services) {
    if (global.autoprev == 0) {
        AskPreviewLines(global, services);
    }
}

}  // namespace tarvox
