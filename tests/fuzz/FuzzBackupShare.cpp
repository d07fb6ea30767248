// Target "backupshare": the two key backup share files as a repair reads
// them. The input's first two bytes give the length of the user's share
// file, the rest is the maker's share file; both are rebuilt against north's
// public key.
//
// Properties: a share file that decodes encodes back to the same number
// (and to the same bytes when it was written in its shortest form); a repair
// that is refused leaves no file behind (no private key, no temporary); a
// repair that succeeds writes exactly north's private key file, owner-only.

#include <sys/stat.h>

#include <algorithm>

#include "FuzzKeys.h"
#include "FuzzSupport.h"
#include "core/BigNumber.h"
#include "keys/KeyBackup.h"

namespace tessarin::fuzz {

namespace {

// The shortest form: a whole number of 16-bit digits, the top one not zero.
bool IsShortestForm(Bytes file) {
    const std::size_t n = file.size() - kShareCountSize;
    if (n % 2 != 0) return false;
    return n == 0 || file[file.size() - 1] != 0 || file[file.size() - 2] != 0;
}

std::string CheckShareFile(Bytes file) {
    const auto share = DecodeShareFile(file);
    if (!share) return "refused";
    const auto again = EncodeShareFile(*share);
    const auto back = DecodeShareFile(again);
    Check(back && *back == *share, "an encoded share decodes to the same number");
    if (IsShortestForm(file))
        Check(std::equal(again.begin(), again.end(), file.begin(), file.end()),
              "a shortest share file is written back alike");
    return "decoded";
}

const container::ReaderKeys& North() {
    static const auto keys = test::FuzzReaderKeys();
    return keys;
}

}  // namespace

std::string RunBackupShare(Bytes input) {
    InputReader in(input);
    const std::size_t userLength = in.U16();
    const Bytes userFile = in.Take(userLength);
    const Bytes makerFile = in.Rest();
    const std::string userOutcome = CheckShareFile(userFile);
    (void)CheckShareFile(makerFile);

    const auto folder = FreshScratch();
    const auto userPath = folder / "north_user.vbky";
    const auto makerPath = folder / "north_mk.vbky";
    const auto out = folder / "restoredPrivate.vpri";
    WriteAll(userPath, userFile);
    WriteAll(makerPath, makerFile);
    const auto publicKey = folder / "north.vpub";
    WriteAll(publicKey, North().publicKeyFile);

    const auto status = RestorePrivateKeyFile(userPath, makerPath, publicKey, out);
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++entries;
    if (status != KeyRestoreStatus::Ok) {
        Check(!std::filesystem::exists(out), "a refused repair writes no key file");
        Check(entries == 3, "a refused repair leaves no temporary file");
        return userOutcome == "refused" ? "user share refused" : "refused";
    }
    const auto restored = ReadAll(out);
    const auto& expected = North().privateKeyFile;
    Check(std::equal(restored.begin(), restored.end(), expected.begin(), expected.end()),
          "a repair writes the key set's own private key file");
    struct stat info {};
    Check(::stat(out.c_str(), &info) == 0 && (info.st_mode & 077) == 0, "the restored key is the owner's only");
    Check(entries == 4, "a repair adds only the key file");
    return "restored";
}

}  // namespace tessarin::fuzz
