#pragma once
// The form-posting HTTP client family: an ordered parameter list sent as a
// URL-encoded or multipart body, written in pieces so a caller can follow a
// long upload. Failures throw httpclientexceptionA.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/net/Internet.h"

namespace tessarin {

// An exception carrying a message and an error code (the platform's last
// error for failed platform calls, else 0).
class errmsg_exceptionA : public std::exception {
public:
    explicit errmsg_exceptionA(std::string message, unsigned long code = 0)
        : m_message(std::move(message)), m_code(code) {}
    const char* what() const noexcept override { return m_message.c_str(); }
    const std::string& GetErrMsg() const noexcept { return m_message; }
    unsigned long GetErrNo() const noexcept { return m_code; }

private:
    std::string m_message;
    unsigned long m_code;
};

class httpclientexceptionA : public errmsg_exceptionA {
public:
    using errmsg_exceptionA::errmsg_exceptionA;
};

// Parameters in insertion order; a name may repeat.
class CHttpClientMapT {
public:
    struct Entry {
        std::string name;
        std::string value;  // the local path for a file entry
        bool isFile = false;
    };
    void Add(std::string name, std::string value, bool isFile) {
        m_entries.push_back({std::move(name), std::move(value), isFile});
    }
    void Clear() { m_entries.clear(); }
    bool Empty() const { return m_entries.empty(); }
    std::size_t Count() const { return m_entries.size(); }
    std::vector<Entry>::const_iterator begin() const { return m_entries.begin(); }
    std::vector<Entry>::const_iterator end() const { return m_entries.end(); }

private:
    std::vector<Entry> m_entries;
};

// URL and UTF-8 encoding of names and values.
class CHttpEncoderA {
public:
    // ASCII letters and digits stay, a blank becomes "+", every other byte
    // "%XX" with upper-case hex digits.
    static std::string UrlEncode(std::string_view text);
    // The code page's text as UTF-8; unconvertible text passes unchanged.
    static std::string AnsiToUtf8(std::string_view text);
};

// Counters of the active post. Every accessor throws while no post runs.
class CHttpPostStatT {
public:
    std::uint64_t ActualTotalByte() const { return Get("ActualTotalByte", m_totalBytes); }
    std::uint64_t ActualPostedByte() const { return Get("ActualPostedByte", m_postedBytes); }
    std::uint64_t TotalCount() const { return Get("TotalCount", m_totalCount); }
    std::uint64_t PostedCount() const { return Get("PostedCount", m_postedCount); }
    std::uint64_t FileCount() const { return Get("FileCount", m_fileCount); }
    std::uint64_t PostedFileCount() const { return Get("PostedFileCount", m_postedFileCount); }
    std::uint64_t CurrParamTotalByte() const { return Get("CurrParamTotalByte", m_currTotal); }
    std::uint64_t CurrParamPostedByte() const { return Get("CurrParamPostedByte", m_currPosted); }
    std::uint64_t CurrParamRemainByte() const { return Get("CurrParamRemainByte", m_currTotal - m_currPosted); }
    bool CurrParamIsFile() const { return Get("CurrParamIsFile", m_currIsFile) != 0; }
    bool CurrParamIsComplete() const { return Get("CurrParamIsComplete", m_currTotal == m_currPosted) != 0; }
    bool IsActive() const { return m_active; }

private:
    friend class CHttpClientT;
    std::uint64_t Get(const char* name, std::uint64_t value) const;

    bool m_active = false;
    std::uint64_t m_totalBytes = 0, m_postedBytes = 0;
    std::uint64_t m_totalCount = 0, m_postedCount = 0;
    std::uint64_t m_fileCount = 0, m_postedFileCount = 0;
    std::uint64_t m_currTotal = 0, m_currPosted = 0;
    bool m_currIsFile = false;
};

// The answer to a finished post.
class CHttpResponseT {
public:
    CHttpResponseT(long status, std::optional<std::uint64_t> contentLength, std::string body)
        : m_status(status), m_contentLength(contentLength), m_body(std::move(body)) {}
    long GetStatus() const { return m_status; }
    // False when the response carried no Content-Length.
    bool GetContentLength(std::uint64_t& length) const {
        if (!m_contentLength) return false;
        length = *m_contentLength;
        return true;
    }
    // Copies up to size further body bytes; 0 at the end.
    std::size_t ReadContent(std::uint8_t* buffer, std::size_t size);

private:
    long m_status;
    std::optional<std::uint64_t> m_contentLength;
    std::string m_body;
    std::size_t m_readPos = 0;
};

// Thin helpers over the platform's Internet functions.
class CHttpToolA {
public:
    struct UrlParts {
        std::string scheme, host, objectPath;
        int port = 0;
        bool secure = false;
    };
    // Scheme, host, port and object path; an empty object path becomes "/".
    static UrlParts CrackUrl(const std::string& url);
};

class CHttpClientT {
public:
    // Request flags: reload, no cache write, keep connection, resynchronize,
    // hyperlink, no UI, pragma no-cache; and the cached variant.
    static constexpr std::uint32_t kFlagsNoCache = 0x84400F00;
    static constexpr std::uint32_t kFlagsCache = 0x00400E00;
    static constexpr std::uint32_t kFlagPragmaNoCache = 0x00000100;
    static constexpr std::uint32_t kFlagSecure = 0x00800000;
    static constexpr std::size_t kFileChunk = 0xE000;
    static constexpr std::size_t kMaxResponseBody = 1 << 20;
    static constexpr const char* kFixedBoundary = "----QUIRN-FB3B405B7EAE495aB0C0295C54D4E096-";

    using GuidSource = std::function<std::optional<Guid>()>;

    CHttpClientT();
    // For tests: where the boundary's GUID comes from.
    explicit CHttpClientT(const GuidSource& guidSource);
    virtual ~CHttpClientT();
    CHttpClientT(const CHttpClientT&) = delete;
    CHttpClientT& operator=(const CHttpClientT&) = delete;

    void SetInternetSettings(const std::string& agent, std::uint32_t accessType, const std::string& proxy,
                             const std::string& proxyBypass, std::uint32_t flags);
    // The PEM file of CAs trusted besides nothing else; empty: the system's.
    void SetCaFile(const std::string& path) { m_options.caFile = path; }
    // A flag that, once set, makes a running or later transfer fail.
    void SetAbortFlag(const std::atomic<bool>* flag) { m_abort = flag; }
    const InternetOptions& Options() const { return m_options; }
    const std::atomic<bool>* AbortFlag() const { return m_abort; }

    // Names and values as UTF-8 instead of the code page; off by default.
    void SetUseUtf8(bool on) { m_useUtf8 = on; }

    void ClearParam();
    void AddParam(const std::string& name, const std::string& value, bool isFile = false);
    const CHttpClientMapT& Params() const { return m_params; }

    const std::string& Boundary() const { return m_boundary; }
    const std::string& MultipartContentType() const { return m_contentType; }

    void StartUrlEncodedPost(const std::string& url, bool useCache);
    void StartMultipartPost(const std::string& url, bool useCache);
    // Sends up to desired further body bytes; the response once the request
    // has ended, else null.
    std::unique_ptr<CHttpResponseT> ContinuePost(std::size_t desired);
    bool IsPostActive() const { return m_post != nullptr; }
    const CHttpPostStatT& PostStat() const { return m_stat; }

    // The flags and headers of the last post started.
    std::uint32_t LastRequestFlags() const { return m_lastFlags; }
    const std::vector<std::string>& LastRequestHeaders() const { return m_lastHeaders; }

private:
    struct Segment;
    struct PostState;

    void StartPost(const std::string& url, bool useCache, bool multipart);
    void ReleasePost();
    std::string Outgoing(const std::string& text) const;

    InternetOptions m_options;
    const std::atomic<bool>* m_abort = nullptr;
    CHttpClientMapT m_params;
    std::string m_boundary;
    std::string m_contentType;
    bool m_useUtf8 = false;
    std::unique_ptr<PostState> m_post;
    CHttpPostStatT m_stat;
    std::vector<std::uint8_t> m_readBuffer;
    std::uint32_t m_lastFlags = 0;
    std::vector<std::string> m_lastHeaders;
};

}  // namespace tessarin
