// The composer's GnuPG functions: the body is piped through the user's GnuPG
// program and what it prints replaces the body.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "codec/line_ends.h"

namespace tarvox {

class FrontendServices;

// The composer's function list, in list order; the index is stored as
// `gpgfunc`.
enum class GpgFunction { Encrypt = 0, Sign = 1, SignEncrypt = 2, Decrypt = 3 };

inline constexpr std::string_view kGpgNoFunctionText = "No PGP/GPG function specified!";
inline constexpr std::string_view kGpgCannotRunText = "Can not execute/pipe GnuPG. Path may be invalid.";
inline constexpr std::string_view kGpgNonzeroExitText = "GPG returned nonzero exit code, warnings follow";
inline constexpr std::string_view kGpgSupportCaption = "PGP/GPG support";
inline constexpr std::string_view kGpgStderrTitle = "GPG stderr output";
inline constexpr std::string_view kGpgNotFoundText =
    "File not found (or not executable program). Please specify a valid GPG.EXE";
inline constexpr std::string_view kGpgFullPathText =
    "The GPG program must be given with its full path, for example /usr/bin/gpg";

// The texts of the function list, in list order.
inline constexpr std::string_view kGpgFunctionNames[] = {"Encrypt", "Sign", "Sign+Encrypt", "Decrypt"};

struct GpgRequest {
    std::string gpg_path;     // `gpgpath`
    int function_index = -1;  // the list's selection; -1 when nothing is selected
    // The recipient fields as typed.
    std::string to;
    std::string cc;
    std::string bcc;
    bool encrypt_to_self = false;  // `encryptself`
    std::string own_address;       // the profile's `SMTPaddress`
    // The composer body: its display lines, each ending in CR LF (the text
    // form without the header section).
    std::string body;
};

// The argument vector: the path, the function's option ("-ae", "--clearsign",
// "-ase", none for Decrypt) and, for the two encrypting functions, "-r" and
// the bare address of every recipient of To, Cc and Bcc, then of the own
// address when encrypt-to-self is on. Each address is one argument, whatever
// it holds. Nothing for an index outside the list.
std::optional<std::vector<std::string>> GpgArguments(const GpgRequest& request);

// Runs the function on the body, given to GnuPG in the bytes it is sent in
// (CharsetFor the body), read back with FromStoredText. Returns the new body text when GnuPG wrote
// anything to its standard output (line ends made CR LF); nothing when the
// body stays as it was. Tells the user through `services`: no function
// chosen, GnuPG could not be run (the path is the caption), a nonzero exit
// code, and GnuPG's standard error text in its own window.
std::optional<std::string> ApplyGpgFunction(const GpgRequest& request, FrontendServices& services);

// The GnuPG settings' OK: an empty path turns GnuPG support off; any other
// path must be absolute (RunPiped starts no other) and name a file this user
// may run, else a box says which of the two it is not and the path is
// refused (false).
bool AcceptGpgPath(const std::string& path, FrontendServices& services);

}  // namespace tarvox
