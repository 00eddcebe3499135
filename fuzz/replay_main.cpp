// Replays saved fuzzer inputs without libFuzzer, so that a fuzzer source also
// builds with any compiler as a plain program for the normal test build: every
// file named on the command line, and every file in a folder named there (in
// name order, hidden files left out), goes once through LLVMFuzzerTestOneInput.
// A fuzzer check that fails aborts the program after the input's name has been
// printed. Exits 2 when a path cannot be read or nothing was replayed.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
// Defined only by the fuzzers that set something up first.
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

namespace fs = std::filesystem;

// The files a path names: the path itself, or the files of its folder.
bool CollectInputs(const fs::path& path, std::vector<fs::path>& inputs) {
    std::error_code error;
    if (fs::is_regular_file(path, error)) {
        inputs.push_back(path);
        return true;
    }
    std::vector<fs::path> files;
    for (fs::directory_iterator it(path, error), end; !error && it != end; it.increment(error)) {
        if (it->is_regular_file() && !it->path().filename().string().starts_with('.')) {
            files.push_back(it->path());
        }
    }
    if (error) {
        std::cerr << path.string() << ": " << error.message() << '\n';
        return false;
    }
    std::sort(files.begin(), files.end());
    inputs.insert(inputs.end(), files.begin(), files.end());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize != nullptr) {
        LLVMFuzzerInitialize(&argc, &argv);
    }
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        if (!CollectInputs(argv[i], inputs)) {
            return 2;
        }
    }
    for (const fs::path& input : inputs) {
        std::cerr << "replaying " << input.string() << '\n';
        std::ifstream file(input, std::ios::binary);
        // An exact-size copy, so that AddressSanitizer sees a read past its end.
        const std::vector<std::uint8_t> data{std::istreambuf_iterator<char>(file),
                                             std::istreambuf_iterator<char>()};
        if (!file.good() && !file.eof()) {
            std::cerr << input.string() << ": cannot be read\n";
            return 2;
        }
        LLVMFuzzerTestOneInput(data.data(), data.size());
    }
    std::cerr << inputs.size() << " inputs replayed\n";
    return inputs.empty() ? 2 : 0;
}
