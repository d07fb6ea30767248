#include "keys/KeyBackup.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <system_error>
#include <vector>

#include "keys/KeyFiles.h"
#include "platform/ByteIo.h"
#include "platform/TempFile.h"

namespace tessarin {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kDigitBytes = 2;

// Wipes a byte vector when it goes out of scope.
struct WipeOnExit {
    ByteVector& bytes;
    ~WipeOnExit() { SecureWipe(bytes); }
};

bool FillRandom(std::span<std::uint8_t> out) {
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::getrandom(out.data() + done, out.size() - done, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// A random number of exactly `digits` 16-bit digits (drawn again while its
// top digit is zero).
std::optional<BigNumber> RandomOfDigits(std::size_t digits) {
    ByteVector bytes(digits * kDigitBytes);
    WipeOnExit wipe{bytes};
    for (;;) {
        if (!FillRandom(bytes)) return std::nullopt;
        BigNumber value = BigNumber::FromBytesLittleEndian(bytes);
        if (DigitCount(value) == digits) return value;
    }
}

std::optional<ByteVector> ReadWholeFile(const fs::path& path, std::size_t limit) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return std::nullopt;
    const auto size = fs::file_size(path, ec);
    if (ec || size > limit) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    ByteVector bytes(static_cast<std::size_t>(size));
    if (!bytes.empty() && !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        return std::nullopt;
    // Nothing behind what the size promised.
    if (in.peek() != std::char_traits<char>::eof()) return std::nullopt;
    return bytes;
}

// The restored file's public half against the public key: modulus and
// exponent alike, and a probe enciphered with the public key deciphers with
// the private one.
bool MatchesPublicKey(std::span<const std::uint8_t> privateFile, std::span<const std::uint8_t> publicBlob) {
    auto parsed = ParsePrivateKeyFile(privateFile);
    if (!parsed) return false;
    auto key = RsaKey::Import(parsed->Blob());
    if (!key) return false;
    auto exported = key->ExportPublicBlob();
    if (!exported || !std::equal(exported->begin(), exported->end(), publicBlob.begin(), publicBlob.end()))
        return false;
    static constexpr std::uint8_t kProbe[] = "key backup restore probe";
    auto cipher = RsaEncryptBlock(publicBlob, kProbe);
    if (!cipher) return false;
    auto plain = key->Decrypt(*cipher);
    return plain && std::equal(plain->begin(), plain->end(), std::begin(kProbe), std::end(kProbe));
}

}  // namespace

SharePaths BackupSharePaths(const fs::path& dataFolder, std::string_view keySetName) {
    const std::string name(keySetName);
    return {dataFolder / (name + std::string(kUserShareSuffix)), dataFolder / (name + std::string(kMakerShareSuffix))};
}

std::string BackupIdentificationText(std::span<const std::uint8_t> publicBlob) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(KeyFingerprint(publicBlob)));
    return text;
}

std::optional<BigNumber> UserPoint(std::string_view identificationText) {
    auto digest = Sha1Hex(identificationText);
    if (!digest || digest->size() < kUserPointHexDigits) return std::nullopt;
    auto point = BigNumber::FromHex(std::string_view(*digest).substr(0, kUserPointHexDigits));
    if (!point || point->IsZero()) return std::nullopt;
    return point;
}

BigNumber MakerPoint() {
    return *BigNumber::FromHex(kMakerPointHex);
}

std::size_t DigitCount(const BigNumber& value) {
    return (value.BitLength() + 15) / 16;
}

std::optional<KeyShares> SplitSecret(std::span<const std::uint8_t> secret, const BigNumber& x1, const BigNumber& x2) {
    const std::size_t digits = (secret.size() + 1) / kDigitBytes;
    if (digits < 2 || x1.IsZero() || !(x1 < x2)) return std::nullopt;
    // The buffer of 2 * ceil(m/2) bytes: a zero byte behind an odd secret.
    ByteVector buffer(secret.begin(), secret.end());
    WipeOnExit wipe{buffer};
    buffer.resize(digits * kDigitBytes, 0);
    const BigNumber s = BigNumber::FromBytesLittleEndian(buffer);
    auto c = RandomOfDigits(digits - 1);
    if (!c) return std::nullopt;
    KeyShares shares;
    shares.user = BigNumber::Add(s, BigNumber::Multiply(*c, x1));
    shares.maker = BigNumber::Add(s, BigNumber::Multiply(*c, x2));
    shares.secretDigits = digits;
    shares.coefficientDigits = digits - 1;
    return shares;
}

std::optional<ByteVector> JoinShares(const BigNumber& user, const BigNumber& maker, const BigNumber& x1,
                                     const BigNumber& x2, std::size_t byteCount) {
    // c = (user - maker) / (x1 - x2), taken with both signs turned since x1 < x2.
    const auto difference = BigNumber::Subtract(maker, user);
    const auto gap = BigNumber::Subtract(x2, x1);
    if (!difference || !gap || gap->IsZero()) return std::nullopt;
    const auto division = BigNumber::Divide(*difference, *gap);
    if (!division || !division->remainder.IsZero()) return std::nullopt;
    const auto s = BigNumber::Subtract(user, BigNumber::Multiply(division->quotient, x1));
    if (!s) return std::nullopt;
    const std::size_t digits = (byteCount + 1) / kDigitBytes;
    auto bytes = s->ToBytesLittleEndian(digits * kDigitBytes);
    if (!bytes) return std::nullopt;
    // Without the appended zero byte of an odd secret.
    if (bytes->size() > byteCount) {
        if (bytes->back() != 0) {
            SecureWipe(*bytes);
            return std::nullopt;
        }
        bytes->resize(byteCount);
    }
    return bytes;
}

ByteVector EncodeShareFile(const BigNumber& share) {
    const std::size_t n = DigitCount(share) * kDigitBytes;
    ByteVector file(kShareCountSize);
    StoreLe64(file.data(), n);
    const auto value = share.ToBytesLittleEndian(n);
    file.insert(file.end(), value->begin(), value->end());
    return file;
}

std::optional<BigNumber> DecodeShareFile(std::span<const std::uint8_t> fileBytes) {
    if (fileBytes.size() < kShareCountSize) return std::nullopt;
    const std::uint64_t n = LoadLe64(fileBytes.data());
    if (n > kMaxShareBytes || n != fileBytes.size() - kShareCountSize) return std::nullopt;
    return BigNumber::FromBytesLittleEndian(fileBytes.subspan(kShareCountSize));
}

std::optional<BigNumber> ReadShareFile(const fs::path& path) {
    auto bytes = ReadWholeFile(path, kShareCountSize + kMaxShareBytes);
    if (!bytes) return std::nullopt;
    WipeOnExit wipe{*bytes};
    return DecodeShareFile(*bytes);
}

bool WriteOwnerOnlyFile(const fs::path& path, std::span<const std::uint8_t> bytes, unsigned mode, bool noReplace) {
    std::error_code ec;
    if (path.filename().empty() || fs::is_directory(path, ec)) return false;
    std::string prefix(1, '.');
    prefix.append(path.filename().string()).append(1, '.');
    auto temp = TempFile::CreateBeside(path, prefix);
    // Owner-only before the first byte goes in.
    if (!temp || !temp->SetPermissions(0600)) return false;
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), temp->Stream()) != bytes.size()) return false;
    if (std::fflush(temp->Stream()) != 0 || ::fsync(fileno(temp->Stream())) != 0) return false;
    if (!temp->SetPermissions(mode)) return false;
    if (!noReplace) return !temp->Commit(path).has_value();
    // link() refuses an existing name, so nothing that appeared meanwhile is
    // replaced; the temporary name then goes with the TempFile.
    if (!temp->CloseStream()) return false;
    if (::link(temp->Path().c_str(), path.c_str()) == 0) return true;
    if (errno == EEXIST) return false;
    // File systems without hard links (FAT disks): rename without replace.
    return ::renameat2(AT_FDCWD, temp->Path().c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0;
}

ShareWriteStatus WriteKeyShares(const fs::path& secretFile, const BigNumber& x1, const SharePaths& paths,
                                KeyShares* made) {
    auto secret = ReadWholeFile(secretFile, kMaxShareBytes / 2);
    if (!secret) return ShareWriteStatus::SecretUnreadable;
    auto shares = SplitSecret(*secret, x1, MakerPoint());
    SecureWipe(*secret);
    if (!shares) return ShareWriteStatus::SplitFailed;
    const ByteVector userFile = EncodeShareFile(shares->user);
    const ByteVector makerFile = EncodeShareFile(shares->maker);
    if (made) *made = *shares;

    // Both complete beside their targets before either replaces anything.
    std::string userPrefix = "." + paths.user.filename().string() + ".";
    std::string makerPrefix = "." + paths.maker.filename().string() + ".";
    auto userTemp = TempFile::CreateBeside(paths.user, userPrefix);
    auto makerTemp = TempFile::CreateBeside(paths.maker, makerPrefix);
    if (!userTemp || !makerTemp || !userTemp->SetPermissions(0600) || !makerTemp->SetPermissions(0600))
        return ShareWriteStatus::WriteFailed;
    if (std::fwrite(userFile.data(), 1, userFile.size(), userTemp->Stream()) != userFile.size() ||
        std::fwrite(makerFile.data(), 1, makerFile.size(), makerTemp->Stream()) != makerFile.size())
        return ShareWriteStatus::WriteFailed;
    if (userTemp->Commit(paths.user)) return ShareWriteStatus::WriteFailed;
    if (makerTemp->Commit(paths.maker)) {
        std::error_code ec;
        fs::remove(paths.user, ec);
        return ShareWriteStatus::WriteFailed;
    }
    return ShareWriteStatus::Ok;
}

bool SharesRestoreFile(const SharePaths& paths, const BigNumber& x1, const fs::path& secretFile) {
    const auto user = ReadShareFile(paths.user);
    const auto maker = ReadShareFile(paths.maker);
    auto secret = ReadWholeFile(secretFile, kMaxShareBytes / 2);
    if (!user || !maker || !secret) return false;
    WipeOnExit wipeSecret{*secret};
    auto joined = JoinShares(*user, *maker, x1, MakerPoint(), secret->size());
    if (!joined) return false;
    WipeOnExit wipeJoined{*joined};
    return *joined == *secret;
}

KeyRestoreStatus RestorePrivateKeyFile(const fs::path& userShare, const fs::path& makerShare,
                                       const fs::path& publicKeyFile, const fs::path& out) {
    const auto user = ReadShareFile(userShare);
    if (!user) return KeyRestoreStatus::UserShareUnreadable;
    const auto maker = ReadShareFile(makerShare);
    if (!maker) return KeyRestoreStatus::MakerShareUnreadable;
    const auto pub = ReadPublicKeyFile(publicKeyFile);
    if (!pub) return KeyRestoreStatus::PublicKeyUnreadable;
    const auto x1 = UserPoint(BackupIdentificationText(pub->blob));
    if (!x1) return KeyRestoreStatus::NoMatch;

    // The byte count m: the restored length field plus the 52 bytes of the
    // length field and the trailer behind the blob.
    std::size_t byteCount = 0;
    {
        // Join once at the share's own size to read the length field.
        const std::size_t room = DigitCount(*user) * kDigitBytes;
        auto whole = JoinShares(*user, *maker, *x1, MakerPoint(), room);
        if (!whole || whole->size() < kKeyLengthFieldSize) return KeyRestoreStatus::NoMatch;
        WipeOnExit wipe{*whole};
        byteCount = std::size_t{LoadLe32(whole->data())} + kKeyLengthFieldSize + kPrivateKeyTrailerSize;
        if (byteCount > room) return KeyRestoreStatus::NoMatch;
    }
    auto restored = JoinShares(*user, *maker, *x1, MakerPoint(), byteCount);
    if (!restored) return KeyRestoreStatus::NoMatch;
    WipeOnExit wipe{*restored};
    if (!MatchesPublicKey(*restored, pub->blob)) return KeyRestoreStatus::NoMatch;

    std::error_code ec;
    if (fs::exists(fs::symlink_status(out, ec))) return KeyRestoreStatus::OutputExists;
    if (!WriteOwnerOnlyFile(out, *restored, 0400, true)) {
        return fs::exists(fs::symlink_status(out, ec)) ? KeyRestoreStatus::OutputExists : KeyRestoreStatus::WriteFailed;
    }
    return KeyRestoreStatus::Ok;
}

}  // namespace tessarin
