// Random numbers from the kernel's cryptographic generator, for the parts of
// an outgoing message that others must not guess: the MIME boundary (a
// guessed one lets a quoted text close the part early) and the Message-ID.
#pragma once

#include <cstdint>

namespace tarvox {

// Four bytes from getrandom(2), read again after a short read or EINTR.
// Throws std::system_error when the kernel gives no random bytes at all
// (no getrandom), rather than falling back to a predictable number.
std::uint32_t SystemRandomDraw();

}  // namespace tarvox
