#pragma once
// CArchiveHistoryMan: the history a container can carry (who may open it, and
// what was done with it), held in memory, read from and written to the
// container under the keystream cipher keyed with the container's file key.
//
// History block: U (int32), R (int32), U user entries (name 20 + mail 60),
// R records (time 16, user int32, operation int32, flag uint8), zero padding
// to B × 256 bytes with B = (8 + 80U + 25R) div 256 + 1. In a history-managed
// container the block lies between the recipient records and the tail, and
// the tail's count field holds U + B.

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "container/ContainerFormat.h"
#include "platform/SystemTime.h"

namespace tessarin {

class IHost;

// The system calls a save in place makes on the open container, replaceable
// so that tests can make any of them fail. Each returns what the system call
// returns (−1 with errno set on failure).
class IHistoryFileCalls {
public:
    virtual ~IHistoryFileCalls() = default;
    // Reserves room without changing the file's size.
    virtual int Reserve(int fd, std::int64_t offset, std::int64_t length);
    virtual std::int64_t WriteAt(int fd, std::span<const std::uint8_t> bytes, std::int64_t offset);
    virtual int Truncate(int fd, std::int64_t length);
    virtual int Sync(int fd);
};

class CArchiveHistoryMan final {
public:
    struct HistoryList {
        SystemTime time;
        std::int32_t user = 0;
        std::int32_t operation = 0;
        std::uint8_t flag = 1;
    };
    struct UserEntry {
        std::string name;  // CP932 bytes, at most 20 stored
        std::string mail;  // CP932 bytes, at most 60 stored
    };

    enum Operation : std::int32_t { Created = 0, Updated = 1, Viewed = 2, Decrypted = 3 };
    enum LoadResult : int { Loaded = 0, OpenFailed = 1, NoHistory = 2 };
    enum SaveResult : int { Saved = 0, WriteFailed = 1, NotHistoryManaged = 2, NotLoaded = 3, NothingNew = 4 };

    static constexpr std::size_t kUserEntrySize = 80;
    static constexpr std::size_t kRecordSize = 25;
    static constexpr std::size_t kUnitSize = 256;
    // Largest block Load reads (16 MiB, some 670,000 records): the block
    // count is found from the file, and memory must not follow its size.
    static constexpr std::int32_t kMaxLoadUnits = 65536;

    explicit CArchiveHistoryMan(const IHost& host);
    ~CArchiveHistoryMan();
    CArchiveHistoryMan(const CArchiveHistoryMan&) = delete;
    CArchiveHistoryMan& operator=(const CArchiveHistoryMan&) = delete;

    // Open: the container folder (a trailing separator is added), one empty
    // user entry, no records, nothing loaded.
    void Open(const std::filesystem::path& folder);
    // The container the manager works on, its tail and its file key (the
    // first 32 bytes of recipient record 0 as built, before encryption).
    void SetContainer(const std::filesystem::path& container, const container::Tail& tail,
                      std::span<const std::uint8_t, container::kFileKeySize> fileKey);

    // Has history: bit 2 or bit 4 of the flags byte at end − 21.
    static bool HasHistory(const std::filesystem::path& container);

    // Load from the container set with SetContainer. The block count B is
    // found from the block itself: the unit count B for which the block at
    // end − (B × 256 + 48) decrypts to U = N − B and a content length that
    // gives B.
    LoadResult Load();

    void AppendRecord(std::int32_t user, std::int32_t operation);
    // As AppendRecord, except that a "decrypted" record goes to the front.
    void Record(std::int32_t user, std::int32_t operation);

    // Rewrites the block and the tail at their place in the container. The
    // room a longer block needs is reserved first without changing the
    // file's size, block and tail go out in one write, and any failure puts
    // the old bytes back and cuts the file to its old length: the container
    // on the disk is always either the old one or the new one. WriteFailed
    // leaves the reason in LastError().
    [[nodiscard]] SaveResult SaveInPlace();
    // The errno of the last WriteFailed.
    int LastError() const { return m_lastError; }
    // Replaces the system calls of SaveInPlace (the object must outlive the
    // manager's use of it).
    void SetFileCalls(IHistoryFileCalls& calls) { m_calls = &calls; }

    // The encryption pipeline's hand-over: appends the padded block and the
    // tail (count field U + B) to the end of the container. The container's
    // recipient records must already be written, one per user entry.
    [[nodiscard]] bool AppendNewHistory();
    // The same through the container's open stream, at its end.
    [[nodiscard]] bool AppendNewHistory(std::FILE* stream);

    // Writes U, R, the users and the records (no padding) under the given key
    // in front of the container's bytes, through a temporary file in the
    // container's folder that replaces the container when complete. On a
    // failure the container is unchanged and the error text is returned.
    [[nodiscard]] std::optional<std::string> WriteWithContent(
        std::span<const std::uint8_t, container::kFileKeySize> fileKey, const std::filesystem::path& container);

    // The user table.
    void SetUsers(std::vector<UserEntry> users) { m_users = std::move(users); }
    int UserCount() const { return static_cast<int>(m_users.size()); }
    std::string UserName(int index) const;
    std::string MailAddress(int index) const;
    int RecordCount() const { return static_cast<int>(m_records.size()); }
    const HistoryList& RecordAt(int index) const { return m_records.at(static_cast<std::size_t>(index)); }

    const std::filesystem::path& Folder() const { return m_folder; }
    const std::filesystem::path& ContainerPath() const { return m_container; }
    bool HasLoadedHistory() const { return m_loaded; }
    int LoadedBlockCount() const { return m_loadedBlocks; }

    // The block count for U users and R records.
    static int BlockCount(std::size_t users, std::size_t records);
    // The plain block content (no padding) and the padded block.
    std::vector<std::uint8_t> Content() const;
    std::vector<std::uint8_t> PaddedBlock() const;
    // Parses a decrypted block; false when U or R do not fit in it.
    bool ParseBlock(std::span<const std::uint8_t> block);

private:
    std::vector<std::uint8_t> Encrypt(std::span<const std::uint8_t> plain,
                                      std::span<const std::uint8_t, container::kFileKeySize> key) const;

    const IHost& m_host;
    std::vector<UserEntry> m_users;
    std::vector<HistoryList> m_records;
    std::filesystem::path m_folder;
    std::filesystem::path m_container;
    container::Tail m_tail{};
    std::array<std::uint8_t, container::kFileKeySize> m_key{};
    int m_loadedBlocks = 0;
    int m_loadedRecords = -1;
    bool m_hasHistory = false;
    bool m_loaded = false;
    int m_lastError = 0;
    IHistoryFileCalls* m_calls;
};

}  // namespace tessarin
