// What one guess at the master passphrase costs someone who holds the
// settings file: the key derivation of the strong form, for the parameters
// a new file gets.
#include <benchmark/benchmark.h>

#include "config/sealed_secrets.h"

namespace {

void BM_PassphraseGuess(benchmark::State& state) {
    const tarvox::PassphraseKdf kdf = tarvox::NewPassphraseKdf();
    for (auto _ : state) {
        benchmark::DoNotOptimize(tarvox::SealingKey::Derive("a wrong guess", kdf));
    }
}
BENCHMARK(BM_PassphraseGuess)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
