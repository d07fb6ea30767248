#include "keys/MemberList.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>

#include "keys/KeyFiles.h"
#include "platform/ByteIo.h"
#include "platform/Cp932.h"

namespace tessarin {

namespace fs = std::filesystem;

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// A text field: the bytes before the first zero, all of it when there is none.
std::string FieldText(std::span<const std::uint8_t> field) {
    const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
    return std::string(field.begin(), end);
}

}  // namespace

std::array<std::uint8_t, UserData::kSize> UserData::ToBytes() const {
    ByteVector out;
    out.reserve(kSize);
    ByteWriter(out)
        .Text(name, kTextWidth)
        .Text(email, kTextWidth)
        .Text(fileName, kTextWidth)
        .Bytes(reserved1)
        .Bytes(limit.ToBytes())
        .Bytes(registered.ToBytes())
        .Bytes(used.ToBytes())
        .Bytes(reserved2)
        .U64(keyMark);
    std::array<std::uint8_t, kSize> bytes{};
    std::copy(out.begin(), out.end(), bytes.begin());
    return bytes;
}

UserData UserData::FromBytes(std::span<const std::uint8_t> bytes) {
    std::array<std::uint8_t, kSize> full{};
    std::copy_n(bytes.begin(), std::min(bytes.size(), kStoredSize), full.begin());  // byte 447 stays zero
    UserData u;
    const std::span<const std::uint8_t> f(full);
    u.name = FieldText(f.subspan(0, kTextWidth));
    u.email = FieldText(f.subspan(128, kTextWidth));
    u.fileName = FieldText(f.subspan(256, kTextWidth));
    std::copy_n(full.begin() + 384, 4, u.reserved1.begin());
    u.limit = SystemTime::FromBytes(full.data() + 388);
    u.registered = SystemTime::FromBytes(full.data() + 404);
    u.used = SystemTime::FromBytes(full.data() + 420);
    std::copy_n(full.begin() + 436, 4, u.reserved2.begin());
    u.keyMark = LoadLe64(full.data() + 440);
    return u;
}

MemberListStatus ReadMemberList(const fs::path& path, std::vector<UserData>& records) {
    records.clear();
    FilePtr f(std::fopen(path.c_str(), "rb"));
    if (!f) return errno == ENOENT ? MemberListStatus::Ok : MemberListStatus::Unreadable;
    std::uint8_t countBytes[4];
    if (std::fread(countBytes, 1, 4, f.get()) != 4)
        return std::ferror(f.get()) ? MemberListStatus::Unreadable : MemberListStatus::Truncated;
    const std::int32_t count = LoadLeI32(countBytes);
    if (count < 0) return MemberListStatus::BadCount;
    // Records are read one at a time, so a count larger than the file costs
    // nothing but the records that are really there.
    std::array<std::uint8_t, UserData::kStoredSize> record{};
    for (std::int32_t i = 0; i < count; ++i) {
        if (std::fread(record.data(), 1, record.size(), f.get()) != record.size())
            return std::ferror(f.get()) ? MemberListStatus::Unreadable : MemberListStatus::Truncated;
        records.push_back(UserData::FromBytes(record));
    }
    return MemberListStatus::Ok;
}

bool WriteMemberList(const fs::path& path, std::span<const UserData> records) {
    if (records.empty()) {
        std::error_code ec;
        fs::remove(path, ec);
        return !ec;
    }
    if (records.size() > static_cast<std::size_t>(INT32_MAX / static_cast<std::int64_t>(UserData::kStoredSize)))
        return false;
    ByteVector out;
    out.reserve(4 + records.size() * UserData::kStoredSize);
    ByteWriter w(out);
    w.I32(static_cast<std::int32_t>(records.size()));
    for (const UserData& u : records) {
        const auto bytes = u.ToBytes();
        w.Bytes(std::span<const std::uint8_t>(bytes).first(UserData::kStoredSize));
    }
    return WriteFileReplacing(path, out, false).Ok();
}

std::optional<PersonalInfo> ReadPersonalInfo(const fs::path& path) {
    FilePtr f(std::fopen(path.c_str(), "rb"));
    if (!f) return std::nullopt;
    // Two short lines; anything beyond a few kilobytes is not ours to read.
    std::string text(4096, '\0');
    const std::size_t n = std::fread(text.data(), 1, text.size(), f.get());
    if (std::ferror(f.get())) return std::nullopt;
    text.resize(n);
    auto takeLine = [&](std::size_t& at) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end < text.size() ? end + 1 : end;
        // A line may end in CR LF; no stored value ends in a carriage return.
        while (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
    };
    std::size_t at = 0;
    PersonalInfo info;
    info.name = takeLine(at);
    info.email = takeLine(at);
    return info;
}

bool WritePersonalInfo(const fs::path& path, const PersonalInfo& info) {
    // Each value is one line: a line feed would start another, and a
    // trailing carriage return would be read as part of the line's end.
    for (const std::string_view value : {std::string_view(info.name), std::string_view(info.email)})
        if (value.find('\n') != std::string_view::npos || (!value.empty() && value.back() == '\r')) return false;
    std::string text = info.name + "\n" + info.email + "\n";
    return WriteFileReplacing(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), false)
        .Ok();
}

std::string Cp932ForDisplay(std::string_view cp932) {
    if (auto utf8 = Cp932ToUtf8(cp932)) return *utf8;
    std::string out;
    for (std::size_t i = 0; i < cp932.size();) {
        const auto b = static_cast<std::uint8_t>(cp932[i]);
        const std::size_t width = IsCp932LeadByte(b) && i + 1 < cp932.size() ? 2 : 1;
        if (auto piece = Cp932ToUtf8(cp932.substr(i, width)))
            out += *piece;
        else
            out += '?';
        i += width;
    }
    return out;
}

}  // namespace tessarin
