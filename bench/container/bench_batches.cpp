// Batch figures, with 1 worker and with one per core, in one run: files per
// second for many small and for 1 MiB files, encrypting and decrypting, and
// MB/s for two large files encrypted in one batch with 1 and with 2 workers,
// each with the ratio between them. Every run of a figure works on the same
// sources and containers, and its outputs are removed before the next run.
//
//   bench_batches [small-files=1000] [medium-files=100] [large-megabytes=512]

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "BenchKeys.h"
#include "BenchSupport.h"
#include "app/MainWindowState.h"
#include "container/BatchWorkers.h"
#include "container/DecryptPipeline.h"
#include "core/LanguageTable.h"
#include "core/StreamCipher.h"
#include "keys/AuthSecret.h"
#include "keys/KeyFiles.h"
#include "platform/Host.h"

namespace fs = std::filesystem;
using namespace tessarin;
using namespace tessarin::bench;

namespace {

void WriteFileOf(const fs::path& p, std::uint64_t bytes, int seed) {
    std::vector<char> buffer(std::min<std::uint64_t>(bytes, 1 << 20));
    for (std::size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<char>(i * 31 + 7 + seed);
    std::ofstream out(p, std::ios::binary);
    for (std::uint64_t done = 0; done < bytes; done += buffer.size())
        out.write(buffer.data(), static_cast<std::streamsize>(std::min<std::uint64_t>(buffer.size(), bytes - done)));
}

void Empty(const fs::path& folder) {
    fs::remove_all(folder);
    fs::create_directories(folder);
}

struct World {
    fs::path work;
    FixedHost host;
    YesDialog dialog;
    LanguageTable texts;
    NoMail mail;
    World() {
        texts.FillJapanese();
        texts.FillEnglish();
    }
};

// Seconds of one encryption batch over files into out.
double Encrypt(World& w, const std::vector<fs::path>& files, const fs::path& out, int workers, int& written) {
    Empty(out);
    MainWindowState state(w.host, w.dialog, w.texts, w.mail);
    state.publicKeyPath = w.work / "keys" / "north.vpub";
    state.privateKeyPath = w.work / "keys" / "northPrivate.vpri";
    state.selfAuthKeyPath = w.work / "keys" / "north))north-auth.vpub";
    state.recipients = {w.work / "keys" / "north))south-auth.vpub"};
    state.userName = "bench";
    state.files = files;
    state.options.outputFolder = out;
    state.workers = workers;
    const auto start = std::chrono::steady_clock::now();
    written = state.EncryptFiles(kModeCommand);
    return Seconds(start);
}

double Decrypt(World& w, const std::vector<fs::path>& containers, const fs::path& out, int workers, int& done) {
    Empty(out);
    CStreamCipher cipher;
    container::DecryptRun run(w.host, w.dialog, cipher, w.texts);
    run.publicKeyPath = w.work / "keys" / "north.vpub";
    run.privateKeyPath = w.work / "keys" / "northPrivate.vpri";
    run.files = containers;
    run.outputFolder = out;
    run.isOnCdRom = [](const fs::path&) { return false; };
    run.workers = workers;
    const auto start = std::chrono::steady_clock::now();
    done = container::DecryptFiles(run, container::kDecryptCommand);
    return Seconds(start);
}

std::vector<fs::path> Listing(const fs::path& folder) {
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(folder)) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

int main(int argc, char** argv) {
    const int smallFiles = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int mediumFiles = argc > 2 ? std::atoi(argv[2]) : 100;
    const long largeMegabytes = argc > 3 ? std::atol(argv[3]) : 512;
    const int cores = BatchWorkerCount(0);
    const fs::path shared = fs::path(TESSARIN_SHARED_DIR) / "fixtures" / "cryptoapi";
    World w;
    w.work = fs::temp_directory_path() / ("tessarin-bench-batches-" + std::to_string(::getpid()));
    fs::create_directories(w.work / "keys");
    const auto keys = LoadFixtureKeys(shared);
    if (!keys) return 1;
    const auto& [northPub, northPriv, southPub, southPriv] = *keys;
    WriteAll(w.work / "keys" / "north.vpub", northPub);
    WriteAll(w.work / "keys" / "northPrivate.vpri", northPriv);
    WriteAll(w.work / "keys" / "north))north-auth.vpub", AuthKey(northPub, northPub, northPriv));
    WriteAll(w.work / "keys" / "north))south-auth.vpub", AuthKey(northPub, southPub, southPriv));
    std::printf("workers: 1 and %d (one per core); 2 recipients per container\n", cores);

    bool ok = true;
    // files/s for count files of size bytes, both directions.
    auto filesPerSecond = [&](const std::string& label, int count, std::uint64_t bytes) {
        const fs::path in = w.work / (label + "-in");
        fs::create_directories(in);
        std::vector<fs::path> files;
        for (int i = 0; i < count; ++i) {
            files.push_back(in / ("f" + std::to_string(i) + ".bin"));
            WriteFileOf(files.back(), bytes, i);
        }
        const fs::path enc = w.work / (label + "-tza");
        const fs::path dec = w.work / (label + "-out");
        int n1 = 0, nN = 0;
        (void)Encrypt(w, files, enc, cores, nN);  // warms the page cache and the key files
        const double e1 = Encrypt(w, files, enc, 1, n1);
        const double eN = Encrypt(w, files, enc, cores, nN);
        ok = ok && n1 == count && nN == count;
        std::printf("encrypt %d x %s: %.0f files/s with 1 worker, %.0f files/s with %d (%.2fx)\n", count, label.c_str(),
                    n1 / e1, nN / eN, cores, e1 / eN);
        const auto containers = Listing(enc);
        (void)Decrypt(w, containers, dec, cores, nN);
        const double d1 = Decrypt(w, containers, dec, 1, n1);
        const double dN = Decrypt(w, containers, dec, cores, nN);
        ok = ok && n1 == count && nN == count;
        std::printf("decrypt %d x %s: %.0f files/s with 1 worker, %.0f files/s with %d (%.2fx)\n", count, label.c_str(),
                    n1 / d1, nN / dN, cores, d1 / dN);
        fs::remove_all(in);
        fs::remove_all(enc);
        fs::remove_all(dec);
    };
    filesPerSecond("4KiB", smallFiles, 4096);
    filesPerSecond("1MiB", mediumFiles, 1 << 20);

    // Two large files in one batch.
    {
        const fs::path in = w.work / "large-in";
        fs::create_directories(in);
        const std::vector<fs::path> files = {in / "one.bin", in / "two.bin"};
        const std::uint64_t bytes = static_cast<std::uint64_t>(largeMegabytes) << 20;
        for (int i = 0; i < 2; ++i) WriteFileOf(files[static_cast<std::size_t>(i)], bytes, i);
        const fs::path enc = w.work / "large-tza";
        int n1 = 0, n2 = 0;
        const double mb = 2.0 * static_cast<double>(largeMegabytes);
        const double s1 = Encrypt(w, files, enc, 1, n1);
        const double s2 = Encrypt(w, files, enc, 2, n2);
        ok = ok && n1 == 2 && n2 == 2;
        std::printf("encrypt 2 x %ld MiB in one batch: %.1f MB/s with 1 worker, %.1f MB/s with 2 (%.2fx)\n",
                    largeMegabytes, mb / s1, mb / s2, s1 / s2);
        std::printf("peak memory: %ld KiB\n", PeakKiB());
    }
    fs::remove_all(w.work);
    return ok ? 0 : 1;
}
