#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <random>
#include <vector>

#include "ReferenceCipher.h"
#include "core/StreamCipher.h"

namespace tessarin {
namespace {

using Bytes = std::vector<std::uint8_t>;
using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

File TempFileWith(const Bytes& data) {
    File f(std::tmpfile(), &std::fclose);
    if (!data.empty()) std::fwrite(data.data(), 1, data.size(), f.get());
    std::rewind(f.get());
    return f;
}

Bytes ReadAll(std::FILE* f) {
    std::rewind(f);
    Bytes out;
    std::uint8_t buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) out.insert(out.end(), buf, buf + n);
    return out;
}

struct Keyed {
    CStreamCipher cipher;
    test::ReferenceCipher reference;
    explicit Keyed(const std::uint32_t* words) {
        cipher.SetWordCount(8);
        cipher.SetKey(words);
        reference.SetKey(words);
    }
    void ExpectSameState() const {
        const auto s = cipher.State();
        ASSERT_EQ(s.size(), 8u);
        for (int i = 0; i < 8; ++i) EXPECT_EQ(s[i], reference.state[i]) << "word " << i;
    }
};

std::array<std::uint32_t, 8> RandomKey(std::mt19937& rng) {
    std::array<std::uint32_t, 8> k{};
    for (auto& w : k) w = static_cast<std::uint32_t>(rng());
    return k;
}

Bytes RandomBytes(std::mt19937& rng, std::size_t n) {
    Bytes b(n);
    for (auto& x : b) x = static_cast<std::uint8_t>(rng());
    return b;
}

const std::size_t kLengths[] = {0, 1, 15, 16, 17, 80, 1024000, 1024001};

TEST(StreamCipher, CryptMatchesLoopFormTranscription) {
    std::mt19937 rng(1);
    for (std::size_t len : kLengths) {
        SCOPED_TRACE(len);
        const auto key = RandomKey(rng);
        Keyed k(key.data());
        const Bytes plain = RandomBytes(rng, len);
        Bytes out(len), expected = plain;
        k.cipher.Crypt(plain.data(), len, out.data());
        k.reference.Apply(expected.data(), len, false);
        EXPECT_EQ(out, expected);
        k.ExpectSameState();
        // In place gives the same bytes.
        Keyed again(key.data());
        Bytes inPlace = plain;
        again.cipher.Crypt(inPlace.data(), len, inPlace.data());
        EXPECT_EQ(inPlace, expected);
    }
}

TEST(StreamCipher, CryptFileAndRangeMatchTranscriptionAndMixAfterLastBlock) {
    std::mt19937 rng(2);
    for (std::size_t len : kLengths) {
        SCOPED_TRACE(len);
        const auto key = RandomKey(rng);
        const Bytes plain = RandomBytes(rng, len);
        Bytes expected = plain;
        Keyed k(key.data());
        k.reference.Apply(expected.data(), len, true);

        auto in = TempFileWith(plain);
        File out(std::tmpfile(), &std::fclose);
        ASSERT_TRUE(k.cipher.CryptFile(in.get(), out.get()));
        EXPECT_EQ(ReadAll(out.get()), expected);
        k.ExpectSameState();

        Keyed r(key.data());
        auto in2 = TempFileWith(plain);
        File out2(std::tmpfile(), &std::fclose);
        EXPECT_EQ(r.cipher.CryptFileRange(in2.get(), static_cast<std::int64_t>(len), out2.get()),
                  static_cast<std::int64_t>(len));
        EXPECT_EQ(ReadAll(out2.get()), expected);
        r.reference.Apply(Bytes(plain).data(), len, true);  // advance the yardstick the same way
        for (int i = 0; i < 8; ++i) EXPECT_EQ(r.cipher.State()[i], k.reference.state[i]);
    }
}

TEST(StreamCipher, CryptFileRangeStopsWhereTheInputEnds) {
    std::mt19937 rng(3);
    const auto key = RandomKey(rng);
    for (std::size_t have : {0u, 10u, 1024000u, 1500000u}) {
        SCOPED_TRACE(have);
        Keyed k(key.data());
        const Bytes plain = RandomBytes(rng, have);
        auto in = TempFileWith(plain);
        File out(std::tmpfile(), &std::fclose);
        const std::int64_t want = static_cast<std::int64_t>(have) + 5000;
        EXPECT_EQ(k.cipher.CryptFileRange(in.get(), want, out.get()), static_cast<std::int64_t>(have));
        Bytes expected = plain;
        k.reference.Apply(expected.data(), have, true);
        EXPECT_EQ(ReadAll(out.get()), expected);
    }
}

TEST(StreamCipher, RangeReadsExactlyItsLengthAndLeavesTheRest) {
    // The sender record after the payload: P bytes through the range
    // operation, then 80 bytes through Crypt, equal one pass over all.
    std::mt19937 rng(4);
    const auto key = RandomKey(rng);
    const Bytes plain = RandomBytes(rng, 1024000 + 33 + 80);
    const std::size_t payload = 1024000 + 33;

    Keyed writer(key.data());
    Bytes expected(plain.begin(), plain.begin() + static_cast<std::ptrdiff_t>(payload));
    writer.reference.Apply(expected.data(), payload, true);
    Bytes tail(plain.begin() + static_cast<std::ptrdiff_t>(payload), plain.end());
    writer.reference.Apply(tail.data(), tail.size(), false);

    Keyed reader(key.data());
    auto in = TempFileWith(plain);
    File out(std::tmpfile(), &std::fclose);
    ASSERT_EQ(reader.cipher.CryptFileRange(in.get(), static_cast<std::int64_t>(payload), out.get()),
              static_cast<std::int64_t>(payload));
    EXPECT_EQ(ReadAll(out.get()), expected);
    std::uint8_t rest[80];
    ASSERT_EQ(std::fread(rest, 1, 80, in.get()), 80u);
    reader.cipher.Crypt(rest, 80, rest);
    EXPECT_EQ(Bytes(rest, rest + 80), tail);
}

TEST(StreamCipher, MixCountsOfTheWorkedExamples) {
    const std::uint32_t key[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    auto mixesAfter = [&](auto&& op) {
        Keyed k(key);
        op(k.cipher);
        // Count how many reference mixes reproduce the state.
        for (int mixes = 0; mixes < 10; ++mixes) {
            test::ReferenceCipher r;
            r.SetKey(key);
            for (int i = 0; i < mixes; ++i) r.Mix();
            if (std::equal(r.state, r.state + 8, k.cipher.State().begin())) return mixes;
        }
        return -1;
    };
    Bytes buf(80);
    EXPECT_EQ(mixesAfter([&](CStreamCipher& c) { c.Crypt(buf.data(), 16, buf.data()); }), 0);
    EXPECT_EQ(mixesAfter([&](CStreamCipher& c) { c.Crypt(buf.data(), 17, buf.data()); }), 1);
    EXPECT_EQ(mixesAfter([&](CStreamCipher& c) { c.Crypt(buf.data(), 80, buf.data()); }), 4);
    EXPECT_EQ(mixesAfter([&](CStreamCipher& c) {
                  auto in = TempFileWith(Bytes(80));
                  File out(std::tmpfile(), &std::fclose);
                  ASSERT_TRUE(c.CryptFile(in.get(), out.get()));
              }),
              5);
    EXPECT_EQ(mixesAfter([&](CStreamCipher& c) {
                  auto in = TempFileWith(Bytes());
                  File out(std::tmpfile(), &std::fclose);
                  ASSERT_TRUE(c.CryptFile(in.get(), out.get()));
                  EXPECT_TRUE(ReadAll(out.get()).empty());
              }),
              0);
    // A following Crypt starts with the block the previous last piece used.
    Keyed k(key);
    Bytes a(10), b(10);
    k.cipher.Crypt(a.data(), 10, a.data());
    k.cipher.Crypt(b.data(), 10, b.data());
    EXPECT_EQ(a, b);
}

TEST(StreamCipher, KeySetupIgnoresTheUnusedBitsAndCollectsSpareBits) {
    const std::uint32_t base[8] = {0x01234567, 0x089ABCDE, 0x13579BDF, 0x02468ACE,
                                   0x11111111, 0x22222222, 0x33333333, 0x00004444};
    std::uint32_t noisy[8];
    for (int i = 0; i < 7; ++i) noisy[i] = base[i] | 0xC0000000u;
    noisy[7] = base[7] | 0xFFFF0000u;
    CStreamCipher a, b;
    a.SetWordCount(8);
    b.SetWordCount(8);
    a.SetKey(base);
    b.SetKey(noisy);
    EXPECT_TRUE(std::equal(a.State().begin(), a.State().end(), b.State().begin()));
    Bytes x(100), y(100);
    a.Crypt(x.data(), 100, x.data());
    b.Crypt(y.data(), 100, y.data());
    EXPECT_EQ(x, y);

    // Word i gives bits 29-2i and 28-2i to the last word.
    CStreamCipher c;
    c.SetWordCount(8);
    const std::uint32_t ones[8] = {0x3FFFFFFF, 0x3FFFFFFF, 0x3FFFFFFF, 0x3FFFFFFF,
                                   0x3FFFFFFF, 0x3FFFFFFF, 0x3FFFFFFF, 0};
    c.SetKey(ones);
    EXPECT_EQ(c.SpareBits(), 0x3FFF0000u);
    EXPECT_EQ(c.State()[7], 0x3FFF0000u);
    for (std::uint32_t w : c.State()) EXPECT_EQ(w & 0xC0000000u, 0u);
}

TEST(StreamCipher, RekeyingFromGetKeyRestartsTheKeystream) {
    std::mt19937 rng(5);
    const auto key = RandomKey(rng);
    CStreamCipher c;
    c.SetWordCount(8);
    c.SetKey(key.data());
    Bytes first(200), again(200);
    c.Crypt(first.data(), 200, first.data());
    std::uint32_t k[8];
    ASSERT_TRUE(c.GetKey(k));
    c.SetKey(k);
    c.Crypt(again.data(), 200, again.data());
    EXPECT_EQ(first, again);

    // Another object keyed from the same words, by bytes, agrees too.
    std::uint8_t raw[32];
    for (int i = 0; i < 8; ++i)
        for (int b = 0; b < 4; ++b) raw[4 * i + b] = static_cast<std::uint8_t>(k[i] >> (8 * b));
    CStreamCipher other;
    other.SetWordCount(8);
    other.SetKey(std::span<const std::uint8_t>(raw, 32));
    Bytes third(200);
    other.Crypt(third.data(), 200, third.data());
    EXPECT_EQ(first, third);
}

TEST(StreamCipher, AllZeroKeyAndUnknownModeGiveAZeroKeystream) {
    const std::uint32_t zero[8] = {};
    CStreamCipher c;
    c.SetWordCount(8);
    c.SetKey(zero);
    Bytes data(1000, 0xAB);
    c.Crypt(data.data(), data.size(), data.data());
    EXPECT_EQ(data, Bytes(1000, 0xAB));

    const std::uint32_t key[8] = {9, 8, 7, 6, 5, 4, 3, 2};
    CStreamCipher d;
    d.SetMode(7);
    d.SetWordCount(8);
    d.SetKey(key);
    const std::vector<std::uint32_t> before(d.State().begin(), d.State().end());
    d.Mix();
    EXPECT_TRUE(std::equal(before.begin(), before.end(), d.State().begin()));
}

// Literal single-round variants over n words.
void ChainAndRotate(std::vector<std::uint32_t>& s, bool rotateFirst) {
    const int n = static_cast<int>(s.size());
    auto chain = [&] {
        std::vector<std::uint32_t> before = s;
        s[0] = s[0] * (2 * s[0] + 5);
        for (int i = 1; i < n; ++i) s[i] = s[i] * (2 * s[i] + ((before[i - 1] & 0xFFFFFFFD) | 1));
    };
    auto rotate = [&] {
        std::vector<std::uint32_t> before = s;
        for (int i = 0; i < n - 1; ++i) s[i] = (before[i] << 5) | (before[i + 1] >> 27);
        s[n - 1] = (before[n - 1] << 5) | (before[0] >> 27);
    };
    if (rotateFirst) {
        rotate();
        chain();
    } else {
        chain();
        rotate();
    }
}

TEST(StreamCipher, SingleRoundModesOneAndTwo) {
    std::mt19937 rng(6);
    for (int mode : {1, 2}) {
        for (int n : {2, 5, 8}) {
            std::vector<std::uint32_t> words(static_cast<std::size_t>(n));
            for (auto& w : words) w = static_cast<std::uint32_t>(rng());
            CStreamCipher c;
            c.SetMode(mode);
            c.SetWordCount(n);
            c.SetKey(words.data());
            std::vector<std::uint32_t> expected(c.State().begin(), c.State().end());
            c.Mix();
            ChainAndRotate(expected, mode == 2);
            EXPECT_TRUE(std::equal(expected.begin(), expected.end(), c.State().begin())) << mode << "/" << n;
        }
    }
}

TEST(StreamCipher, ClearWipesTheKeyAndOptionallyTheWordCount) {
    const std::uint32_t key[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    CStreamCipher c;
    c.SetWordCount(8);
    c.SetKey(key);
    c.Clear(true);
    EXPECT_FALSE(c.HasState());
    EXPECT_EQ(c.WordCount(), 8);
    EXPECT_EQ(c.SpareBits(), 0u);
    std::uint32_t out[8];
    EXPECT_FALSE(c.GetKey(out));
    c.SetKey(key);
    c.Clear(false);
    EXPECT_EQ(c.WordCount(), -1);
    EXPECT_EQ(c.Mode(), 3);
    // Unkeyed crypt leaves data alone rather than touching absent state.
    Bytes data(20, 7);
    c.Crypt(data.data(), 20, data.data());
    EXPECT_EQ(data, Bytes(20, 7));
}

}  // namespace
}  // namespace tessarin

namespace tessarin {
namespace {

TEST(StreamCipher, WriteFailuresAreReportedForSmallAndLargeInputs) {
    const std::uint32_t key[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    for (std::size_t len : {100u, 3000000u}) {
        SCOPED_TRACE(len);
        CStreamCipher c;
        c.SetWordCount(8);
        c.SetKey(key);
        auto in = TempFileWith(Bytes(len, 1));
        File full(std::fopen("/dev/full", "wb"), &std::fclose);
        ASSERT_TRUE(full);
        std::setvbuf(full.get(), nullptr, _IONBF, 0);
        EXPECT_FALSE(c.CryptFile(in.get(), full.get()));
        std::rewind(in.get());
        EXPECT_LT(c.CryptFileRange(in.get(), static_cast<std::int64_t>(len), full.get()),
                  static_cast<std::int64_t>(len));
    }
}

}  // namespace
}  // namespace tessarin

namespace tessarin {
namespace {

TEST(StreamCipher, ChunkObserverSeesRisingCountsEndingAtTheTotal) {
    const std::uint32_t key[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    for (std::size_t len : {0u, 5000u, 2600000u}) {
        SCOPED_TRACE(len);
        CStreamCipher c;
        c.SetWordCount(8);
        c.SetKey(key);
        std::vector<std::int64_t> seen;
        c.SetChunkObserver([&](std::int64_t done) { seen.push_back(done); });
        auto in = TempFileWith(Bytes(len, 3));
        File out(std::tmpfile(), &std::fclose);
        ASSERT_TRUE(c.CryptFile(in.get(), out.get()));
        if (len == 0) {
            EXPECT_TRUE(seen.empty());
            continue;
        }
        ASSERT_FALSE(seen.empty());
        EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
        EXPECT_EQ(seen.back(), static_cast<std::int64_t>(len));
    }
}

}  // namespace
}  // namespace tessarin

namespace tessarin {
namespace {

long FileLength(std::FILE* f) {
    std::fflush(f);
    std::fseek(f, 0, SEEK_END);
    return std::ftell(f);
}

// A file operation stops after the chunk whose observer says so, or whose
// stop check says so; the last chunk of an input always completes.
TEST(StreamCipher, ObserverOrStopCheckEndsAFileAfterTheFirstChunk) {
    const std::uint32_t key[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const std::size_t len = 5 * CStreamCipher::kBufferSize + 7;
    auto in = TempFileWith(Bytes(len, 9));
    for (const bool byObserver : {true, false}) {
        SCOPED_TRACE(byObserver);
        CStreamCipher c;
        c.SetWordCount(8);
        c.SetKey(key);
        std::vector<std::int64_t> seen;
        bool stop = false;
        c.SetChunkObserver([&](std::int64_t done) {
            seen.push_back(done);
            return !byObserver;
        });
        std::optional<CStreamCipher::ScopedStopCheck> check;
        if (!byObserver) check.emplace(c, [&] { return stop = true; });
        std::rewind(in.get());
        File out(std::tmpfile(), &std::fclose);
        EXPECT_FALSE(c.CryptFile(in.get(), out.get()));
        EXPECT_TRUE(c.Stopped());
        ASSERT_FALSE(seen.empty());
        EXPECT_EQ(seen.front(), static_cast<std::int64_t>(CStreamCipher::kBufferSize));
        EXPECT_EQ(FileLength(out.get()), static_cast<long>(CStreamCipher::kBufferSize));
        EXPECT_EQ(stop, !byObserver);

        // The range form stops the same way.
        c.SetKey(key);
        std::rewind(in.get());
        File out2(std::tmpfile(), &std::fclose);
        EXPECT_EQ(c.CryptFileRange(in.get(), static_cast<std::int64_t>(len), out2.get()),
                  static_cast<std::int64_t>(CStreamCipher::kBufferSize));
        EXPECT_TRUE(c.Stopped());
    }

    // Once the stop check's scope ends, files run to their end again, and a
    // watching observer never stops one.
    CStreamCipher c;
    c.SetWordCount(8);
    c.SetKey(key);
    {
        CStreamCipher::ScopedStopCheck check(c, [] { return true; });
    }
    int calls = 0;
    c.SetChunkObserver([&](std::int64_t) { ++calls; });
    std::rewind(in.get());
    File out(std::tmpfile(), &std::fclose);
    EXPECT_TRUE(c.CryptFile(in.get(), out.get()));
    EXPECT_FALSE(c.Stopped());
    EXPECT_EQ(FileLength(out.get()), static_cast<long>(len));
    EXPECT_GT(calls, 1);
}

// A pipeline's chunk report hears every chunk up to the whole length beside
// the front end's observer, and only for its scope.
TEST(StreamCipher, ChunkReportSeesEveryChunkBesideTheObserver) {
    const std::uint32_t key[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const std::size_t len = 3 * CStreamCipher::kBufferSize + 11;
    auto in = TempFileWith(Bytes(len, 3));
    CStreamCipher c;
    c.SetWordCount(8);
    c.SetKey(key);
    int observed = 0;
    c.SetChunkObserver([&](std::int64_t) { ++observed; });
    std::vector<std::int64_t> reported;
    {
        CStreamCipher::ScopedChunkReport report(c, [&](std::int64_t done) { reported.push_back(done); });
        File out(std::tmpfile(), &std::fclose);
        EXPECT_TRUE(c.CryptFile(in.get(), out.get()));
    }
    ASSERT_GT(reported.size(), 1u);
    EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
    EXPECT_EQ(reported.back(), static_cast<std::int64_t>(len));
    EXPECT_EQ(observed, static_cast<int>(reported.size()));
    const std::size_t before = reported.size();
    c.SetKey(key);
    std::rewind(in.get());
    File out(std::tmpfile(), &std::fclose);
    EXPECT_TRUE(c.CryptFile(in.get(), out.get()));
    EXPECT_EQ(reported.size(), before);  // the scope has ended
}

// A stop asked for after the input's last chunk changes nothing: the output is whole.
TEST(StreamCipher, OnlyAChunkWithMoreBehindItStops) {
    const std::uint32_t key[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    for (const std::size_t len : {std::size_t{5000}, 2 * CStreamCipher::kBufferSize - 100}) {
        SCOPED_TRACE(len);
        CStreamCipher c;
        c.SetWordCount(8);
        c.SetKey(key);
        auto in = TempFileWith(Bytes(len, 4));
        File out(std::tmpfile(), &std::fclose);
        CStreamCipher::ScopedStopCheck check(c, [] { return true; });
        const std::int64_t done = c.CryptFileRange(in.get(), static_cast<std::int64_t>(len), out.get());
        if (len > CStreamCipher::kBufferSize) {
            EXPECT_TRUE(c.Stopped());  // more was left after the first chunk
            EXPECT_EQ(done, static_cast<std::int64_t>(CStreamCipher::kBufferSize));
        } else {
            EXPECT_FALSE(c.Stopped());
            EXPECT_EQ(done, static_cast<std::int64_t>(len));
        }
    }
}

}  // namespace
}  // namespace tessarin
