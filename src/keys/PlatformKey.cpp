#include "keys/PlatformKey.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <system_error>

#include "core/LanguageTable.h"
#include "keys/KeyFiles.h"

namespace tessarin {

namespace {

// Releases the held key when a one-shot operation ends, whatever its outcome.
class ReleaseOnExit {
public:
    explicit ReleaseOnExit(CPlatformKey& key) : m_key(key) {}
    ~ReleaseOnExit() { m_key.Release(); }
    ReleaseOnExit(const ReleaseOnExit&) = delete;
    ReleaseOnExit& operator=(const ReleaseOnExit&) = delete;

private:
    CPlatformKey& m_key;
};

}  // namespace

void CPlatformKey::Release() {
    m_key.reset();
}

void CPlatformKey::ShowError(std::string_view text) {
    std::string message(m_texts[slot::kCryptApiError]);
    message += text;
    m_dialog.ShowMessage(message, MessageKind::Error);
}

bool CPlatformKey::ImportBlob(std::span<const std::uint8_t> fileBytes) {
    auto blob = ReadFirstKeyBlob(fileBytes);
    if (!blob) {
        ShowError("Bad Length.");
        return false;
    }
    auto key = RsaKey::Import(*blob);
    SecureWipe(blob.Value());
    if (!key) {
        ShowError(key.Error());
        return false;
    }
    m_key.emplace(std::move(*key));
    return true;
}

bool CPlatformKey::ImportFile(const std::filesystem::path& path) {
    Release();
    auto blob = ReadFirstKeyBlob(path);
    if (!blob) {
        ShowError(blob.Status() == KeyFileStatus::Incomplete ? std::string("Bad Length.") : blob.Detail());
        return false;
    }
    auto key = RsaKey::Import(*blob);
    SecureWipe(blob.Value());
    if (!key) {
        ShowError(key.Error());
        return false;
    }
    m_key.emplace(std::move(*key));
    return true;
}

bool CPlatformKey::ImportBuffer(ByteVector fileBytes) {
    Release();
    const bool ok = ImportBlob(fileBytes);
    SecureWipe(fileBytes);
    return ok;
}

// The imported key put to one use; a missing key or a failure of the service
// is shown as the platform's error.
template <class Operation>
std::optional<ByteVector> CPlatformKey::UseKey(Operation operation) {
    if (!m_key) {
        ShowError("Key does not exist.");
        return std::nullopt;
    }
    auto out = operation(*m_key);
    if (!out) {
        ShowError(out.Error());
        return std::nullopt;
    }
    return std::move(*out);
}

// One block through the imported key, which is released afterwards whatever
// happens; a block over the limit is refused before the key is touched.
template <class Operation>
std::optional<ByteVector> CPlatformKey::RunBlock(std::span<const std::uint8_t> data, Operation operation) {
    if (data.size() > kMaxBlock) return std::nullopt;
    ReleaseOnExit release(*this);
    return UseKey([&](RsaKey& key) { return operation(key, data); });
}

std::optional<ByteVector> CPlatformKey::EncryptBlock(std::span<const std::uint8_t> data) {
    return RunBlock(data, [](RsaKey& key, std::span<const std::uint8_t> block) { return key.Encrypt(block); });
}

std::optional<ByteVector> CPlatformKey::DecryptBlock(std::span<const std::uint8_t> data) {
    return RunBlock(data, [](RsaKey& key, std::span<const std::uint8_t> block) { return key.Decrypt(block); });
}

bool CPlatformKey::ExportPublic(const std::filesystem::path& path) {
    auto blob = PublicBlob();
    if (!blob) return false;
    auto written = WriteFileReplacing(path, BuildPublicKeyFile(*blob), false);
    if (!written) {
        ShowError(written.Detail());
        return false;
    }
    return true;
}

bool CPlatformKey::MakeKey() {
    Release();
    auto key = RsaKey::Generate();
    if (!key) {
        ShowError(key.Error());
        return false;
    }
    m_key.emplace(std::move(*key));
    return true;
}

int CPlatformKey::HexDigest(std::string_view text, std::string& hex) {
    auto digest = Sha1Hex(text);
    if (!digest) {
        ShowError(digest.Error());
        return HexHashFailed;
    }
    hex = std::move(*digest);
    return HexOk;
}

std::optional<ByteVector> CPlatformKey::PublicBlob() {
    return UseKey([](RsaKey& key) { return key.ExportPublicBlob(); });
}

std::optional<ByteVector> CPlatformKey::PrivateBlob() {
    return UseKey([](RsaKey& key) { return key.ExportPrivateBlob(); });
}

}  // namespace tessarin
