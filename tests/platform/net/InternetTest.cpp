#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <thread>

#include "StandInService.h"
#include "platform/net/Internet.h"

namespace tessarin {
namespace {

using test::ScriptedAnswer;
using test::StandInService;

InternetOptions TestOptions() {
    InternetOptions o;
    o.userAgent = "InternetTest";
    o.caFile = DefaultCaFile();
    return o;
}

TEST(MimeDetection, RecognisesContentAndFallsBack) {
    const std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 0x0D, 'I', 'H', 'D',
                                           'R',  0,   0,   0,   1,    0,    0,    0,    1, 8, 2, 0,    0,   0};
    EXPECT_EQ(DetectMimeType(png), "image/png");
    const std::string text = "plain words of a letter\n";
    EXPECT_EQ(DetectMimeType({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}), "text/plain");
    EXPECT_EQ(DetectMimeType({}), "application/octet-stream");
    std::vector<std::uint8_t> noise(256);
    for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<std::uint8_t>((i * 151 + 7) ^ 0xA5);
    EXPECT_EQ(DetectMimeType(noise), "application/octet-stream");
}

TEST(MimeDetection, LooksOnlyAtTheFirst256Bytes) {
    std::vector<std::uint8_t> data(300, 'a');
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::copy(png.begin(), png.end(), data.begin() + 280);
    EXPECT_EQ(DetectMimeType(data), "text/plain");
}

TEST(Guid, FreshVersion4Values) {
    std::set<std::tuple<std::uint32_t, std::uint16_t, std::uint16_t>> seen;
    for (int i = 0; i < 16; ++i) {
        const auto g = NewGuid();
        ASSERT_TRUE(g);
        EXPECT_EQ(g->data3 >> 12, 4);
        EXPECT_EQ(g->data4[0] & 0xC0, 0x80);
        seen.insert({g->data1, g->data2, g->data3});
    }
    EXPECT_EQ(seen.size(), 16u);
}

TEST(HttpGet, StatusAndBodyFromTheService) {
    auto& s = StandInService::Get();
    s.Script({{"connectcheck", {ScriptedAnswer::Text("connect")}}, {"login", {{403, "denied", 0, {}}}}});
    auto r = HttpGet(s.BaseUrl() + "?action_api_common_connectcheck=true", TestOptions(), 1024);
    EXPECT_TRUE(r.transferred) << r.error;
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body, "connect");
    r = HttpGet(s.BaseUrl() + "api/?c=login&ma=a&pw=b", TestOptions(), 1024);
    EXPECT_TRUE(r.transferred);
    EXPECT_EQ(r.status, 403);
    const auto requests = s.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].userAgent, "InternetTest");
    EXPECT_EQ(requests[1].target, "/api/?c=login&ma=a&pw=b");
}

TEST(HttpGet, RefusesAServerItCannotVerify) {
    auto& s = StandInService::Get();
    s.Script({{"connectcheck", {ScriptedAnswer::Text("connect")}}});
    InternetOptions o = TestOptions();
    o.caFile = "/etc/ssl/certs/ca-certificates.crt";  // the system's CAs, not the test CA
    const auto r = HttpGet(s.BaseUrl() + "?action_api_common_connectcheck=true", o, 1024);
    EXPECT_FALSE(r.transferred);
    EXPECT_TRUE(r.body.empty());
}

// The stand-in's second port shows a certificate from the trusted test CA
// that is made out for another host name: only the name check can refuse it.
TEST(HttpGet, RefusesACertificateForAnotherHostName) {
    auto& s = StandInService::Get();
    s.Script({{"connectcheck", {ScriptedAnswer::Text("connect")}}});
    const std::string query = "?action_api_common_connectcheck=true";
    const auto right = HttpGet(s.BaseUrl() + query, TestOptions(), 1024);
    ASSERT_TRUE(right.transferred) << right.error;
    const auto wrong = HttpGet(s.WrongNameBaseUrl() + query, TestOptions(), 1024);
    EXPECT_FALSE(wrong.transferred);
    EXPECT_TRUE(wrong.body.empty());
    EXPECT_NE(wrong.error.find("127.0.0.1"), std::string::npos) << wrong.error;
    // Only the request over the right name reached the service.
    EXPECT_EQ(s.Requests().size(), 1u);
}

TEST(HttpGet, SpeaksOnlyHttps) {
    test::PlainListener listener;
    const std::string port = std::to_string(listener.Port());
    for (const auto& url : {"http://127.0.0.1:" + port + "/?c=login&pw=secret", "ftp://127.0.0.1:" + port + "/",
                            "HTTP://127.0.0.1:" + port + "/"}) {
        const auto r = HttpGet(url, TestOptions(), 1024);
        EXPECT_FALSE(r.transferred) << url;
        EXPECT_EQ(r.status, 0) << url;
    }
    std::vector<std::uint8_t> body(5, 'a');
    HttpUpload up;
    const bool begun = up.Begin("http://127.0.0.1:" + port + "/", {}, body.size(), TestOptions(), 64);
    EXPECT_FALSE(begun && up.Write(body) && up.Finish());
    EXPECT_FALSE(listener.Contacted());
}

TEST(HttpGet, OversizeBodyIsCutOffAndFlagged) {
    auto& s = StandInService::Get();
    s.Script({{"getkey", {ScriptedAnswer::Text(std::string(5000, 'a'))}}});
    const auto r = HttpGet(s.BaseUrl() + "?action_api_key_getkey=true&ma=x", TestOptions(), 4096);
    EXPECT_FALSE(r.transferred);
    EXPECT_TRUE(r.oversize);
    EXPECT_LE(r.body.size(), 4096u);
}

TEST(HttpGet, AbortFlagStopsAHangingRequest) {
    auto& s = StandInService::Get();
    s.Script({{"connectcheck", {{200, "connect", 5.0, {}}}}});
    std::atomic<bool> abort{false};
    std::thread stopper([&abort] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        abort = true;
    });
    const auto start = std::chrono::steady_clock::now();
    const auto r = HttpGet(s.BaseUrl() + "?action_api_common_connectcheck=true", TestOptions(), 1024, &abort);
    stopper.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_TRUE(r.aborted);
    EXPECT_FALSE(r.transferred);
}

TEST(HttpUpload, BodyWrittenInPiecesArrivesWhole) {
    auto& s = StandInService::Get();
    s.Script({{"finish", {ScriptedAnswer::Text("stored")}}});
    std::string body = "action_top_ezsendto2_finish=true&subject=";
    while (body.size() < 200000) body += "abcdefghij";
    HttpUpload up;
    ASSERT_TRUE(
        up.Begin(s.BaseUrl(), {"Content-Type: application/x-www-form-urlencoded"}, body.size(), TestOptions(), 1024));
    const auto* p = reinterpret_cast<const std::uint8_t*>(body.data());
    std::size_t sent = 0;
    for (std::size_t piece : {1u, 7u, 1024u, 65536u}) {
        ASSERT_TRUE(up.Write({p + sent, piece})) << up.Error();
        sent += piece;
        EXPECT_EQ(up.BytesWritten(), sent);
    }
    ASSERT_TRUE(up.Write({p + sent, body.size() - sent})) << up.Error();
    const auto response = up.Finish();
    ASSERT_TRUE(response) << up.Error();
    EXPECT_EQ(response->status, 200);
    EXPECT_EQ(response->body, "stored");
    ASSERT_TRUE(response->contentLength);
    EXPECT_EQ(*response->contentLength, 6u);
    const auto requests = s.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].body, body);
}

TEST(HttpUpload, ShortBodyOrExtraBytesFail) {
    auto& s = StandInService::Get();
    s.Script({{"post", {ScriptedAnswer::Text("x")}}});
    const std::vector<std::uint8_t> bytes(10, 'a');
    {
        HttpUpload up;
        ASSERT_TRUE(up.Begin(s.BaseUrl(), {"Content-Type: application/x-www-form-urlencoded"}, 20, TestOptions(), 64));
        ASSERT_TRUE(up.Write(bytes));
        EXPECT_FALSE(up.Finish());
        EXPECT_FALSE(up.Error().empty());
    }
    {
        HttpUpload up;
        ASSERT_TRUE(up.Begin(s.BaseUrl(), {"Content-Type: application/x-www-form-urlencoded"}, 5, TestOptions(), 64));
        EXPECT_FALSE(up.Write(bytes));
    }
}

}  // namespace
}  // namespace tessarin
