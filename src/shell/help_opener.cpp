#include "shell/help_opener.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

#include "codec/text_format.h"
#include "config/atomic_file.h"
#include "frontend/services.h"

namespace tarvox {

namespace fs = std::filesystem;

namespace {

// Lookups as long as this are refused rather than cut.
constexpr std::size_t kLookupLimit = 513;

constexpr const char* kInvalidLookup =
    "Invalid help file lookup. Please make sure you are using the correct version of help file, "
    "or notify the software developer if this is an unexpected error.";
constexpr const char* kWebQuestion =
    "Unable to open local help file. Do you want to access help from the developer's web site? "
    "(Help file version may not be the same).";
constexpr const char* kNoWebHelp =
    "Unable to open local help file. No online help address is set (helpurl in tarvox.ini).";

bool Readable(const fs::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

// A folder of this run only the user can enter: in $XDG_RUNTIME_DIR when
// the session has one, else in the temporary folder.
fs::path PrivateFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const char* tmp = std::getenv("TMPDIR");
    fs::path base = runtime != nullptr && runtime[0] == '/' ? runtime
                    : tmp != nullptr && tmp[0] == '/'       ? tmp
                                                            : "/tmp";
    std::string pattern = (base / "tarvox-help-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        return {};
    }
    return pattern;
}

}  // namespace

std::string FileUrl(const fs::path& path) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : path.string()) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
                           c == '~' || c == '/';
        if (plain) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 15];
        }
    }
    return url;
}

HelpOpener::HelpOpener(fs::path help_file, std::string web_address, UrlOpener open_url)
    : m_help_file(std::move(help_file)),
      m_web_address(std::move(web_address)),
      m_open_url(std::move(open_url)) {}

HelpOpener::~HelpOpener() {
    if (!m_folder.empty()) {
        std::error_code error;
        fs::remove_all(m_folder, error);
    }
}

void HelpOpener::Open(FrontendServices& services, std::string_view anchor) {
    if (m_web_address.size() + anchor.size() >= kLookupLimit ||
        m_help_file.string().size() + anchor.size() + 2 >= kLookupLimit) {
        services.ShowMessage(kInvalidLookup, "", BoxIcon::Error);
        return;
    }
    if (!Readable(m_help_file) || !OpenLocal(anchor)) {
        OfferWebHelp(services, anchor);
    }
}

bool HelpOpener::OpenLocal(std::string_view anchor) {
    const std::string target = FileUrl(m_help_file) + std::string(anchor);
    if (m_folder.empty()) {
        m_folder = PrivateFolder();
    }
    const fs::path redirect = m_folder / "gohelp.htm";
    // The target is a URL made of plain characters and escapes: nothing in
    // it can end the attribute.
    const std::string page = TextFormat(
        "<html>\n<head>\n<meta http-equiv=\"refresh\" content=\"0;URL=%s\">\n</head>\n</html>\n",
        target.c_str());
    if (!m_folder.empty() && WriteFileAtomically(redirect, page, 0600)) {
        m_redirect = redirect;
        return m_open_url(FileUrl(redirect));
    }
    return m_open_url(target);
}

void HelpOpener::OfferWebHelp(FrontendServices& services, std::string_view anchor) {
    const std::string caption = m_help_file.string();
    if (m_web_address.empty()) {
        services.ShowMessage(kNoWebHelp, caption, BoxIcon::Error);
        return;
    }
    if (services.ShowMessage(kWebQuestion, caption, BoxIcon::Question, BoxButtons::YesNo) ==
        BoxAnswer::Yes) {
        m_open_url(m_web_address + std::string(anchor));
    }
}

}  // namespace tarvox
