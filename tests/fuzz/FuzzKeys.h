#pragma once
// The reader's own keys for the fuzz target and the corpus replay: the north
// key set of the shared CryptoAPI fixtures.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "container/ContainerReader.h"

namespace tessarin::test {

inline std::vector<std::uint8_t> FuzzReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline container::ReaderKeys FuzzReaderKeys() {
    const std::filesystem::path base = std::filesystem::path(TESSARIN_SHARED_DIR) / "fixtures" / "cryptoapi";
    container::ReaderKeys keys;
    keys.publicKeyFile = FuzzReadFile(base / "north.vpub");
    keys.privateKeyFile = FuzzReadFile(base / "northPrivate.vpri");
    return keys;
}

}  // namespace tessarin::test
