#include "net/HttpClient.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/Cp932.h"
#include "platform/FormEscape.h"

namespace tessarin {
namespace {

constexpr const char* kCrLf = "\r\n";

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// A quote or a line break would let a name end its header line early.
bool UnsafeInHeader(std::string_view s) {
    return s.find_first_of("\"\r\n") != std::string_view::npos;
}

}  // namespace

std::string CHttpEncoderA::UrlEncode(std::string_view text) {
    return FormEscape(text, FormBlanks::SpaceOnly);
}

std::string CHttpEncoderA::AnsiToUtf8(std::string_view text) {
    auto utf8 = Cp932ToUtf8(text);
    return utf8 ? *utf8 : std::string(text);
}

std::uint64_t CHttpPostStatT::Get(const char* name, std::uint64_t value) const {
    if (!m_active)
        throw httpclientexceptionA(std::string("CHttpPostStatT::") + name + ": The post context is not active.");
    return value;
}

std::size_t CHttpResponseT::ReadContent(std::uint8_t* buffer, std::size_t size) {
    if (!buffer) throw httpclientexceptionA("CHttpResponseT::ReadContent: pbyBuff can not be NULL.");
    const std::size_t n = std::min(size, m_body.size() - m_readPos);
    std::memcpy(buffer, m_body.data() + m_readPos, n);
    m_readPos += n;
    return n;
}

CHttpToolA::UrlParts CHttpToolA::CrackUrl(const std::string& url) {
    UrlParts p;
    const auto schemeEnd = url.find("://");
    if (schemeEnd == std::string::npos) throw httpclientexceptionA("CHttpToolA::CrackUrl: The URL is not valid.");
    p.scheme = url.substr(0, schemeEnd);
    std::string upper(url.substr(0, schemeEnd + 3));
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c); });
    p.secure = upper == "HTTPS://";
    const std::size_t hostStart = schemeEnd + 3;
    const std::size_t pathStart = url.find_first_of("/?#", hostStart);
    std::string authority =
        url.substr(hostStart, pathStart == std::string::npos ? std::string::npos : pathStart - hostStart);
    p.objectPath = pathStart == std::string::npos ? std::string() : url.substr(pathStart);
    if (p.objectPath.empty()) p.objectPath = "/";
    p.port = p.secure ? 443 : 80;
    const std::size_t colon = authority.rfind(':');
    if (colon != std::string::npos && authority.find(']', colon) == std::string::npos) {
        const std::string port = authority.substr(colon + 1);
        if (port.empty() || port.size() > 5 ||
            !std::all_of(port.begin(), port.end(), [](unsigned char c) { return c >= '0' && c <= '9'; }))
            throw httpclientexceptionA("CHttpToolA::CrackUrl: The port is not valid.");
        p.port = std::stoi(port);
        authority.resize(colon);
    }
    if (authority.empty()) throw httpclientexceptionA("CHttpToolA::CrackUrl: The host name is empty.");
    p.host = authority;
    return p;
}

// One piece of the body: literal bytes or the contents of an open file.
struct CHttpClientT::Segment {
    std::string bytes;
    FilePtr file;
    std::uint64_t fileSize = 0;
    std::uint64_t Size() const { return file ? fileSize : bytes.size(); }
};

struct CHttpClientT::PostState {
    HttpUpload upload;
    std::vector<Segment> segments;
    std::size_t segment = 0;
    std::uint64_t segmentPos = 0;
    // Body extents of the entries, for the counters.
    struct Extent {
        std::uint64_t begin, end;
        bool isFile;
    };
    std::vector<Extent> extents;
    const char* context = "";  // the name failures carry
};

CHttpClientT::CHttpClientT() : CHttpClientT(GuidSource(&NewGuid)) {}

CHttpClientT::CHttpClientT(const GuidSource& guidSource) {
    const std::optional<Guid> g = guidSource ? guidSource() : std::nullopt;
    if (g) {
        char text[64];
        std::snprintf(text, sizeof text, "----ZOLMA-%.08x%.04x%.04x%.02x%.02x%.02x%.02x%.02x%.02x%.02x%.02x-", g->data1,
                      g->data2, g->data3, g->data4[0], g->data4[1], g->data4[2], g->data4[3], g->data4[4], g->data4[5],
                      g->data4[6], g->data4[7]);
        m_boundary = text;
    } else {
        m_boundary = kFixedBoundary;
    }
    m_contentType = "multipart/form-data; boundary=" + m_boundary;
    m_options.caFile = DefaultCaFile();
}

CHttpClientT::~CHttpClientT() = default;

void CHttpClientT::SetInternetSettings(const std::string& agent, std::uint32_t accessType, const std::string& proxy,
                                       const std::string& proxyBypass, std::uint32_t /*flags*/) {
    m_options.userAgent = agent;
    // Access type 3 names a proxy; every other type takes the system's settings.
    if (accessType == 3) {
        m_options.proxy = proxy;
        m_options.proxyBypass = proxyBypass;
    } else {
        m_options.proxy.clear();
        m_options.proxyBypass.clear();
    }
}

void CHttpClientT::ClearParam() {
    if (m_post)
        throw httpclientexceptionA(
            "CHttpClientT::ClearParam: It is not allowed to call this method if the POST context is active.");
    m_params.Clear();
}

void CHttpClientT::AddParam(const std::string& name, const std::string& value, bool isFile) {
    if (m_post)
        throw httpclientexceptionA(
            "CHttpClientT::AddParam: It is not allowed to call this method if the POST context is active.");
    m_params.Add(name, value, isFile);
}

std::string CHttpClientT::Outgoing(const std::string& text) const {
    return m_useUtf8 ? CHttpEncoderA::AnsiToUtf8(text) : text;
}

void CHttpClientT::StartUrlEncodedPost(const std::string& url, bool useCache) {
    StartPost(url, useCache, false);
}
void CHttpClientT::StartMultipartPost(const std::string& url, bool useCache) {
    StartPost(url, useCache, true);
}

void CHttpClientT::StartPost(const std::string& url, bool useCache, bool multipart) {
    const char* context = multipart ? "CHttpClientT::_StartUploadContext" : "CHttpClientT::_StartPostContext";
    if (m_post) throw httpclientexceptionA(std::string(context) + ": The POST context is already active.");
    auto post = std::make_unique<PostState>();
    post->context = multipart ? "CHttpClientT::_ProceedUploadContext" : "CHttpClientT::_ProceedPostContext";

    const CHttpToolA::UrlParts parts = CHttpToolA::CrackUrl(url);
    std::uint32_t flags = useCache ? kFlagsCache : kFlagsNoCache;
    if (parts.secure) flags |= kFlagSecure;
    std::vector<std::string> headers;
    if (flags & kFlagPragmaNoCache) headers.push_back("Cache-Control: no-cache");
    headers.push_back(std::string("Content-Type: ") +
                      (multipart ? m_contentType : std::string("application/x-www-form-urlencoded")));

    std::uint64_t total = 0;
    std::uint64_t files = 0;
    auto addBytes = [&post, &total](std::string bytes) {
        total += bytes.size();
        Segment s;
        s.bytes = std::move(bytes);
        post->segments.push_back(std::move(s));
    };

    if (!multipart) {
        std::string body;
        bool first = true;
        for (const auto& e : m_params) {
            const std::uint64_t begin = body.size();
            if (!first) body += '&';
            first = false;
            body += CHttpEncoderA::UrlEncode(Outgoing(e.name));
            body += '=';
            body += CHttpEncoderA::UrlEncode(Outgoing(e.value));
            post->extents.push_back({begin, body.size(), false});
        }
        addBytes(std::move(body));
    } else {
        for (const auto& e : m_params) {
            const std::uint64_t begin = total;
            const std::string name = Outgoing(e.name);
            if (UnsafeInHeader(name))
                throw httpclientexceptionA(std::string(context) + ": A parameter name holds a quote or a line break.");
            std::string head = "--" + m_boundary + kCrLf + "Content-Disposition: form-data; name=\"" + name + "\"";
            if (!e.isFile) {
                addBytes(head + kCrLf + kCrLf + Outgoing(e.value) + kCrLf);
            } else {
                if (e.value.empty()) throw httpclientexceptionA("CHttpToolA::OpenFile: szFilePath can not be NULL.");
                // The file name goes out in the code page, as the service expects.
                const std::optional<std::string> wireName = Utf8ToCp932(e.value);
                const std::string& fileName = wireName ? *wireName : e.value;
                if (UnsafeInHeader(fileName))
                    throw httpclientexceptionA(std::string(context) + ": A file name holds a quote or a line break.");
                FilePtr file(std::fopen(e.value.c_str(), "rb"));
                if (!file)
                    throw httpclientexceptionA("CHttpToolA::OpenFile: " + std::string(std::strerror(errno)),
                                               static_cast<unsigned long>(errno));
                struct stat st {};
                if (fstat(fileno(file.get()), &st) != 0 || !S_ISREG(st.st_mode))
                    throw httpclientexceptionA("CHttpToolA::OpenFile: The path is not a regular file.");
                std::uint8_t head256[256];
                const std::size_t got = std::fread(head256, 1, sizeof head256, file.get());
                if (std::ferror(file.get()) || std::fseek(file.get(), 0, SEEK_SET) != 0)
                    throw httpclientexceptionA("CHttpToolA::ReadFile: The file cannot be read.",
                                               static_cast<unsigned long>(errno));
                const std::string mime = DetectMimeType({head256, got});
                head += "; filename=\"" + fileName + "\"" + kCrLf + "Content-Type: " + mime + kCrLf + kCrLf;
                addBytes(std::move(head));
                Segment s;
                s.file = std::move(file);
                s.fileSize = static_cast<std::uint64_t>(st.st_size);
                total += s.fileSize;
                post->segments.push_back(std::move(s));
                addBytes(kCrLf);
                ++files;
            }
            post->extents.push_back({begin, total, e.isFile});
        }
        addBytes((m_params.Empty() ? std::string(kCrLf) : std::string()) + "--" + m_boundary + "--" + kCrLf);
    }

    if (!post->upload.Begin(url, headers, total, m_options, kMaxResponseBody, m_abort))
        throw httpclientexceptionA(std::string(context) + ": " + post->upload.Error());

    m_lastFlags = flags;
    m_lastHeaders.clear();
    for (const auto& h : headers) m_lastHeaders.push_back(h + kCrLf);
    m_stat = CHttpPostStatT();
    m_stat.m_active = true;
    m_stat.m_totalBytes = total;
    m_stat.m_totalCount = m_params.Count();
    m_stat.m_fileCount = files;
    if (!post->extents.empty()) {
        m_stat.m_currTotal = post->extents[0].end - post->extents[0].begin;
        m_stat.m_currIsFile = post->extents[0].isFile;
    }
    m_post = std::move(post);
}

void CHttpClientT::ReleasePost() {
    m_post.reset();  // closes the files and the request
    m_stat.m_active = false;
}

std::unique_ptr<CHttpResponseT> CHttpClientT::ContinuePost(std::size_t desired) {
    if (!m_post) throw httpclientexceptionA("CHttpClientT::_ProceedPostContext: m_hRequest can not be NULL.");
    PostState& post = *m_post;
    const std::string context = post.context;
    try {
        if (desired == 0) throw httpclientexceptionA(context + ": nDesired can not be zero.");
        m_readBuffer.clear();
        while (m_readBuffer.size() < desired && post.segment < post.segments.size()) {
            Segment& s = post.segments[post.segment];
            const std::uint64_t left = s.Size() - post.segmentPos;
            const std::size_t take =
                static_cast<std::size_t>(std::min<std::uint64_t>(left, desired - m_readBuffer.size()));
            if (s.file) {
                const std::size_t piece = std::min(take, kFileChunk);
                const std::size_t at = m_readBuffer.size();
                m_readBuffer.resize(at + piece);
                const std::size_t got = std::fread(m_readBuffer.data() + at, 1, piece, s.file.get());
                if (got != piece)
                    throw httpclientexceptionA(
                        context + (std::ferror(s.file.get()) ? ": The file cannot be read."
                                                             : ": The file is shorter than when the post began."),
                        static_cast<unsigned long>(errno));
                post.segmentPos += piece;
            } else {
                const auto* p = reinterpret_cast<const std::uint8_t*>(s.bytes.data()) + post.segmentPos;
                m_readBuffer.insert(m_readBuffer.end(), p, p + take);
                post.segmentPos += take;
            }
            if (post.segmentPos == s.Size()) {
                s.file.reset();
                ++post.segment;
                post.segmentPos = 0;
            }
        }
        if (!m_readBuffer.empty()) {
            if (!post.upload.Write(m_readBuffer)) throw httpclientexceptionA(context + ": " + post.upload.Error());
            m_stat.m_postedBytes += m_readBuffer.size();
            const std::uint64_t posted = m_stat.m_postedBytes;
            m_stat.m_postedCount = 0;
            m_stat.m_postedFileCount = 0;
            const PostState::Extent* current = nullptr;
            for (const auto& x : post.extents) {
                if (x.end <= posted) {
                    ++m_stat.m_postedCount;
                    if (x.isFile) ++m_stat.m_postedFileCount;
                }
                if (!current && posted < x.end) current = &x;
            }
            if (!current && !post.extents.empty()) current = &post.extents.back();
            if (current) {
                m_stat.m_currTotal = current->end - current->begin;
                m_stat.m_currPosted = std::min(posted, current->end) - std::min(posted, current->begin);
                m_stat.m_currIsFile = current->isFile;
            }
        }
        if (post.segment < post.segments.size()) return nullptr;
        std::optional<HttpPostResponse> r = post.upload.Finish();
        if (!r) throw httpclientexceptionA(context + ": " + post.upload.Error());
        ReleasePost();
        return std::make_unique<CHttpResponseT>(r->status, r->contentLength, std::move(r->body));
    } catch (...) {
        ReleasePost();
        throw;
    }
}

}  // namespace tessarin
