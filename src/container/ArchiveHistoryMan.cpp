#include "container/ArchiveHistoryMan.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

#include "core/StreamCipher.h"
#include "platform/ByteIo.h"
#include "platform/Host.h"
#include "platform/TempFile.h"
#include "platform/UniqueFd.h"
#include "platform/crypto/RsaService.h"

namespace tessarin {

namespace {

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

FilePtr OpenFile(const std::filesystem::path& p, const char* mode) {
    return FilePtr(std::fopen(p.c_str(), mode), &std::fclose);
}

std::int64_t FileLength(std::FILE* f) {
    if (std::fseek(f, 0, SEEK_END) != 0) return -1;
    return static_cast<std::int64_t>(ftello(f));
}

IHistoryFileCalls g_systemCalls;

}  // namespace

int IHistoryFileCalls::Reserve(int fd, std::int64_t offset, std::int64_t length) {
    return ::fallocate(fd, FALLOC_FL_KEEP_SIZE, static_cast<off_t>(offset), static_cast<off_t>(length));
}

std::int64_t IHistoryFileCalls::WriteAt(int fd, std::span<const std::uint8_t> bytes, std::int64_t offset) {
    ssize_t n;
    do {
        n = ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
    } while (n < 0 && errno == EINTR);
    return n;
}

int IHistoryFileCalls::Truncate(int fd, std::int64_t length) {
    return ::ftruncate(fd, static_cast<off_t>(length));
}

int IHistoryFileCalls::Sync(int fd) {
    return ::fsync(fd);
}

CArchiveHistoryMan::CArchiveHistoryMan(const IHost& host) : m_host(host), m_calls(&g_systemCalls) {}

CArchiveHistoryMan::~CArchiveHistoryMan() {
    SecureWipe(m_key);
}

void CArchiveHistoryMan::Open(const std::filesystem::path& folder) {
    std::string s = folder.string();
    if (s.empty() || s.back() != '/') s.push_back('/');
    m_folder = s;
    m_users.assign(1, UserEntry{});
    m_records.clear();
    m_loaded = false;
    m_hasHistory = false;
    m_loadedBlocks = 0;
    m_loadedRecords = -1;
}

void CArchiveHistoryMan::SetContainer(const std::filesystem::path& container, const container::Tail& tail,
                                      std::span<const std::uint8_t, container::kFileKeySize> fileKey) {
    m_container = container;
    m_tail = tail;
    std::copy(fileKey.begin(), fileKey.end(), m_key.begin());
}

bool CArchiveHistoryMan::HasHistory(const std::filesystem::path& container) {
    auto f = OpenFile(container, "rb");
    if (!f) return false;
    const std::int64_t length = FileLength(f.get());
    if (length < 24) return false;
    std::uint8_t bytes[4];
    if (std::fseek(f.get(), static_cast<long>(length - 24), SEEK_SET) != 0) return false;
    if (std::fread(bytes, 1, 4, f.get()) != 4) return false;
    return (bytes[3] & 0x14) != 0;
}

int CArchiveHistoryMan::BlockCount(std::size_t users, std::size_t records) {
    return static_cast<int>((8 + kUserEntrySize * users + kRecordSize * records) / kUnitSize + 1);
}

std::vector<std::uint8_t> CArchiveHistoryMan::Content() const {
    std::vector<std::uint8_t> out;
    out.reserve(8 + kUserEntrySize * m_users.size() + kRecordSize * m_records.size());
    ByteWriter w(out);
    w.I32(static_cast<std::int32_t>(m_users.size())).I32(static_cast<std::int32_t>(m_records.size()));
    for (const auto& u : m_users) w.Text(u.name, 20).Text(u.mail, 60);
    for (const auto& r : m_records) {
        const auto t = r.time.ToBytes();
        w.Bytes(t).I32(r.user).I32(r.operation).U8(r.flag);
    }
    return out;
}

std::vector<std::uint8_t> CArchiveHistoryMan::PaddedBlock() const {
    auto block = Content();
    block.resize(static_cast<std::size_t>(BlockCount(m_users.size(), m_records.size())) * kUnitSize, 0);
    return block;
}

bool CArchiveHistoryMan::ParseBlock(std::span<const std::uint8_t> block) {
    ByteReader r(block);
    const std::int32_t u = r.I32();
    const std::int32_t n = r.I32();
    if (!r.Ok() || u < 0 || n < 0) return false;
    const std::uint64_t need =
        8 + kUserEntrySize * static_cast<std::uint64_t>(u) + kRecordSize * static_cast<std::uint64_t>(n);
    if (need > block.size()) return false;
    std::vector<UserEntry> users;
    for (std::int32_t i = 0; i < u; ++i) {
        UserEntry e;
        e.name = std::string(r.Text(20));
        e.mail = std::string(r.Text(60));
        users.push_back(std::move(e));
    }
    std::vector<HistoryList> records;
    for (std::int32_t i = 0; i < n; ++i) {
        HistoryList h;
        h.time = SystemTime::FromBytes(r.Bytes(SystemTime::kSize).data());
        h.user = r.I32();
        h.operation = r.I32();
        h.flag = r.U8();
        records.push_back(h);
    }
    if (!r.Ok()) return false;
    m_users = std::move(users);
    m_records = std::move(records);
    return true;
}

std::vector<std::uint8_t> CArchiveHistoryMan::Encrypt(
    std::span<const std::uint8_t> plain, std::span<const std::uint8_t, container::kFileKeySize> key) const {
    std::vector<std::uint8_t> out(plain.size());
    CStreamCipher cipher;
    cipher.SetWordCount(CStreamCipher::kWordCount);
    cipher.SetKey(key);
    if (!plain.empty()) cipher.Crypt(plain.data(), plain.size(), out.data());
    cipher.Clear(false);
    return out;
}

CArchiveHistoryMan::LoadResult CArchiveHistoryMan::Load() {
    auto f = OpenFile(m_container, "rb");
    if (!f) return OpenFailed;
    const std::int64_t length = FileLength(f.get());
    if (length < static_cast<std::int64_t>(container::kMinContainerSize)) return OpenFailed;
    container::Tail tail{};
    if (std::fseek(f.get(), static_cast<long>(length - 48), SEEK_SET) != 0 ||
        std::fread(tail.data(), 1, tail.size(), f.get()) != tail.size())
        return OpenFailed;
    if ((tail[27] & 0x14) == 0) {
        m_hasHistory = false;
        return NoHistory;
    }
    m_hasHistory = true;
    const std::int32_t n = LoadLeI32(tail.data() + 4);
    const std::int64_t maxUnits =
        std::min((length - 48) / static_cast<std::int64_t>(kUnitSize), static_cast<std::int64_t>(kMaxLoadUnits));
    // The count comes from the file: each candidate B is judged by its first
    // eight bytes (U and R, deciphered with the keystream's first eight bytes)
    // and read whole only when they fit, so the search costs one small read per
    // candidate instead of B × 256 bytes.
    const std::array<std::uint8_t, 8> zeros{};
    const auto headStream = Encrypt(zeros, m_key);
    for (std::int32_t b = 1; b <= n && b <= maxUnits; ++b) {
        const std::int64_t start = length - 48 - static_cast<std::int64_t>(b) * static_cast<std::int64_t>(kUnitSize);
        std::array<std::uint8_t, 8> head{};
        if (std::fseek(f.get(), static_cast<long>(start), SEEK_SET) != 0 ||
            std::fread(head.data(), 1, head.size(), f.get()) != head.size())
            return OpenFailed;
        for (std::size_t i = 0; i < head.size(); ++i) head[i] ^= headStream[i];
        const std::int32_t u = LoadLeI32(head.data());
        const std::int32_t r = LoadLeI32(head.data() + 4);
        if (u < 0 || r < 0 || u != n - b) continue;
        if (BlockCount(static_cast<std::size_t>(u), static_cast<std::size_t>(r)) != b) continue;
        std::vector<std::uint8_t> raw(static_cast<std::size_t>(b) * kUnitSize);
        if (std::fseek(f.get(), static_cast<long>(start), SEEK_SET) != 0 ||
            std::fread(raw.data(), 1, raw.size(), f.get()) != raw.size())
            return OpenFailed;
        auto plain = Encrypt(raw, m_key);
        if (!ParseBlock(plain)) continue;
        m_tail = tail;
        m_loadedBlocks = b;
        m_loadedRecords = r;
        m_loaded = true;
        return Loaded;
    }
    return OpenFailed;
}

void CArchiveHistoryMan::AppendRecord(std::int32_t user, std::int32_t operation) {
    HistoryList h;
    h.time = m_host.LocalTime();
    h.user = user;
    h.operation = operation;
    h.flag = 1;
    m_records.push_back(h);
}

void CArchiveHistoryMan::Record(std::int32_t user, std::int32_t operation) {
    if (operation != Decrypted) {
        AppendRecord(user, operation);
        return;
    }
    HistoryList h;
    h.time = m_host.LocalTime();
    h.user = user;
    h.operation = operation;
    h.flag = 1;
    m_records.insert(m_records.begin(), h);
}

CArchiveHistoryMan::SaveResult CArchiveHistoryMan::SaveInPlace() {
    if (static_cast<int>(m_records.size()) == m_loadedRecords) return NothingNew;
    if (!m_loaded) return NotLoaded;
    if (!m_hasHistory) return NotHistoryManaged;
    const auto fail = [this](int error) {
        m_lastError = error ? error : EIO;
        return WriteFailed;
    };
    UniqueFd fd(::open(m_container.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (fd.Get() < 0) return fail(errno);
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) return fail(errno);
    if (!S_ISREG(st.st_mode)) return fail(EINVAL);
    const std::int64_t length = st.st_size;
    const std::int64_t start =
        length - (static_cast<std::int64_t>(m_loadedBlocks) * static_cast<std::int64_t>(kUnitSize) + 48);
    if (start < 0) return fail(EINVAL);

    // What is overwritten, to put back if the write does not complete.
    std::vector<std::uint8_t> old(static_cast<std::size_t>(length - start));
    if (::pread(fd.Get(), old.data(), old.size(), static_cast<off_t>(start)) != static_cast<ssize_t>(old.size()))
        return fail(errno);

    const int newBlocks = BlockCount(m_users.size(), m_records.size());
    container::Tail tail = m_tail;
    container::SetTailCount(tail, static_cast<std::int32_t>(m_users.size()) + newBlocks);
    auto bytes = Encrypt(PaddedBlock(), m_key);
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    const std::int64_t end = start + static_cast<std::int64_t>(bytes.size());

    // A file size limit would stop the write part way (and signal the
    // process): refused before anything is written.
    struct rlimit limit {};
    if (end > length && ::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        static_cast<std::uint64_t>(end) > static_cast<std::uint64_t>(limit.rlim_cur))
        return fail(EFBIG);
    // Room for a longer block, taken while the file keeps its size: a full
    // disk refuses the save here with the container untouched. A file
    // system that cannot reserve goes on; a short write is undone below.
    if (end > length && m_calls->Reserve(fd.Get(), length, end - length) != 0 && errno != EOPNOTSUPP && errno != ENOSYS)
        return fail(errno);

    // Block and tail in one write.
    const std::int64_t written = m_calls->WriteAt(fd.Get(), bytes, start);
    bool ok = written == static_cast<std::int64_t>(bytes.size());
    int error = ok ? 0 : written < 0 ? errno : EIO;
    if (ok && end < length && m_calls->Truncate(fd.Get(), end) != 0) {
        ok = false;
        error = errno;
    }
    if (ok && m_calls->Sync(fd.Get()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        // Back to the old container: its bytes, its length (which also
        // frees what was reserved beyond it).
        (void)m_calls->WriteAt(fd.Get(), old, start);
        (void)m_calls->Truncate(fd.Get(), length);
        (void)m_calls->Sync(fd.Get());
        return fail(error);
    }
    m_tail = tail;
    m_loadedBlocks = newBlocks;
    m_loadedRecords = static_cast<int>(m_records.size());
    return Saved;
}

bool CArchiveHistoryMan::AppendNewHistory() {
    auto f = OpenFile(m_container, "ab");
    if (!f || !AppendNewHistory(f.get())) return false;
    return std::fclose(f.release()) == 0;
}

bool CArchiveHistoryMan::AppendNewHistory(std::FILE* f) {
    const auto block = Encrypt(PaddedBlock(), m_key);
    const int blocks = BlockCount(m_users.size(), m_records.size());
    container::Tail tail = m_tail;
    container::SetTailCount(tail, static_cast<std::int32_t>(m_users.size()) + blocks);
    if (std::fwrite(block.data(), 1, block.size(), f) != block.size() ||
        std::fwrite(tail.data(), 1, tail.size(), f) != tail.size() || std::fflush(f) != 0)
        return false;
    m_tail = tail;
    m_hasHistory = true;
    m_loaded = true;
    m_loadedBlocks = blocks;
    m_loadedRecords = static_cast<int>(m_records.size());
    return true;
}

std::optional<std::string> CArchiveHistoryMan::WriteWithContent(
    std::span<const std::uint8_t, container::kFileKeySize> fileKey, const std::filesystem::path& target) {
    auto source = OpenFile(target, "rb");
    if (!source) return std::generic_category().message(errno);
    auto temp = TempFile::CreateBeside(target, "psp");
    if (!temp) return std::generic_category().message(errno);
    const auto head = Encrypt(Content(), fileKey);
    if (std::fwrite(head.data(), 1, head.size(), temp->Stream()) != head.size())
        return std::generic_category().message(errno);
    std::uint8_t piece[1024];
    for (;;) {
        const std::size_t n = std::fread(piece, 1, sizeof piece, source.get());
        if (n > 0 && std::fwrite(piece, 1, n, temp->Stream()) != n) return std::generic_category().message(errno);
        if (n < sizeof piece) {
            if (std::ferror(source.get())) return std::generic_category().message(EIO);
            break;
        }
    }
    source.reset();
    if (auto error = temp->Commit(target)) return error;
    return std::nullopt;
}

std::string CArchiveHistoryMan::UserName(int index) const {
    if (index < 0 || index >= static_cast<int>(m_users.size())) return {};
    return m_users[static_cast<std::size_t>(index)].name.substr(0, 20);
}

std::string CArchiveHistoryMan::MailAddress(int index) const {
    if (index < 0 || index >= static_cast<int>(m_users.size())) return {};
    return m_users[static_cast<std::size_t>(index)].mail.substr(0, 60);
}

}  // namespace tessarin
