// Targets "keyfile" and "authrecord": the three key files of a key set and
// the auth record inside an auth key.
//
// keyfile: every input goes to the public, private and auth key parsers, in
// memory and as a file of each kind's name. What a parser accepts is built
// back to the same bytes; accepting agrees with the completeness rule, the
// file reader and the folder scan's classification; reading changes no file.
//
// authrecord: a 115-byte input is a deciphered record (written back, it keeps
// every field but the bytes behind a text's terminator); any input is also
// deciphered as an enciphered record with north's private key.

#include <algorithm>

#include "FuzzKeys.h"
#include "FuzzSupport.h"
#include "keys/KeyFiles.h"

namespace tessarin::fuzz {
namespace {

std::vector<std::uint8_t> Copy(Bytes b) {
    return {b.begin(), b.end()};
}

// The file under `name` is read by its strict reader and classified; both
// must agree with the in-memory parse, and the file must stay as it was.
template <class Result>
void CheckAsFile(Bytes input, const char* name, const Result& parsed, KeyFileKind kind,
                 Result (*read)(const std::filesystem::path&)) {
    const auto path = FreshScratch() / name;
    WriteAll(path, input);
    const auto fromFile = read(path);
    Check(fromFile.Ok() == parsed.Ok(), "the file reader agrees with the parser");
    Check(!parsed.Ok() || fromFile.Status() == KeyFileStatus::Ok, "an accepted file reads Ok");
    Check((ClassifyKeyFile(path) == kind) == parsed.Ok(), "the folder scan agrees with the parser");
    const auto first = ReadFirstKeyBlob(input);
    Check(KeyMarkOfFile(path).has_value() == first.Ok() || kind == KeyFileKind::PrivateKey,
          "a key mark exists exactly for a readable first blob");
    Check(ReadAll(path) == Copy(input), "reading changes no byte");
}

}  // namespace

std::string RunKeyFile(Bytes input) {
    const auto first = ReadFirstKeyBlob(input);
    if (first.Ok()) {
        Check(first->size() + kKeyLengthFieldSize <= input.size(), "the first blob lies inside the file");
        Check(std::equal(first->begin(), first->end(), input.begin() + kKeyLengthFieldSize),
              "the first blob is the file's bytes");
    }

    std::string outcome = "not a key";
    const auto pub = ParsePublicKeyFile(input);
    Check(pub.Ok() == IsCompletePublicKeyFile(input), "public: parser and completeness agree");
    if (pub.Ok()) {
        Check(BuildPublicKeyFile(pub->blob) == Copy(input), "public: built back to the same bytes");
        Check(first.Ok() && *first == pub->blob, "public: the general reader yields the blob");
        outcome = "public";
    }
    CheckAsFile(input, "key.vpub", pub, KeyFileKind::PublicKey, &ReadPublicKeyFile);

    const auto priv = ParsePrivateKeyFile(input);
    Check(priv.Ok() == IsCompletePrivateKeyFile(input), "private: parser and completeness agree");
    if (priv.Ok()) {
        std::array<std::uint8_t, kKeySetTagSize> tag{};
        std::copy(priv->Tag().begin(), priv->Tag().end(), tag.begin());
        Check(BuildPrivateKeyFile(priv->Blob(), priv->WrittenAt(), tag) == Copy(input),
              "private: built back to the same bytes");
        outcome = "private";
    }
    CheckAsFile(input, "keyPrivate.vpri", priv, KeyFileKind::PrivateKey, &ReadPrivateKeyFile);

    const auto auth = ParseAuthKeyFile(input);
    Check(auth.Ok() == IsCompleteAuthKeyFile(input), "auth: parser and completeness agree");
    if (auth.Ok()) {
        Check(BuildAuthKeyFile(auth->issuerBlob, auth->recordCipher) == Copy(input),
              "auth: built back to the same bytes");
        outcome = "auth";
    }
    CheckAsFile(input, "a))b-auth.vpub", auth, KeyFileKind::AuthKey, &ReadAuthKeyFile);
    return outcome;
}

std::string RunAuthRecord(Bytes input) {
    const auto record = AuthRecord::FromBytes(input);
    Check(record.has_value() == (input.size() == kAuthRecordSize), "a record is exactly 115 bytes");
    std::string outcome = "refused";
    if (record) {
        Check(record->name.size() <= AuthRecord::kNameWidth && record->email.size() <= AuthRecord::kEmailWidth,
              "texts stay inside their fields");
        const auto bytes = record->ToBytes();
        // Secret, times, reserved byte and limit come back unchanged.
        Check(std::equal(bytes.begin(), bytes.begin() + 32, input.begin()), "the secret is written as read");
        Check(std::equal(bytes.begin() + 82, bytes.end(), input.begin() + 82), "times are written as read");
        const auto again = AuthRecord::FromBytes(bytes);
        Check(again && again->ToBytes() == bytes, "a written record reads the same");
        outcome = "record";
    }

    static const auto keys = test::FuzzReaderKeys();
    static const auto ownPrivate = ReadFirstKeyBlob(keys.privateKeyFile);
    if (ownPrivate.Ok()) {
        const auto deciphered = DecryptAuthRecord(*ownPrivate, input);
        if (deciphered) {
            Check(deciphered->name.size() <= AuthRecord::kNameWidth, "a deciphered name fits its field");
            outcome = "deciphered";
        }
    }
    return outcome;
}

}  // namespace tessarin::fuzz
