#include "config/global_settings.h"

namespace tarvox {

void ApplyLoadedDefaults(GlobalSettings& settings) {
    if (settings.blockext.empty()) {
        settings.blockext = kDefaultBlockList;
    }
    settings.textcolor = 0;
}

}  // namespace tarvox
