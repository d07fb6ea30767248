#include "FakeInternet.h"

#include <deque>

#include "platform/net/Internet.h"

namespace tessarin {
namespace {

struct Script {
    std::deque<fuzz::FakeAnswer> answers;
    std::vector<fuzz::FakeExchange> exchanges;
};

Script& TheScript() {
    static Script s;
    return s;
}

// The next answer; a request beyond the script fails to connect.
fuzz::FakeAnswer NextAnswer() {
    auto& s = TheScript();
    if (s.answers.empty()) return {0, false, {}};
    fuzz::FakeAnswer a = std::move(s.answers.front());
    s.answers.pop_front();
    return a;
}

}  // namespace

namespace fuzz {

void ScriptInternet(std::vector<FakeAnswer> answers) {
    TheScript().answers.assign(answers.begin(), answers.end());
    TheScript().exchanges.clear();
}

const std::vector<FakeExchange>& InternetExchanges() {
    return TheScript().exchanges;
}

}  // namespace fuzz

std::string DefaultCaFile() {
    return {};
}

HttpGetResult HttpGet(const std::string& url, const InternetOptions&, std::size_t maxBody,
                      const std::atomic<bool>* abort) {
    HttpGetResult r;
    if (abort && abort->load()) {
        r.aborted = true;
        return r;
    }
    fuzz::FakeAnswer a = NextAnswer();
    TheScript().exchanges.push_back({false, url, {}, a});
    if (!a.transferred) {
        r.error = "scripted failure";
        return r;
    }
    r.status = a.status;
    r.body = std::move(a.body);
    if (r.body.size() > maxBody) {
        r.body.resize(maxBody);
        r.oversize = true;
        return r;
    }
    r.transferred = true;
    return r;
}

struct HttpUpload::Impl {
    std::string url;
    std::string body;
    std::string error;
};

HttpUpload::HttpUpload() : m_impl(std::make_unique<Impl>()) {}
HttpUpload::~HttpUpload() = default;

bool HttpUpload::Begin(const std::string& url, const std::vector<std::string>&, std::uint64_t, const InternetOptions&,
                       std::size_t, const std::atomic<bool>* abort) {
    if (abort && abort->load()) {
        m_impl->error = "aborted";
        return false;
    }
    m_impl->url = url;
    return true;
}

bool HttpUpload::Write(std::span<const std::uint8_t> bytes) {
    m_impl->body.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return true;
}

std::optional<HttpPostResponse> HttpUpload::Finish() {
    fuzz::FakeAnswer a = NextAnswer();
    TheScript().exchanges.push_back({true, m_impl->url, m_impl->body, a});
    if (!a.transferred) {
        m_impl->error = "scripted failure";
        return std::nullopt;
    }
    return HttpPostResponse{a.status, a.body.size(), std::move(a.body)};
}

const std::string& HttpUpload::Error() const {
    return m_impl->error;
}
std::uint64_t HttpUpload::BytesWritten() const {
    return m_impl->body.size();
}

std::string DetectMimeType(std::span<const std::uint8_t>) {
    return "application/octet-stream";
}

std::optional<Guid> NewGuid() {
    return Guid{0x01234567, 0x89AB, 0xCDEF, {1, 2, 3, 4, 5, 6, 7, 8}};
}

}  // namespace tessarin
