// The libFuzzer entry of one target; TESSARIN_FUZZ_ENTRY names its function.

#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    (void)tessarin::fuzz::TESSARIN_FUZZ_ENTRY(tessarin::fuzz::Bytes(data, size));
    return 0;
}
