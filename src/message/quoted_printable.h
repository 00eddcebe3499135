// Quoted-printable decoding (RFC 2045 section 6.7), in the two forms the
// program needs: a bounded one for showing body lines and an unbounded one
// for saving attachment data.
//
// Byte rules shared by both forms: "=" followed by CR LF is a soft line break
// and both are removed; "=" followed by two hexadecimal digits (either case)
// gives the byte they spell; "=" followed by anything else, or at the end of
// the run, is dropped and decoding carries on with the next character as
// usual. Every other byte is copied.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvox {

// The display form decodes into a work buffer of this size, keeping the last
// byte for the terminating NUL; decoding stops once the decoded text is
// kQuotedPrintableDisplayLimit bytes long and the rest of the run is dropped.
inline constexpr std::size_t kQuotedPrintableWorkBufferSize = 1024;
inline constexpr std::size_t kQuotedPrintableDisplayLimit = kQuotedPrintableWorkBufferSize - 1;

// Display form: appends the decoded run to `output`, at most
// kQuotedPrintableDisplayLimit bytes of it, and only up to the first decoded
// NUL byte (the work buffer is a C string). `run` must not lie inside
// `output`.
void DecodeQuotedPrintable(std::string_view run, std::string& output);

// Saving form: the whole run decoded, NUL bytes included.
std::string DecodeQuotedPrintableData(std::string_view run);

}  // namespace tarvox
