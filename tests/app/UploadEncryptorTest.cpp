// The service client's encrypted transfer through the encryption pipeline:
// a file encrypted for a fetched public key lands in the transfer folder,
// readable by that key's owner, with the sender block attached.

#include "PipelineFixture.h"
#include "app/UploadEncryptor.h"

namespace tessarin::test {
namespace {

namespace fs = std::filesystem;

class UploadEncryptorTest : public PipelineTest {
protected:
    PipelineUploadEncryptor Encryptor() {
        return PipelineUploadEncryptor(
            host, {state->publicKeyPath, state->privateKeyPath, selfAuth, "north", "north@example.jp"},
            LanguageTable::Language::English);
    }
};

TEST_F(UploadEncryptorTest, EncryptsForTheFetchedKeyIntoTheTransferFolder) {
    const fs::path transfer = dir / "transfer";
    fs::create_directories(transfer);
    const fs::path fetched = transfer / "vpk123456.vpub";
    WriteFileBytes(fetched, south.pub);
    const auto source = Source("report.txt", "for south, by way of the service");
    auto encryptor = Encryptor();
    ASSERT_TRUE(encryptor.EncryptForUpload(source, {fetched}, transfer / "report.txt.tza"));

    const auto decoded = Decode(transfer / "report.txt.tza", south);
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(decoded.payload, Bytes("for south, by way of the service"));
    EXPECT_EQ(decoded.flags & 8, 8);                             // a plain public key: the sender identity goes along
    EXPECT_TRUE(Decode(transfer / "report.txt.tza", north).ok);  // and the sender keeps access
    EXPECT_TRUE(fs::exists(source));
}

TEST_F(UploadEncryptorTest, RefusesWhatThePipelineCannotProduce) {
    const fs::path fetched = dir / "vpk.vpub";
    WriteFileBytes(fetched, south.pub);
    const auto source = Source("a.txt", "x");
    auto encryptor = Encryptor();
    EXPECT_FALSE(encryptor.EncryptForUpload(source, {fetched}, dir / "other.tza"));
    EXPECT_FALSE(encryptor.EncryptForUpload(source, {}, dir / "a.txt.tza"));
    EXPECT_FALSE(fs::exists(dir / "a.txt.tza"));
}

}  // namespace
}  // namespace tessarin::test
