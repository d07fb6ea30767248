#include "keys/AuthManager.h"

#include <fstream>
#include <system_error>

#include "core/LanguageTable.h"
#include "keys/KeyFiles.h"
#include "keys/LimitDates.h"
#include "keys/MemberList.h"
#include "platform/ByteIo.h"
#include "platform/Cp932.h"

namespace tessarin {

namespace {

// CP932 form of a UTF-8 file name; names that do not convert are kept as
// they are (they still identify the file on this system).
std::string StoredName(const std::filesystem::path& path) {
    const std::string utf8 = path.filename().string();
    auto cp932 = Utf8ToCp932(utf8);
    return cp932 ? *cp932 : utf8;
}

}  // namespace

std::array<std::uint8_t, CAuthManager::AuthHistoryData::kSize> CAuthManager::AuthHistoryData::ToBytes() const {
    std::vector<std::uint8_t> out;
    out.reserve(kSize);
    ByteWriter w(out);
    w.Bytes(time.ToBytes());
    w.Text(std::string_view(fileName).substr(0, kNameWidth - 1), kNameWidth);
    w.U64(keyHash);
    w.Bytes(limit.ToBytes());
    std::array<std::uint8_t, kSize> bytes{};
    std::copy(out.begin(), out.end(), bytes.begin());
    return bytes;
}

CAuthManager::AuthHistoryData CAuthManager::AuthHistoryData::FromBytes(std::span<const std::uint8_t, kSize> bytes) {
    AuthHistoryData e;
    ByteReader r(bytes);
    e.time = SystemTime::FromBytes(r.Bytes(SystemTime::kSize).data());
    // The field is a terminated text: at most kNameWidth - 1 bytes are the name.
    e.fileName = std::string(r.Text(kNameWidth).substr(0, kNameWidth - 1));
    e.keyHash = r.U64();
    e.limit = SystemTime::FromBytes(r.Bytes(SystemTime::kSize).data());
    return e;
}

CAuthManager::LoadStatus CAuthManager::load(const std::filesystem::path& path) {
    m_entries.clear();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return LoadStatus::Ok;
    std::ifstream in(path, std::ios::binary);
    if (!in) return LoadStatus::Unreadable;
    std::uint8_t head[4];
    if (!in.read(reinterpret_cast<char*>(head), 4)) return LoadStatus::Truncated;
    const std::int32_t count = LoadLeI32(head);
    if (count < 0) return LoadStatus::BadCount;
    const auto size = std::filesystem::file_size(path, ec);
    const std::uint64_t fits = ec ? 0 : (size - 4) / AuthHistoryData::kSize;
    m_entries.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(fits, static_cast<std::uint64_t>(count))));
    std::array<std::uint8_t, AuthHistoryData::kSize> buffer{};
    for (std::int32_t i = 0; i < count; ++i) {
        if (!in.read(reinterpret_cast<char*>(buffer.data()), buffer.size())) return LoadStatus::Truncated;
        m_entries.push_back(AuthHistoryData::FromBytes(buffer));
    }
    return LoadStatus::Ok;
}

int CAuthManager::save(const std::filesystem::path& path) const {
    std::vector<std::uint8_t> out;
    out.reserve(4 + m_entries.size() * AuthHistoryData::kSize);
    ByteWriter w(out);
    w.I32(static_cast<std::int32_t>(m_entries.size()));
    for (const auto& e : m_entries) w.Bytes(e.ToBytes());
    return WriteFileReplacing(path, out, false).Ok() ? 1 : 0;
}

bool CAuthManager::add(const std::filesystem::path& publicKeyPath, const SystemTime& limit, const SystemTime& now) {
    auto blob = ReadFirstKeyBlob(publicKeyPath);
    if (!blob) return false;
    AuthHistoryData e;
    e.time = now;
    e.fileName = StoredName(publicKeyPath);
    if (e.fileName.size() >= AuthHistoryData::kNameWidth) e.fileName.resize(AuthHistoryData::kNameWidth - 1);
    e.keyHash = KeyFingerprint(blob.Value());
    e.limit = limit;
    m_entries.push_back(std::move(e));
    return true;
}

int CAuthManager::contains(const std::filesystem::path& publicKeyPath) const {
    auto blob = ReadFirstKeyBlob(publicKeyPath);
    if (!blob) return 0;
    const std::uint64_t hash = KeyFingerprint(blob.Value());
    for (const auto& e : m_entries)
        if (e.keyHash == hash) return 1;
    return 0;
}

std::vector<std::array<std::string, 3>> CAuthManager::rows(const LanguageTable& texts) const {
    std::vector<std::array<std::string, 3>> out;
    out.reserve(m_entries.size());
    for (const auto& e : m_entries) {
        out.push_back({Cp932ForDisplay(e.fileName), FormatDateTime(e.time),
                       e.limit.IsZero() ? texts[slot::kNoLimit] : FormatDate(e.limit)});
    }
    return out;
}

}  // namespace tessarin
