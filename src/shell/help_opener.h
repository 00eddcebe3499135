// Opening the help page at a section ("#inbox") in the desktop's browser.
// Browsers and xdg-open drop the anchor of a file name, so a small page
// that redirects to it is written into a private folder of this run and
// opened instead; the folder goes when the opener does. When the local page
// cannot be opened, the user is offered the online help, if an address for
// it is set.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace tarvox {

class FrontendServices;

class HelpOpener {
public:
    // Opens a URL with the desktop; false when that failed.
    using UrlOpener = std::function<bool(const std::string& url)>;

    HelpOpener(std::filesystem::path help_file, std::string web_address, UrlOpener open_url);
    ~HelpOpener();
    HelpOpener(const HelpOpener&) = delete;
    HelpOpener& operator=(const HelpOpener&) = delete;

    void Open(FrontendServices& services, std::string_view anchor);

    // The redirect page written last; empty before.
    const std::filesystem::path& redirect_file() const { return m_redirect; }

private:
    bool OpenLocal(std::string_view anchor);
    void OfferWebHelp(FrontendServices& services, std::string_view anchor);

    std::filesystem::path m_help_file;
    std::string m_web_address;
    UrlOpener m_open_url;
    std::filesystem::path m_folder;
    std::filesystem::path m_redirect;
};

// A file:// URL of an absolute path, bytes outside the unreserved set and "/"
// percent-encoded (RFC 8089, RFC 3986 section 2.1).
std::string FileUrl(const std::filesystem::path& path);

}  // namespace tarvox
