// Prints how long the QR encoders take: one registration text of about 400
// bytes with all eight masks scored, and the fixed version-10 symbol of a
// public key file with the bitmap built.

#include <chrono>
#include <cstdio>
#include <string>

#include "platform/Cp932.h"
#include "qr/QrBitmap.h"
#include "qr/QrEncoder.h"

namespace {

using Clock = std::chrono::steady_clock;

template <typename F>
double MicrosecondsPerRun(int runs, F&& f) {
    const auto start = Clock::now();
    for (int i = 0; i < runs; ++i) f();
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / runs;
}

}  // namespace

int main() {
    using namespace tessarin;
    std::string text = Utf8ToCp932("これは、FerroloのURLと登録する公開鍵情報(1024bit)です。").value_or("");
    text += "https://ferrolo.tessarin.example/m/?pk=";
    for (int i = 0; i < 16; ++i) text += "c3a1f09b7d2e6845";
    text += "&ma=taro%2Eyamada%40example%2Ecom&nm=jlKTY5G+mFk=&gt=1700000000&op=1&pt=0";

    const auto symbol = EncodeQr(QrLevel::M, 0, true, -1, text);
    if (!symbol) {
        std::puts("encoding failed");
        return 1;
    }
    std::size_t sink = 0;
    const double general =
        MicrosecondsPerRun(200, [&] { sink += EncodeQr(QrLevel::M, 0, true, -1, text)->modules.size(); });
    std::printf("registration text: %zu bytes -> version %d, mask %d\n", text.size(), symbol->version, symbol->mask);
    std::printf("general encoder, automatic mask (8 scored): %.3f ms per symbol\n", general / 1000.0);
    const double forced =
        MicrosecondsPerRun(200, [&] { sink += EncodeQr(QrLevel::M, symbol->version, false, 0, text)->modules.size(); });
    std::printf("general encoder, one given mask:            %.3f ms per symbol\n", forced / 1000.0);

    std::string keyText;
    for (int i = 0; i < 152; ++i) keyText += "0123456789ABCDEF"[(i * 7) % 16], keyText += "FEDCBA9876543210"[i % 16];
    const double fixed =
        MicrosecondsPerRun(500, [&] { sink += BuildPublicKeyBitmapFile(*EncodeQrVersion10(keyText)).size(); });
    std::printf("fixed version-10 symbol and 24-bit bitmap:  %.3f ms\n", fixed / 1000.0);
    return sink == 0 ? 1 : 0;
}
