// libFuzzer target for the container reader: every input is run through the
// text-form lookup and the reader (with its record write-back) in memory,
// with the north key set of the shared CryptoAPI fixtures as the reader's
// own keys, so seeds addressed to north reach the authentication, time and
// write-back steps.
//
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DTESSARIN_FUZZ=ON -DTESSARIN_BUILD_GUI=OFF
//     -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link,address,undefined
//   cmake --build build-fuzz --target fuzz_container_reader
//   mkdir -p /tmp/work && cp tests/fuzz/corpus/container/* /tmp/work/
//   build-fuzz/tests/container/fuzz_container_reader -max_len=4096 /tmp/work
//
// (the CMAKE_CXX_FLAGS give the libraries coverage instrumentation; the
// target itself adds -fsanitize=fuzzer).
//
// Crashes found go to tests/fuzz/findings/container/, which test_decrypt
// replays.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "FuzzKeys.h"
#include "container/ContainerReader.h"
#include "platform/Host.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const tessarin::container::ReaderKeys keys = tessarin::test::FuzzReaderKeys();
    static const tessarin::FixedHost host;
    tessarin::container::ReadContainerBytesForFuzzing(std::span<const std::uint8_t>(data, size), keys, host);
    return 0;
}
