#include "compose/system_random.h"

#include <sys/random.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <system_error>

namespace tarvox {

std::uint32_t SystemRandomDraw() {
    unsigned char bytes[sizeof(std::uint32_t)];
    std::size_t filled = 0;
    while (filled < sizeof bytes) {
        // Without GRND_NONBLOCK the call waits until the generator has been
        // seeded once after boot, and then never again.
        const ssize_t got = ::getrandom(bytes + filled, sizeof bytes - filled, 0);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw std::system_error(errno, std::generic_category(), "getrandom");
        }
        filled += static_cast<std::size_t>(got);
    }
    std::uint32_t value = 0;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

}  // namespace tarvox
