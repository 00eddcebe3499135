#include "compose/gpg_block.h"

#include "codec/line_ends.h"
#include "compose/gpg_function.h"
#include "frontend/services.h"

namespace tarvox {

std::optional<std::string> ApplyGpgToPgpBlock(std::string_view shown, const std::string& gpg_path,
                                              FrontendServices& services) {
    const std::size_t marker = shown.find(kPgpMarker);
    if (marker == std::string_view::npos) {
        services.ShowMessage(kNoPgpMarkerText, kGpgSupportCaption, BoxIcon::Error);
        return std::nullopt;
    }
    GpgRequest request;
    request.gpg_path = gpg_path;
    request.function_index = static_cast<int>(GpgFunction::Decrypt);
    request.body = LineFeedsToCrLf(shown.substr(marker));
    std::optional<std::string> output = ApplyGpgFunction(request, services);
    if (!output) {
        return std::nullopt;
    }
    return LineFeedsToCrLf(shown.substr(0, marker)) + *output;
}

}  // namespace tarvox
