#include "compose/gpg_function.h"

#include "codec/stored_text.h"
#include "compose/message_builder.h"
#include "compose/piped_process.h"
#include "config/file_io.h"
#include "frontend/services.h"
#include "message/address_list.h"

namespace tarvox {

namespace {

struct FunctionTraits {
    const char* option;  // null: none
    bool takes_recipients;
};

constexpr FunctionTraits kFunctions[] = {
    {"-ae", true},
    {"--clearsign", false},
    {"-ase", true},
    {nullptr, false},
};

}  // namespace

std::optional<std::vector<std::string>> GpgArguments(const GpgRequest& request) {
    if (request.function_index < 0 ||
        request.function_index >= static_cast<int>(std::size(kFunctions))) {
        return std::nullopt;
    }
    const FunctionTraits& function = kFunctions[request.function_index];
    std::vector<std::string> arguments{request.gpg_path};
    if (function.option != nullptr) {
        arguments.emplace_back(function.option);
    }
    if (function.takes_recipients) {
        // The recipients as the send routine takes them, the own address last.
        AddressList recipients;
        ParseAddressList(request.to + ", " + request.cc + ", " + request.bcc, recipients);
        if (request.encrypt_to_self) {
            ParseAddressList(request.own_address, recipients);
        }
        for (const AddressEntry& recipient : recipients) {
            arguments.emplace_back("-r");
            arguments.push_back(recipient.address);
        }
    }
    return arguments;
}

std::optional<std::string> ApplyGpgFunction(const GpgRequest& request, FrontendServices& services) {
    std::optional<std::vector<std::string>> arguments = GpgArguments(request);
    if (!arguments) {
        services.ShowMessage(kGpgNoFunctionText, "", BoxIcon::Error);
        return std::nullopt;
    }
    // GnuPG works on the bytes the body will be sent in; what it gives back
    // (a signed text, armour, a decrypted text) is read as a stored text.
    std::optional<PipedResult> run =
        RunPiped(*arguments, CharsetBytes(request.body, CharsetFor(request.body)));
    if (!run) {
        services.ShowMessage(kGpgCannotRunText, request.gpg_path, BoxIcon::Error);
        return std::nullopt;
    }
    std::optional<std::string> body;
    if (!run->standard_output.empty()) {
        body = LineFeedsToCrLf(FromStoredText(run->standard_output));
    }
    if (run->exit_code != 0) {
        services.ShowMessage(kGpgNonzeroExitText, kGpgSupportCaption, BoxIcon::Warning);
    }
    if (!run->standard_error.empty()) {
        services.ShowTextOutput(kGpgStderrTitle, run->standard_error);
    }
    return body;
}

bool AcceptGpgPath(const std::string& path, FrontendServices& services) {
    if (path.empty()) {
        return true;
    }
    if (!path.starts_with('/')) {
        services.ShowMessage(kGpgFullPathText, kGpgSupportCaption, BoxIcon::Warning);
        return false;
    }
    if (!IsExecutableFile(path)) {
        services.ShowMessage(kGpgNotFoundText, kGpgSupportCaption, BoxIcon::Warning);
        return false;
    }
    return true;
}

}  // namespace tarvox
