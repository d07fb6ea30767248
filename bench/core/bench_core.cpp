// Throughput of the cryptographic core: Crypt over a 64 MiB buffer, CryptFile
// over a 1 GiB file in the page cache, SHA-512, and the optimised mix against
// the loop-form transcription. Prints figures; asserts nothing.

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "ReferenceCipher.h"
#include "core/Sha512.h"
#include "core/StreamCipher.h"

using namespace tessarin;
using namespace tessarin::bench;
using Clock = std::chrono::steady_clock;

namespace {

double MBps(double bytes, double seconds) {
    return bytes / (1024.0 * 1024.0) / seconds;
}

const std::uint32_t kKey[8] = {0x1234567, 0x89ABCDE, 0x2468ACE, 0x13579BD, 0x0F0F0F0, 0x3C3C3C3, 0x5A5A5A5, 0x7777};

}  // namespace

int main(int argc, char** argv) {
    std::uint64_t fileBytes = 1ull << 30;
    if (argc > 1) fileBytes = std::strtoull(argv[1], nullptr, 10) << 20;  // MiB
    const std::size_t bufferBytes = 64u << 20;

    std::vector<std::uint8_t> buffer(bufferBytes, 0x5A);
    CStreamCipher cipher;
    cipher.SetWordCount(8);
    cipher.SetKey(kKey);

    auto t = Clock::now();
    cipher.Crypt(buffer.data(), buffer.size(), buffer.data());
    const double cryptRate = MBps(static_cast<double>(bufferBytes), Seconds(t));

    test::ReferenceCipher reference;
    reference.SetKey(kKey);
    const std::size_t refBytes = 16u << 20;
    t = Clock::now();
    reference.Apply(buffer.data(), refBytes, false);
    const double refRate = MBps(static_cast<double>(refBytes), Seconds(t));

    CSHA sha;
    t = Clock::now();
    sha.Update(buffer);
    volatile auto digest = sha.Final();
    (void)digest;
    const double shaRate = MBps(static_cast<double>(bufferBytes), Seconds(t));
    buffer.clear();
    buffer.shrink_to_fit();

    // A file in the page cache: write it once, read it once to warm the cache.
    const auto dir = std::filesystem::temp_directory_path();
    const auto inPath = dir / ("tessarin-bench-in-" + std::to_string(getpid()));
    const auto outPath = dir / ("tessarin-bench-out-" + std::to_string(getpid()));
    {
        std::FILE* f = std::fopen(inPath.c_str(), "wb");
        std::vector<std::uint8_t> chunk(1 << 20, 0xA5);
        for (std::uint64_t done = 0; done < fileBytes; done += chunk.size())
            std::fwrite(chunk.data(), 1, chunk.size(), f);
        std::fclose(f);
    }
    const long rssBefore = PeakKiB();
    std::FILE* in = std::fopen(inPath.c_str(), "rb");
    std::FILE* out = std::fopen(outPath.c_str(), "wb");
    cipher.SetKey(kKey);
    t = Clock::now();
    const bool ok = cipher.CryptFile(in, out);
    std::fclose(out);
    const double fileRate = MBps(static_cast<double>(fileBytes), Seconds(t));
    std::fclose(in);
    std::filesystem::remove(inPath);
    std::filesystem::remove(outPath);

    std::printf("Crypt, 64 MiB buffer:            %8.1f MB/s\n", cryptRate);
    std::printf("CryptFile, %llu MiB file:        %8.1f MB/s (%.0f%% of Crypt)%s\n",
                static_cast<unsigned long long>(fileBytes >> 20), fileRate, 100.0 * fileRate / cryptRate,
                ok ? "" : " [I/O ERROR]");
    std::printf("loop-form transcription:         %8.1f MB/s (optimised is %.1fx)\n", refRate, cryptRate / refRate);
    std::printf("SHA-512:                         %8.1f MB/s\n", shaRate);
    std::printf("peak memory before/after file:   %ld / %ld KiB\n", rssBefore, PeakKiB());
    return ok ? 0 : 1;
}
