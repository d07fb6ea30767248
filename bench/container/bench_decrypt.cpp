// Decryption pipeline figures: MB/s of decrypting one large container (one
// recipient, the north key set of the shared fixtures) next to the core
// CryptFile figure over the same container in the same run, with their ratio.
// Peak memory is printed to show it stays flat whatever the file size.
//
//   bench_decrypt [megabytes=1024]

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "container/ContainerFormat.h"
#include "container/DecryptPipeline.h"
#include "core/Crc64.h"
#include "core/LanguageTable.h"
#include "core/StreamCipher.h"
#include "platform/Host.h"
#include "platform/UserDialog.h"
#include "platform/crypto/RsaService.h"

namespace fs = std::filesystem;
using namespace tessarin;
using namespace tessarin::bench;

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

int main(int argc, char** argv) {
    const long megabytes = argc > 1 ? std::atol(argv[1]) : 1024;
    const fs::path keys = fs::path(TESSARIN_SHARED_DIR) / "fixtures" / "cryptoapi";
    const auto publicFile = ReadAll(keys / "north.vpub");
    const auto privateFile = ReadAll(keys / "northPrivate.vpri");
    if (publicFile.size() != 152 || privateFile.size() != 648) {
        std::fprintf(stderr, "north key set not found under %s\n", keys.c_str());
        return 1;
    }
    const fs::path dir = fs::temp_directory_path() / ("tessarin-bench-decrypt-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path container = dir / "big.bin.tza";
    const std::uint64_t size = static_cast<std::uint64_t>(megabytes) * 1024 * 1024;

    // The container: payload streamed through the cipher, one record, the tail.
    std::array<std::uint8_t, 32> fileKey{};
    for (std::size_t i = 0; i < fileKey.size(); ++i) fileKey[i] = static_cast<std::uint8_t>(i * 13 + 1);
    {
        CStreamCipher cipher;
        cipher.SetWordCount(CStreamCipher::kWordCount);
        cipher.SetKey(fileKey);
        File out(std::fopen(container.c_str(), "wb"));
        std::vector<std::uint8_t> chunk(CStreamCipher::kBufferSize);
        for (std::size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<std::uint8_t>(i * 31 + 7);
        std::uint64_t left = size;
        while (left > 0) {
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, chunk.size()));
            std::vector<std::uint8_t> enc(n);
            cipher.Crypt(chunk.data(), n, enc.data());
            cipher.Mix();
            std::fwrite(enc.data(), 1, n, out.get());
            left -= n;
        }
        container::RecipientFields f;
        f.fileKey = fileKey;
        f.name = container::BuildNameField("big.bin");
        f.authValue = *container::PrivateKeyDigest(privateFile);
        f.privateKeyDigest = f.authValue;
        f.encryptionTime = FixedHost().LocalTime();
        const std::span<const std::uint8_t> blob(publicFile.data() + 4, 148);
        const auto plain = container::RsaPlaintext(f);
        const auto rsa = RsaEncryptBlock(blob, plain);
        const auto record =
            container::BuildRecord(f, Crc64(blob), std::span<const std::uint8_t, 128>(rsa->data(), 128));
        std::fwrite(record.data(), 1, record.size(), out.get());
        const auto tail =
            container::BuildTail(1, static_cast<std::int32_t>(std::min<std::uint64_t>(size, 0x7FFFFFFF)), 0);
        std::fwrite(tail.data(), 1, tail.size(), out.get());
    }
    // The payload length is a signed 32-bit field: larger runs decrypt its first 2 GiB − 1.
    const std::uint64_t payload = std::min<std::uint64_t>(size, 0x7FFFFFFF);

    // Core figure: CryptFile over the whole container.
    double core = 0;
    {
        CStreamCipher cipher;
        cipher.SetWordCount(CStreamCipher::kWordCount);
        cipher.SetKey(fileKey);
        File in(std::fopen(container.c_str(), "rb"));
        File out(std::fopen((dir / "core.out").c_str(), "wb"));
        const auto start = std::chrono::steady_clock::now();
        if (!cipher.CryptFile(in.get(), out.get())) return 1;
        std::fflush(out.get());
        core = Seconds(start);
    }
    fs::remove(dir / "core.out");

    // The pipeline.
    FixedHost host;
    YesDialog dialog;
    CStreamCipher cipher;
    LanguageTable texts;
    texts.FillJapanese();
    container::DecryptRun run(host, dialog, cipher, texts);
    run.publicKeyPath = keys / "north.vpub";
    run.privateKeyPath = keys / "northPrivate.vpri";
    run.files = {container};
    run.direct = true;
    const auto start = std::chrono::steady_clock::now();
    const int n = container::DecryptFiles(run, container::kDecryptCommand);
    const double pipeline = Seconds(start);
    const bool ok = n == 1 && fs::file_size(dir / "big.bin") == payload;

    const double mb = static_cast<double>(size) / (1024.0 * 1024.0);
    std::printf("decrypt %ld MiB container, 1 recipient\n", megabytes);
    std::printf("  core CryptFile      %8.1f MB/s  (%.2f s)\n", mb / core, core);
    std::printf("  DecryptFiles        %8.1f MB/s  (%.2f s)%s\n", mb / pipeline, pipeline, ok ? "" : "  FAILED");
    std::printf("  pipeline / core     %8.1f %%\n", 100.0 * core / pipeline);
    std::printf("  peak memory         %8ld KiB\n", PeakKiB());
    if (!ok) std::printf("  last message: %s\n", dialog.last.c_str());
    fs::remove_all(dir);
    return ok ? 0 : 1;
}
