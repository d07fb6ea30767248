// The RSA service against key files and ciphertexts made by a real CryptoAPI
// provider, and against itself.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "Fixtures.h"
#include "platform/crypto/RsaService.h"

namespace tessarin {
namespace {

using test::FixturePath;
using test::ReadFileBytes;

// The blob behind a key file's 4-byte length.
ByteVector BlobOf(const std::string& fixture, std::size_t blobSize) {
    const ByteVector file = ReadFileBytes(FixturePath("cryptoapi/" + fixture));
    return ByteVector(file.begin() + 4, file.begin() + 4 + static_cast<std::ptrdiff_t>(blobSize));
}
ByteVector NorthPublic() {
    return BlobOf("north.vpub", kPublicKeyBlobSize);
}
ByteVector NorthPrivate() {
    return BlobOf("northPrivate.vpri", kPrivateKeyBlobSize);
}
ByteVector SouthPrivate() {
    return BlobOf("southPrivate.vpri", kPrivateKeyBlobSize);
}

TEST(RsaInterop, ImportedKeysExportTheSameBytes) {
    for (const char* name : {"north", "south"}) {
        SCOPED_TRACE(name);
        const ByteVector pub = BlobOf(std::string(name) + ".vpub", kPublicKeyBlobSize);
        const ByteVector pri = BlobOf(std::string(name) + "Private.vpri", kPrivateKeyBlobSize);
        auto pubKey = RsaKey::Import(pub);
        ASSERT_TRUE(pubKey) << pubKey.Error();
        EXPECT_FALSE(pubKey->HasPrivate());
        EXPECT_EQ(*pubKey->ExportPublicBlob(), pub);
        EXPECT_FALSE(pubKey->ExportPrivateBlob());

        auto priKey = RsaKey::Import(pri);
        ASSERT_TRUE(priKey) << priKey.Error();
        EXPECT_TRUE(priKey->HasPrivate());
        EXPECT_EQ(*priKey->ExportPrivateBlob(), pri);
        // The pair's public half is the public key file's blob.
        EXPECT_EQ(*priKey->ExportPublicBlob(), pub);
    }
}

TEST(RsaInterop, DecryptsCryptEncryptOutput) {
    auto key = RsaKey::Import(NorthPrivate());
    ASSERT_TRUE(key) << key.Error();
    for (const char* msg : {"msg43", "msg112", "msg117"}) {
        SCOPED_TRACE(msg);
        const ByteVector ct = ReadFileBytes(FixturePath(std::string("cryptoapi/") + msg + ".north.ct"));
        const ByteVector pt = ReadFileBytes(FixturePath(std::string("cryptoapi/") + msg + ".bin"));
        auto out = key->Decrypt(ct);
        ASSERT_TRUE(out) << out.Error();
        EXPECT_EQ(*out, pt);
        // The blob-level one-shot gives the same.
        auto again = RsaDecryptBlock(NorthPrivate(), ct);
        ASSERT_TRUE(again);
        EXPECT_EQ(*again, pt);
    }
}

TEST(RsaInterop, CiphertextIsLittleEndianLikeCryptEncrypt) {
    // Our ciphertext, reversed, is the PKCS #1 octet string: raising it to the
    // private exponent gives 00 02 <nonzero padding> 00 <message>.
    const ByteVector msg = ReadFileBytes(FixturePath("cryptoapi/msg43.bin"));
    auto ct = RsaEncryptBlock(NorthPublic(), msg);
    ASSERT_TRUE(ct) << ct.Error();
    ASSERT_EQ(ct->size(), kRsaModulusSize);
    auto key = RsaKey::Import(NorthPrivate());
    ASSERT_TRUE(key);
    auto raw = key->RawPrivate(*ct);
    ASSERT_TRUE(raw) << raw.Error();
    ByteVector em(raw->rbegin(), raw->rend());
    EXPECT_EQ(em[0], 0x00);
    EXPECT_EQ(em[1], 0x02);
    const std::size_t padEnd = kRsaModulusSize - msg.size() - 1;
    EXPECT_TRUE(std::all_of(em.begin() + 2, em.begin() + static_cast<std::ptrdiff_t>(padEnd),
                            [](std::uint8_t b) { return b != 0; }));
    EXPECT_EQ(em[padEnd], 0x00);
    EXPECT_TRUE(std::equal(msg.begin(), msg.end(), em.begin() + static_cast<std::ptrdiff_t>(padEnd) + 1));
}

TEST(RsaInterop, RawPrivateOfFixtureCiphertextShowsThePadding) {
    const ByteVector ct = ReadFileBytes(FixturePath("cryptoapi/msg117.north.ct"));
    const ByteVector msg = ReadFileBytes(FixturePath("cryptoapi/msg117.bin"));
    auto key = RsaKey::Import(NorthPrivate());
    ASSERT_TRUE(key);
    auto raw = key->RawPrivate(ct);
    ASSERT_TRUE(raw);
    // Little-endian result: the message sits in the low bytes, reversed.
    ByteVector em(raw->rbegin(), raw->rend());
    EXPECT_EQ(em[0], 0x00);
    EXPECT_EQ(em[1], 0x02);
    EXPECT_EQ(em[10], 0x00);
    EXPECT_TRUE(std::equal(msg.begin(), msg.end(), em.begin() + 11));
}

TEST(RsaRoundTrip, GeneratedPairExportsImportsEncryptsDecrypts) {
    auto pair = GenerateRsaKeyPairBlobs();
    ASSERT_TRUE(pair) << pair.Error();
    EXPECT_EQ(CheckPublicKeyBlob(pair->publicBlob), KeyBlobProblem::None);
    EXPECT_EQ(CheckPrivateKeyBlob(pair->privateBlob), KeyBlobProblem::None);
    // Public exponent 65537 in both headers; the modulus is shared.
    const ByteVector e = {0x01, 0x00, 0x01, 0x00};
    EXPECT_TRUE(std::equal(e.begin(), e.end(), pair->publicBlob.begin() + 16));
    EXPECT_TRUE(std::equal(e.begin(), e.end(), pair->privateBlob.begin() + 16));
    EXPECT_TRUE(std::equal(pair->publicBlob.begin() + 20, pair->publicBlob.end(), pair->privateBlob.begin() + 20));

    auto reimported = RsaKey::Import(pair->privateBlob);
    ASSERT_TRUE(reimported);
    EXPECT_EQ(*reimported->ExportPrivateBlob(), pair->privateBlob);

    for (std::size_t length : {std::size_t{0}, std::size_t{1}, std::size_t{112}, kRsaMaxPlaintext}) {
        SCOPED_TRACE(length);
        ByteVector msg(length);
        for (std::size_t i = 0; i < length; ++i) msg[i] = static_cast<std::uint8_t>(i * 7 + 1);
        auto ct = RsaEncryptBlock(pair->publicBlob, msg);
        ASSERT_TRUE(ct) << ct.Error();
        EXPECT_EQ(ct->size(), kRsaModulusSize);
        auto pt = RsaDecryptBlock(pair->privateBlob, *ct);
        ASSERT_TRUE(pt) << pt.Error();
        EXPECT_EQ(*pt, msg);
    }
}

TEST(RsaRoundTrip, OneBlockHoldsAtMost117Bytes) {
    auto key = RsaKey::Import(NorthPublic());
    ASSERT_TRUE(key);
    EXPECT_TRUE(key->Encrypt(ByteVector(117, 0x41)));
    auto tooLong = key->Encrypt(ByteVector(118, 0x41));
    EXPECT_FALSE(tooLong);
    EXPECT_EQ(tooLong.Error(), "Bad Length.");
}

TEST(RsaRoundTrip, EncryptingWithAPrivateBlobUsesItsPublicHalf) {
    const ByteVector msg = {1, 2, 3};
    auto ct = RsaEncryptBlock(NorthPrivate(), msg);
    ASSERT_TRUE(ct);
    EXPECT_EQ(*RsaDecryptBlock(NorthPrivate(), *ct), msg);
}

TEST(RsaFailures, WrongKeyOrDamagedBlockFailsToDecrypt) {
    const ByteVector ct = ReadFileBytes(FixturePath("cryptoapi/msg43.north.ct"));
    auto wrongKey = RsaDecryptBlock(SouthPrivate(), ct);
    EXPECT_FALSE(wrongKey);
    EXPECT_EQ(wrongKey.Error(), "Bad Data.");

    ByteVector damaged = ct;
    damaged[60] ^= 0x01;
    EXPECT_FALSE(RsaDecryptBlock(NorthPrivate(), damaged));
    EXPECT_FALSE(RsaDecryptBlock(NorthPrivate(), ByteVector(ct.begin(), ct.end() - 1)));
    EXPECT_FALSE(RsaDecryptBlock(NorthPrivate(), ByteVector(128, 0xFF)));  // above the modulus
    // A public key cannot decrypt.
    auto pubOnly = RsaDecryptBlock(NorthPublic(), ct);
    EXPECT_FALSE(pubOnly);
    EXPECT_EQ(pubOnly.Error(), "Key does not exist.");
}

struct BadBlobCase {
    const char* what;
    bool fromPrivate;
    std::size_t offset;  // byte to change; SIZE_MAX: change the length instead
    std::uint8_t value;
    int resize;  // bytes to add (or remove, when negative)
    KeyBlobProblem problem;
    const char* error;
};

TEST(RsaFailures, MalformedBlobsAreRefused) {
    const BadBlobCase cases[] = {
        {"public blob, private type byte", false, 0, 0x07, 0, KeyBlobProblem::WrongType, "Bad Key."},
        {"public blob, session-key type", false, 0, 0x01, 0, KeyBlobProblem::WrongType, "Invalid type specified."},
        {"version 3", false, 1, 0x03, 0, KeyBlobProblem::WrongVersion, "Bad Version of provider."},
        {"signature algorithm", false, 5, 0x24, 0, KeyBlobProblem::WrongAlgorithm, "Invalid algorithm specified."},
        {"magic RSA2 in a public blob", false, 11, '2', 0, KeyBlobProblem::WrongMagic, "Bad Key."},
        {"bit length 2048", false, 13, 0x08, 0, KeyBlobProblem::WrongBitLength, "Bad Key."},
        {"public blob one byte short", false, 0, 0x06, -1, KeyBlobProblem::Truncated, "Bad Length."},
        {"public blob one byte long", false, 0, 0x06, 1, KeyBlobProblem::WrongSize, "Bad Length."},
        {"header only", false, 0, 0x06, -128, KeyBlobProblem::Truncated, "Bad Length."},
        {"private blob, magic RSA1", true, 11, '1', 0, KeyBlobProblem::WrongMagic, "Bad Key."},
        {"private blob one byte short", true, 0, 0x07, -1, KeyBlobProblem::Truncated, "Bad Length."},
        {"private blob, modulus top byte zero", true, 20 + 127, 0x00, 0, KeyBlobProblem::None, "Bad Key."},
        {"private blob, prime1 changed", true, 20 + 128 + 5, 0x5A, 0, KeyBlobProblem::None, "Bad Key."},
        {"even public exponent", false, 16, 0x02, 0, KeyBlobProblem::None, "Bad Key."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ByteVector blob = c.fromPrivate ? NorthPrivate() : NorthPublic();
        blob[c.offset] = c.value;
        blob.resize(static_cast<std::size_t>(static_cast<int>(blob.size()) + c.resize));
        if (c.problem != KeyBlobProblem::None || !c.fromPrivate) {
            const KeyBlobProblem found = c.fromPrivate ? CheckPrivateKeyBlob(blob) : CheckPublicKeyBlob(blob);
            EXPECT_EQ(found, c.problem);
        }
        auto key = RsaKey::Import(blob);
        EXPECT_FALSE(key);
        EXPECT_EQ(key.Error(), c.error);
        EXPECT_FALSE(RsaEncryptBlock(blob, ByteVector{1}));
    }
    EXPECT_FALSE(RsaKey::Import(ByteVector{}));
}

TEST(Sha1, HexDigestMatchesPublishedVectors) {
    std::ifstream in(std::string(TESSARIN_TEST_DATA_DIR) + "/keys/sha1.vec");
    ASSERT_TRUE(in);
    std::string line, input;
    int checked = 0;
    while (std::getline(in, line)) {
        if (line.rfind("In =", 0) == 0) input = line.size() > 5 ? line.substr(5) : std::string();
        if (line.rfind("Out = ", 0) == 0) {
            auto hex = Sha1Hex(input);
            ASSERT_TRUE(hex);
            EXPECT_EQ(*hex, line.substr(6)) << "input '" << input << "'";
            ++checked;
        }
    }
    EXPECT_GT(checked, 0);
}

TEST(SecureWipe, ZeroesTheBytes) {
    ByteVector b(33, 0xAB);
    SecureWipe(b);
    EXPECT_TRUE(std::all_of(b.begin(), b.end(), [](std::uint8_t x) { return x == 0; }));
}

}  // namespace
}  // namespace tessarin
