// Target "history": the history block a container carries.
//
// The input is taken twice: as a deciphered block for ParseBlock (what it
// accepts is written back with the same counts and records), and as a whole
// container under a fixed file key for Load (which reads and never writes;
// what it loads can take one more record, be saved in place and load again).

#include <algorithm>
#include <array>

#include "FuzzSupport.h"
#include "container/ArchiveHistoryMan.h"
#include "platform/Host.h"

namespace tessarin::fuzz {
namespace {

// The file key the seeds were written under.
constexpr std::array<std::uint8_t, container::kFileKeySize> kHistoryKey = {
    0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xF0, 0x01,
    0x12, 0x23, 0x34, 0x45, 0x56, 0x67, 0x78, 0x89, 0x9A, 0xAB, 0xBC, 0xCD, 0xDE, 0xEF, 0x0F, 0x10,
};

void CheckPlainBlock(Bytes input, const IHost& host) {
    CArchiveHistoryMan man(host);
    if (!man.ParseBlock(input)) return;
    const auto content = man.Content();
    Check(content.size() <= input.size(), "a parsed block is written no longer than it was");
    Check(std::equal(content.begin(), content.begin() + 8, input.begin()), "counts are written as read");
    const std::size_t records = 8 + CArchiveHistoryMan::kUserEntrySize * static_cast<std::size_t>(man.UserCount());
    Check(std::equal(content.begin() + static_cast<std::ptrdiff_t>(records), content.end(),
                     input.begin() + static_cast<std::ptrdiff_t>(records)),
          "records are written as read");
    CArchiveHistoryMan again(host);
    Check(again.ParseBlock(man.PaddedBlock()) && again.Content() == content, "a written block parses the same");
}

}  // namespace

std::span<const std::uint8_t, 32> HistoryFuzzKey() {
    return kHistoryKey;
}

namespace {

void SetHistoryContainer(CArchiveHistoryMan& man, const std::filesystem::path& path) {
    man.Open(path.parent_path());
    man.SetContainer(path, container::Tail{}, kHistoryKey);
}

}  // namespace

std::string RunHistory(Bytes input) {
    static const FixedHost host;
    CheckPlainBlock(input, host);

    const auto path = FreshScratch() / "history.tza";
    WriteAll(path, input);
    CArchiveHistoryMan man(host);
    SetHistoryContainer(man, path);
    const auto loaded = man.Load();
    Check(ReadAll(path) == std::vector<std::uint8_t>(input.begin(), input.end()), "loading changes no byte");
    if (loaded == CArchiveHistoryMan::NoHistory) return "no history";
    if (loaded != CArchiveHistoryMan::Loaded) return "refused";

    const int users = man.UserCount();
    const int records = man.RecordCount();
    Check(static_cast<std::size_t>(users) * CArchiveHistoryMan::kUserEntrySize <= input.size(),
          "users fit in the file");
    man.Record(0, CArchiveHistoryMan::Viewed);
    if (man.SaveInPlace() != CArchiveHistoryMan::Saved) return "loaded";
    CArchiveHistoryMan again(host);
    SetHistoryContainer(again, path);
    Check(again.Load() == CArchiveHistoryMan::Loaded, "a saved history loads");
    Check(again.UserCount() == users && again.RecordCount() == records + 1, "a saved history keeps its entries");
    Check(again.Content() == man.Content(), "a saved history loads as it was saved");
    return "loaded";
}

}  // namespace tessarin::fuzz
