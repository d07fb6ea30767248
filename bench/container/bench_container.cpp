// Encryption pipeline figures: MB/s of one large file for one recipient next
// to the core CryptFile figure on the same file, and files per second for many
// small files for two recipients. Peak memory is printed to show it stays
// flat whatever the file size.
//
//   bench_container [megabytes=1024] [small-files=1000]

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BenchKeys.h"
#include "BenchSupport.h"
#include "app/MainWindowState.h"
#include "core/LanguageTable.h"
#include "core/StreamCipher.h"
#include "keys/AuthSecret.h"
#include "keys/KeyFiles.h"
#include "platform/Host.h"
#include "platform/UserDialog.h"

namespace fs = std::filesystem;
using namespace tessarin;
using namespace tessarin::bench;

int main(int argc, char** argv) {
    const long megabytes = argc > 1 ? std::atol(argv[1]) : 1024;
    const int smallFiles = argc > 2 ? std::atoi(argv[2]) : 1000;
    const fs::path shared = fs::path(TESSARIN_SHARED_DIR) / "fixtures" / "cryptoapi";
    const fs::path work = fs::temp_directory_path() / ("tessarin-bench-container-" + std::to_string(::getpid()));
    fs::create_directories(work / "keys");
    fs::create_directories(work / "big");
    fs::create_directories(work / "small");

    const auto keys = LoadFixtureKeys(shared);
    if (!keys) return 1;
    const auto& [northPub, northPriv, southPub, southPriv] = *keys;
    WriteAll(work / "keys" / "north.vpub", northPub);
    WriteAll(work / "keys" / "northPrivate.vpri", northPriv);
    WriteAll(work / "keys" / "north))north-auth.vpub", AuthKey(northPub, northPub, northPriv));
    WriteAll(work / "keys" / "north))south-auth.vpub", AuthKey(northPub, southPub, southPriv));

    // The large source, written through one buffer.
    const fs::path big = work / "big" / "big.bin";
    {
        std::vector<char> buffer(1 << 20);
        for (std::size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<char>(i * 31 + 7);
        std::ofstream out(big, std::ios::binary);
        for (long i = 0; i < megabytes; ++i) out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    }
    const double mb = static_cast<double>(megabytes);

    // Core CryptFile alone, same source, same disk: once as it stands and
    // once followed by fsync, since the pipeline brings every container to
    // the disk before renaming it into place.
    auto coreRun = [&](bool sync) -> double {
        CStreamCipher cipher;
        cipher.SetWordCount(8);
        std::uint32_t key[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        cipher.SetKey(key);
        std::FILE* in = std::fopen(big.c_str(), "rb");
        std::FILE* out = std::fopen((work / "big" / "core.out").c_str(), "wb");
        if (!in || !out) std::exit(1);
        const auto start = std::chrono::steady_clock::now();
        const bool ok = cipher.CryptFile(in, out);
        std::fflush(out);
        if (sync) ::fsync(fileno(out));
        const double s = Seconds(start);
        std::fclose(in);
        std::fclose(out);
        fs::remove(work / "big" / "core.out");
        if (!ok) std::exit(1);
        return s;
    };
    coreRun(false);  // warms the page cache for the source
    const double coreSeconds = coreRun(false);
    const double coreSyncSeconds = coreRun(true);

    FixedHost host;
    YesDialog dialog;
    LanguageTable texts;
    texts.FillJapanese();
    texts.FillEnglish();
    NoMail mail;
    MainWindowState state(host, dialog, texts, mail);
    state.publicKeyPath = work / "keys" / "north.vpub";
    state.privateKeyPath = work / "keys" / "northPrivate.vpri";
    state.selfAuthKeyPath = work / "keys" / "north))north-auth.vpub";
    state.userName = "bench";

    // One large file, one recipient (the own key).
    state.files = {big};
    auto start = std::chrono::steady_clock::now();
    if (state.EncryptFiles(kModeCommand) != 1) return 1;
    const double pipeSeconds = Seconds(start);
    const long peakAfterBig = PeakKiB();

    std::printf(
        "encrypt %ld MiB, 1 recipient: pipeline %.1f MB/s; core CryptFile %.1f MB/s (pipeline %.0f%% of it), "
        "core CryptFile + fsync %.1f MB/s (pipeline %.0f%% of it)\n",
        megabytes, mb / pipeSeconds, mb / coreSeconds, 100.0 * coreSeconds / pipeSeconds, mb / coreSyncSeconds,
        100.0 * coreSyncSeconds / pipeSeconds);
    fs::remove_all(work / "big");

    // Many small files, two recipients.
    std::vector<char> small(4096, 'x');
    state.files.clear();
    for (int i = 0; i < smallFiles; ++i) {
        const fs::path p = work / "small" / ("f" + std::to_string(i) + ".txt");
        std::ofstream(p, std::ios::binary).write(small.data(), static_cast<std::streamsize>(small.size()));
        state.files.push_back(p);
    }
    state.recipients = {work / "keys" / "north))south-auth.vpub"};
    start = std::chrono::steady_clock::now();
    const int written = state.EncryptFiles(kModeCommand);
    const double smallSeconds = Seconds(start);
    std::printf("encrypt %d files of 4 KiB, 2 recipients: %.0f files/s (%d written)\n", smallFiles,
                written / smallSeconds, written);
    std::printf("peak memory: %ld KiB after the large file, %ld KiB at the end\n", peakAfterBig, PeakKiB());
    fs::remove_all(work);
    return written == smallFiles ? 0 : 1;
}
