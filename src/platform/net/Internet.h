#pragma once
// The platform's Internet functions: GETs by URL and form posts whose body is
// written in pieces, over libcurl; MIME detection over libmagic; fresh GUIDs.
// Only https is spoken: any other URL fails before a connection is made.
// Certificates and the host name they are made out for are always verified,
// against the system's trust store or a CA file named by the caller.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessarin {

// How requests reach the network.
struct InternetOptions {
    std::string userAgent;
    // An explicit proxy; empty uses the environment's proxy configuration.
    std::string proxy;
    std::string proxyBypass;
    // PEM file of trusted CAs; empty uses the system's trust store.
    std::string caFile;
    // Connection set-up limit; the whole request is bounded by the caller's
    // abort flag instead.
    long connectTimeoutSeconds = 30;
};

// $TESSARIN_CA_FILE while $TESSARIN_SERVICE_URL overrides the service URL,
// else empty (the system store).
std::string DefaultCaFile();

struct HttpGetResult {
    bool transferred = false;  // a response was received completely
    bool aborted = false;      // stopped by the abort flag
    bool oversize = false;     // the body was longer than the limit given
    long status = 0;
    std::string body;   // at most the limit given
    std::string error;  // libcurl's text when not transferred
};

// A GET of url. The body is kept up to maxBody bytes; a longer body stops the
// transfer and sets oversize. A set abort flag stops the transfer within a
// fraction of a second.
HttpGetResult HttpGet(const std::string& url, const InternetOptions& options, std::size_t maxBody,
                      const std::atomic<bool>* abort = nullptr);

struct HttpPostResponse {
    long status = 0;
    std::optional<std::uint64_t> contentLength;
    std::string body;
};

// A POST whose body, of a length announced in advance, is written in pieces.
// Begin opens the connection and sends the headers once the first piece
// arrives; Write hands the transfer further bytes and returns when it has
// taken them; Finish waits for the response. Every failure is reported as
// false with a text in Error(); the upload is then dead.
class HttpUpload {
public:
    HttpUpload();
    ~HttpUpload();
    HttpUpload(const HttpUpload&) = delete;
    HttpUpload& operator=(const HttpUpload&) = delete;

    // headers: full "Name: value" lines without CR LF.
    [[nodiscard]] bool Begin(const std::string& url, const std::vector<std::string>& headers,
                             std::uint64_t contentLength, const InternetOptions& options, std::size_t maxResponseBody,
                             const std::atomic<bool>* abort = nullptr);
    [[nodiscard]] bool Write(std::span<const std::uint8_t> bytes);
    [[nodiscard]] std::optional<HttpPostResponse> Finish();
    const std::string& Error() const;
    std::uint64_t BytesWritten() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// The MIME type of data from its first bytes (at most 256 are looked at);
// "application/octet-stream" when nothing is recognised. Thread-safe.
std::string DetectMimeType(std::span<const std::uint8_t> head);

// A fresh random 128-bit value in the GUID layout; empty when the system's
// random source fails.
struct Guid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::array<std::uint8_t, 8> data4{};
};
std::optional<Guid> NewGuid();

// The status of a GET of url, read as soon as the response headers arrive;
// the body is not read. Empty when no response came (no connection, a TLS
// failure, a stop by the abort flag).
std::optional<long> HttpGetStatus(const std::string& url, const InternetOptions& options,
                                  const std::atomic<bool>* abort = nullptr);

}  // namespace tessarin
