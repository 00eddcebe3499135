// Options > Preview N lines: how many lines of the body Preview downloads.
#pragma once

namespace tarvox {

class FrontendServices;
struct GlobalSettings;

// Asks for the number with the current one filled in. A submitted answer
// sets `autoprev` from its "Don't ask again" box; a number of at least 1
// becomes `preview`, anything less is refused in a box. Cancel changes
// nothing.
void AskPreviewLines(GlobalSettings& global, FrontendServices& services);

// Preview asks for the number first unless told not to ask again.
void AskPreviewLinesBeforePreview(GlobalSettings& global, FrontendServices& services);

}  // namespace tarvox
