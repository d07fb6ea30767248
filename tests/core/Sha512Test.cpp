#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "VectorFile.h"
#include "core/Sha512.h"

namespace tessarin {
namespace {

using test::LoadVectors;
using test::TestDataPath;
using test::ToHex;

std::string Message(const test::VectorCase& v) {
    std::string text = v.Get("Text");
    const int repeat = v.Has("Repeat") ? std::stoi(v.Get("Repeat")) : 1;
    std::string msg;
    msg.reserve(text.size() * static_cast<std::size_t>(repeat));
    for (int i = 0; i < repeat; ++i) msg += text;
    return msg;
}

TEST(Sha512, PublishedVectorsInAnyPieceSize) {
    const auto vectors = LoadVectors(TestDataPath("core/sha512.vec"));
    ASSERT_EQ(vectors.size(), 4u);
    CSHA sha;  // one object, reused: FinalDigest must reset it
    for (const auto& v : vectors) {
        const std::string msg = Message(v);
        for (int piece : {0, 1, 127, 128, 129}) {
            SCOPED_TRACE("line " + std::to_string(v.line) + ", piece " + std::to_string(piece));
            if (piece == 0) {
                sha.AddData(msg.data(), static_cast<int>(msg.size()));
            } else if (msg.empty()) {
                sha.AddData(msg.data(), 0);
            } else {
                for (std::size_t at = 0; at < msg.size(); at += static_cast<std::size_t>(piece)) {
                    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(piece), msg.size() - at);
                    sha.AddData(msg.data() + at, static_cast<int>(n));
                }
            }
            std::uint8_t out[64];
            sha.FinalDigest(out);
            EXPECT_EQ(ToHex(out, 64), v.Get("Out"));
        }
    }
}

TEST(Sha512, BlockBoundaryLengthsAgreeAcrossSplits) {
    // Lengths around the padding boundary (111/112 bytes) and block size,
    // fed whole and byte by byte.
    for (std::size_t len : {110u, 111u, 112u, 113u, 127u, 128u, 129u, 239u, 240u, 256u}) {
        std::string msg(len, '\0');
        for (std::size_t i = 0; i < len; ++i) msg[i] = static_cast<char>(i * 7 + 3);
        const auto whole = CSHA::Of(msg);
        CSHA sha;
        for (char c : msg) sha.AddData(&c, 1);
        EXPECT_EQ(sha.Final(), whole) << len;
    }
}

TEST(Sha512, FailuresCarryTheirTexts) {
    CSHA sha;
    try {
        sha.AddData("x", -1);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "FileDigest ERROR: in CSHA::AddData(), Data Length should be >= 0!");
    }
    std::uint8_t out[64];
    try {
        sha.FinalDigest(out);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "FileDigest ERROR: in CSHA::FinalDigest(), No data Added before call!");
    }
    // A second FinalDigest after a good one fails the same way: the first reset.
    sha.AddData("abc", 3);
    sha.FinalDigest(out);
    EXPECT_THROW(sha.FinalDigest(out), std::runtime_error);
    // A zero-length AddData counts as data.
    sha.AddData("", 0);
    sha.FinalDigest(out);
    EXPECT_EQ(ToHex(out, 4), "cf83e135");
}

TEST(Sha512, InitDiscardsPartialInput) {
    CSHA sha;
    sha.AddData("garbage", 7);
    sha.Init();
    sha.AddData("abc", 3);
    EXPECT_EQ(sha.Final(), CSHA::Of("abc"));
}

}  // namespace
}  // namespace tessarin
