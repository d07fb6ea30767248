#include <gtest/gtest.h>

#include <cstdio>

#include "VectorFile.h"
#include "core/Crc64.h"

namespace tessarin {
namespace {

TEST(Crc64, CatalogueCheckValues) {
    for (const auto& v : test::LoadVectors(test::TestDataPath("core/crc64.vec"))) {
        const std::string& text = v.Get("Text");
        const std::uint64_t crc = Crc64(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(crc));
        EXPECT_EQ(hex, v.Get("Out")) << "line " << v.line;
    }
}

TEST(Crc64, UpdateInPiecesEqualsOneShotAndStoredFormIsLowWordFirst) {
    const std::string text = "123456789";
    const auto* p = reinterpret_cast<const std::uint8_t*>(text.data());
    std::uint64_t state = ~0ull;
    Crc64Update(state, p, 4);
    Crc64Update(state, p + 4, 5);
    EXPECT_EQ(~state, 0x62EC59E3F1A4F00Aull);

    const auto bytes = Crc64Bytes(0x62EC59E3F1A4F00Aull);
    const std::array<std::uint8_t, 8> expected = {0x0A, 0xF0, 0xA4, 0xF1, 0xE3, 0x59, 0xEC, 0x62};
    EXPECT_EQ(bytes, expected);
}

}  // namespace
}  // namespace tessarin
