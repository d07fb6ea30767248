#include "platform/net/Internet.h"

#include <curl/curl.h>
#include <magic.h>
#include <sys/random.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/ServiceUrl.h"

namespace tessarin {
namespace {

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct EasyDeleter {
    void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
struct MultiDeleter {
    void operator()(CURLM* h) const { curl_multi_cleanup(h); }
};
struct SlistDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
using EasyPtr = std::unique_ptr<CURL, EasyDeleter>;
using MultiPtr = std::unique_ptr<CURLM, MultiDeleter>;
using SlistPtr = std::unique_ptr<curl_slist, SlistDeleter>;

// Body collector shared by GETs and posts: keeps at most limit bytes.
struct BodySink {
    std::string body;
    std::size_t limit = 0;
    bool oversize = false;
};

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<BodySink*>(user);
    const size_t n = size * count;
    if (n > sink->limit - sink->body.size()) {
        sink->oversize = true;
        return CURL_WRITEFUNC_ERROR;
    }
    sink->body.append(data, n);
    return n;
}

int AbortCheck(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* abort = static_cast<const std::atomic<bool>*>(user);
    return (abort && abort->load()) ? 1 : 0;
}

// Options every request carries: https only (also after redirects), verified
// certificates and host names, no signals.
void CommonOptions(CURL* h, const std::string& url, const InternetOptions& o, BodySink* sink,
                   const std::atomic<bool>* abort) {
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!o.caFile.empty()) curl_easy_setopt(h, CURLOPT_CAINFO, o.caFile.c_str());
    if (!o.userAgent.empty()) curl_easy_setopt(h, CURLOPT_USERAGENT, o.userAgent.c_str());
    if (!o.proxy.empty()) {
        curl_easy_setopt(h, CURLOPT_PROXY, o.proxy.c_str());
        if (!o.proxyBypass.empty()) curl_easy_setopt(h, CURLOPT_NOPROXY, o.proxyBypass.c_str());
    }
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, o.connectTimeoutSeconds);
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, WriteBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, sink);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, AbortCheck);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(abort));
}

}  // namespace

std::string DefaultCaFile() {
    return ServiceCaFile();
}

HttpGetResult HttpGet(const std::string& url, const InternetOptions& options, std::size_t maxBody,
                      const std::atomic<bool>* abort) {
    GlobalInit();
    HttpGetResult result;
    EasyPtr h(curl_easy_init());
    if (!h) {
        result.error = "curl_easy_init failed";
        return result;
    }
    BodySink sink;
    sink.limit = maxBody;
    char errbuf[CURL_ERROR_SIZE] = {};
    CommonOptions(h.get(), url, options, &sink, abort);
    curl_easy_setopt(h.get(), CURLOPT_ERRORBUFFER, errbuf);
    curl_easy_setopt(h.get(), CURLOPT_HTTPGET, 1L);
    // A GET that has stalled for a minute is given up even without a watchdog.
    curl_easy_setopt(h.get(), CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h.get(), CURLOPT_LOW_SPEED_TIME, 60L);
    const CURLcode rc = curl_easy_perform(h.get());
    result.oversize = sink.oversize;
    result.body = std::move(sink.body);
    if (rc == CURLE_OK) {
        result.transferred = true;
        curl_easy_getinfo(h.get(), CURLINFO_RESPONSE_CODE, &result.status);
    } else {
        result.aborted = rc == CURLE_ABORTED_BY_CALLBACK;
        result.error = errbuf[0] ? errbuf : curl_easy_strerror(rc);
    }
    return result;
}

struct HttpUpload::Impl {
    MultiPtr multi;
    EasyPtr easy;
    SlistPtr headers;
    BodySink sink;
    std::string error;
    char errbuf[CURL_ERROR_SIZE] = {};
    const std::atomic<bool>* abort = nullptr;
    std::vector<std::uint8_t> pending;
    std::size_t pendingPos = 0;
    std::uint64_t contentLength = 0;
    std::uint64_t written = 0;
    bool begun = false;
    bool paused = false;
    bool done = false;
    bool dead = false;
    CURLcode result = CURLE_OK;

    static size_t Read(char* buffer, size_t size, size_t count, void* user) {
        auto* self = static_cast<Impl*>(user);
        const size_t room = size * count;
        const size_t left = self->pending.size() - self->pendingPos;
        if (left == 0) {
            if (self->written >= self->contentLength) return 0;
            self->paused = true;
            return CURL_READFUNC_PAUSE;
        }
        const size_t n = std::min(room, left);
        std::memcpy(buffer, self->pending.data() + self->pendingPos, n);
        self->pendingPos += n;
        self->written += n;
        return n;
    }

    bool Fail(std::string text) {
        dead = true;
        error = std::move(text);
        if (multi && easy) curl_multi_remove_handle(multi.get(), easy.get());
        return false;
    }

    // Runs the transfer until ready() holds or it ends; false on failure.
    template <class Ready>
    bool Drive(Ready ready) {
        for (;;) {
            int running = 0;
            const CURLMcode mc = curl_multi_perform(multi.get(), &running);
            if (mc != CURLM_OK) return Fail(curl_multi_strerror(mc));
            int queued = 0;
            while (CURLMsg* msg = curl_multi_info_read(multi.get(), &queued)) {
                if (msg->msg == CURLMSG_DONE) {
                    done = true;
                    result = msg->data.result;
                }
            }
            if (done && result != CURLE_OK) {
                if (sink.oversize) return Fail("The response is too long.");
                return Fail(errbuf[0] ? errbuf : curl_easy_strerror(result));
            }
            if (ready()) return true;
            if (done) return Fail("The connection ended before the body was sent.");
            if (abort && abort->load()) return Fail("The request was cancelled.");
            const CURLMcode pc = curl_multi_poll(multi.get(), nullptr, 0, 100, nullptr);
            if (pc != CURLM_OK) return Fail(curl_multi_strerror(pc));
        }
    }
};

HttpUpload::HttpUpload() : m_impl(std::make_unique<Impl>()) {}

HttpUpload::~HttpUpload() {
    if (m_impl->multi && m_impl->easy && m_impl->begun && !m_impl->dead)
        curl_multi_remove_handle(m_impl->multi.get(), m_impl->easy.get());
    // The easy handle goes before the multi handle it was attached to.
    m_impl->easy.reset();
    m_impl->multi.reset();
}

bool HttpUpload::Begin(const std::string& url, const std::vector<std::string>& headers, std::uint64_t contentLength,
                       const InternetOptions& options, std::size_t maxResponseBody, const std::atomic<bool>* abort) {
    GlobalInit();
    Impl& s = *m_impl;
    if (s.begun) return s.Fail("The upload has already begun.");
    s.multi.reset(curl_multi_init());
    s.easy.reset(curl_easy_init());
    if (!s.multi || !s.easy) return s.Fail("Out of memory");
    s.abort = abort;
    s.contentLength = contentLength;
    s.sink.limit = maxResponseBody;
    CURL* h = s.easy.get();
    CommonOptions(h, url, options, &s.sink, abort);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, s.errbuf);
    curl_easy_setopt(h, CURLOPT_POST, 1L);
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(contentLength));
    curl_easy_setopt(h, CURLOPT_READFUNCTION, &Impl::Read);
    curl_easy_setopt(h, CURLOPT_READDATA, &s);
    // No redirects for a post: its body cannot be replayed.
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    curl_slist* list = nullptr;
    for (const auto& line : headers) {
        curl_slist* next = curl_slist_append(list, line.c_str());
        if (!next) {
            curl_slist_free_all(list);
            return s.Fail("Out of memory");
        }
        list = next;
    }
    // The body follows the headers at once, without waiting for 100 Continue.
    curl_slist* next = curl_slist_append(list, "Expect:");
    if (!next) {
        curl_slist_free_all(list);
        return s.Fail("Out of memory");
    }
    s.headers.reset(next);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, s.headers.get());
    if (curl_multi_add_handle(s.multi.get(), h) != CURLM_OK) return s.Fail("curl_multi_add_handle failed");
    s.begun = true;
    return true;
}

bool HttpUpload::Write(std::span<const std::uint8_t> bytes) {
    Impl& s = *m_impl;
    if (!s.begun || s.dead) return false;
    if (bytes.empty()) return true;
    if (bytes.size() > s.contentLength - s.written) return s.Fail("More bytes than announced.");
    s.pending.assign(bytes.begin(), bytes.end());
    s.pendingPos = 0;
    if (s.paused) {
        s.paused = false;
        if (curl_easy_pause(s.easy.get(), CURLPAUSE_CONT) != CURLE_OK) return s.Fail("curl_easy_pause failed");
    }
    return s.Drive(
        [&s] { return s.pendingPos == s.pending.size() && (s.paused || s.written >= s.contentLength || s.done); });
}

std::optional<HttpPostResponse> HttpUpload::Finish() {
    Impl& s = *m_impl;
    if (!s.begun || s.dead) return std::nullopt;
    if (s.written != s.contentLength) {
        s.Fail("The body is shorter than announced.");
        return std::nullopt;
    }
    if (!s.Drive([&s] { return s.done; })) return std::nullopt;
    HttpPostResponse r;
    curl_easy_getinfo(s.easy.get(), CURLINFO_RESPONSE_CODE, &r.status);
    curl_off_t length = -1;
    if (curl_easy_getinfo(s.easy.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK && length >= 0)
        r.contentLength = static_cast<std::uint64_t>(length);
    r.body = std::move(s.sink.body);
    curl_multi_remove_handle(s.multi.get(), s.easy.get());
    s.dead = true;  // finished; nothing more may be written
    return r;
}

const std::string& HttpUpload::Error() const {
    return m_impl->error;
}
std::uint64_t HttpUpload::BytesWritten() const {
    return m_impl->written;
}

std::string DetectMimeType(std::span<const std::uint8_t> head) {
    static std::mutex mutex;
    static magic_t cookie = [] {
        magic_t c = magic_open(MAGIC_MIME_TYPE | MAGIC_ERROR);
        if (c && magic_load(c, nullptr) != 0) {
            magic_close(c);
            c = nullptr;
        }
        return c;
    }();
    constexpr const char* kFallback = "application/octet-stream";
    const std::size_t n = std::min<std::size_t>(head.size(), 256);
    if (!cookie || n == 0) return kFallback;
    std::lock_guard<std::mutex> lock(mutex);
    const char* type = magic_buffer(cookie, head.data(), n);
    if (!type || !*type || std::strcmp(type, "application/x-empty") == 0) return kFallback;
    return type;
}

std::optional<Guid> NewGuid() {
    std::uint8_t b[16];
    std::size_t got = 0;
    while (got < sizeof b) {
        const ssize_t n = getrandom(b + got, sizeof b - got, 0);
        if (n <= 0) return std::nullopt;
        got += static_cast<std::size_t>(n);
    }
    // A version 4 GUID, as the platform's own generator makes them.
    b[6] = static_cast<std::uint8_t>((b[6] & 0x0F) | 0x40);
    b[8] = static_cast<std::uint8_t>((b[8] & 0x3F) | 0x80);
    Guid g;
    g.data1 = static_cast<std::uint32_t>(b[0]) << 24 | static_cast<std::uint32_t>(b[1]) << 16 |
              static_cast<std::uint32_t>(b[2]) << 8 | b[3];
    g.data2 = static_cast<std::uint16_t>(b[4] << 8 | b[5]);
    g.data3 = static_cast<std::uint16_t>(b[6] << 8 | b[7]);
    std::copy(b + 8, b + 16, g.data4.begin());
    return g;
}

std::optional<long> HttpGetStatus(const std::string& url, const InternetOptions& options,
                                  const std::atomic<bool>* abort) {
    GlobalInit();
    EasyPtr h(curl_easy_init());
    if (!h) return std::nullopt;
    // A body sink that takes nothing: the first body byte ends the transfer.
    BodySink sink;
    CommonOptions(h.get(), url, options, &sink, abort);
    curl_easy_setopt(h.get(), CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(h.get(), CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h.get(), CURLOPT_LOW_SPEED_TIME, 60L);
    const CURLcode rc = curl_easy_perform(h.get());
    if (rc != CURLE_OK && !(rc == CURLE_WRITE_ERROR && sink.oversize)) return std::nullopt;
    long status = 0;
    curl_easy_getinfo(h.get(), CURLINFO_RESPONSE_CODE, &status);
    if (status == 0) return std::nullopt;
    return status;
}

}  // namespace tessarin
