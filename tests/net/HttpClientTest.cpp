#include <gtest/gtest.h>

#include <regex>

#include "StandInService.h"
#include "net/HttpClient.h"

namespace tessarin {
namespace {

using test::ScriptedAnswer;
using test::StandInService;
using test::TempDir;

std::string Bytes(const std::vector<std::uint8_t>& v) {
    return {v.begin(), v.end()};
}

// Posts the client's parameters and returns the response's status and body.
std::pair<long, std::string> RunPost(CHttpClientT& client, bool multipart, bool useCache = false) {
    const std::string url = StandInService::Get().BaseUrl();
    if (multipart)
        client.StartMultipartPost(url, useCache);
    else
        client.StartUrlEncodedPost(url, useCache);
    std::unique_ptr<CHttpResponseT> response;
    while (!(response = client.ContinuePost(1024))) {
    }
    std::string body;
    std::uint8_t buffer[7];
    std::size_t n = 0;
    while ((n = response->ReadContent(buffer, sizeof buffer)) > 0) body.append(reinterpret_cast<char*>(buffer), n);
    return {response->GetStatus(), body};
}

TEST(HttpEncoder, UrlEncoding) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"abcXYZ019", "abcXYZ019"},
        {"a b&c", "a+b%26c"},
        {"+@", "%2B%40"},
        {"-_.~*/", "%2D%5F%2E%7E%2A%2F"},
        {"\x82\xa0", "%82%A0"},  // a Shift-JIS character: two percent triples
        {std::string("\0\xff", 2), "%00%FF"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(CHttpEncoderA::UrlEncode(c.in), c.out) << c.in;
}

TEST(HttpClientBoundary, FromTheGuidLayout) {
    Guid g;
    g.data1 = 0x0123abcd;
    g.data2 = 0x00ef;
    g.data3 = 0x4a5b;
    g.data4 = {0x80, 0x01, 0x02, 0x0a, 0xff, 0x10, 0x00, 0x7c};
    CHttpClientT client([g] { return std::optional<Guid>(g); });
    EXPECT_EQ(client.Boundary(), "----ZOLMA-0123abcd00ef4a5b8001020aff10007c-");
    EXPECT_EQ(client.MultipartContentType(),
              "multipart/form-data; boundary=----ZOLMA-0123abcd00ef4a5b8001020aff10007c-");
}

TEST(HttpClientBoundary, FreshPerClientAndFixedWithoutGuid) {
    CHttpClientT a, b;
    const std::regex shape("----ZOLMA-[0-9a-f]{32}-");
    EXPECT_TRUE(std::regex_match(a.Boundary(), shape)) << a.Boundary();
    EXPECT_NE(a.Boundary(), b.Boundary());
    CHttpClientT fixed([] { return std::optional<Guid>(); });
    EXPECT_EQ(fixed.Boundary(), "----QUIRN-FB3B405B7EAE495aB0C0295C54D4E096-");
    EXPECT_EQ(fixed.MultipartContentType(),
              "multipart/form-data; boundary=----QUIRN-FB3B405B7EAE495aB0C0295C54D4E096-");
}

class HttpClientPost : public ::testing::Test {
protected:
    void SetUp() override {
        StandInService::Get().Script(
            {{"post", {ScriptedAnswer::Text("thanks")}}, {"myfolder", {{201, "made", 0, {}}}}});
    }
    TempDir m_dir;
};

TEST_F(HttpClientPost, MultipartBodyByteForByteAndAsParsed) {
    const auto textFile = m_dir / "note.txt";
    test::WriteFileBytes(textFile, {'h', 'e', 'l', 'l', 'o', '\n'});
    const auto pngFile = m_dir / "pic.png";
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 0x0D, 'I', 'H', 'D',
                                     'R',  0,   0,   0,   1,    0,    0,    0,    1, 8, 2, 0,    0,   0};
    png.resize(70000, 0xAB);  // longer than one file piece
    test::WriteFileBytes(pngFile, png);

    CHttpClientT client;
    client.AddParam("action_api_myfolder_postfile", "true");
    client.AddParam("ma", "a%2Bb%40example.com");
    client.AddParam("tag[]", "one");
    client.AddParam("tag[]", "two words");
    client.AddParam("upfile[]", textFile.string(), true);
    client.AddParam("upfile[]", pngFile.string(), true);
    const auto [status, body] = RunPost(client, true);
    EXPECT_EQ(status, 201);
    EXPECT_EQ(body, "made");

    const auto requests = StandInService::Get().Requests();
    ASSERT_EQ(requests.size(), 1u);
    const auto& r = requests[0];
    const std::string b = client.Boundary();
    const std::string expected =
        "--" + b + "\r\nContent-Disposition: form-data; name=\"action_api_myfolder_postfile\"\r\n\r\ntrue\r\n" + "--" +
        b + "\r\nContent-Disposition: form-data; name=\"ma\"\r\n\r\na%2Bb%40example.com\r\n" + "--" + b +
        "\r\nContent-Disposition: form-data; name=\"tag[]\"\r\n\r\none\r\n" + "--" + b +
        "\r\nContent-Disposition: form-data; name=\"tag[]\"\r\n\r\ntwo words\r\n" + "--" + b +
        "\r\nContent-Disposition: form-data; name=\"upfile[]\"; filename=\"" + textFile.string() +
        "\"\r\nContent-Type: text/plain\r\n\r\nhello\n\r\n" + "--" + b +
        "\r\nContent-Disposition: form-data; name=\"upfile[]\"; filename=\"" + pngFile.string() +
        "\"\r\nContent-Type: image/png\r\n\r\n" + Bytes(png) + "\r\n" + "--" + b + "--\r\n";
    EXPECT_TRUE(r.body == expected) << "the multipart body differs";
    EXPECT_EQ(r.contentType, "multipart/form-data; boundary=" + b);
    EXPECT_EQ(r.cacheControl, "no-cache");

    // What a real multipart parser makes of it.
    EXPECT_EQ(r.parseError, "");
    ASSERT_EQ(r.fields.size(), 6u);
    EXPECT_EQ(r.FieldNames(), (std::vector<std::string>{"action_api_myfolder_postfile", "ma", "tag[]", "tag[]",
                                                        "upfile[]", "upfile[]"}));
    EXPECT_EQ(r.Values("tag[]"), (std::vector<std::string>{"one", "two words"}));
    EXPECT_EQ(r.fields[1].value, "a%2Bb%40example.com");
    EXPECT_EQ(r.fields[4].fileName, textFile.string());
    EXPECT_EQ(r.fields[4].value, "hello\n");
    EXPECT_EQ(r.fields[5].contentType, "image/png");
    EXPECT_TRUE(r.fields[5].value == Bytes(png));
    EXPECT_EQ(client.LastRequestFlags(), 0x84400F00u | 0x00800000u);
    EXPECT_EQ(client.LastRequestHeaders(),
              (std::vector<std::string>{"Cache-Control: no-cache\r\n",
                                        "Content-Type: multipart/form-data; boundary=" + b + "\r\n"}));
}

TEST_F(HttpClientPost, EmptyMultipartSendsOnlyTheClosingBoundary) {
    CHttpClientT client;
    (void)RunPost(client, true);
    const auto r = StandInService::Get().Requests();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].body, "\r\n--" + client.Boundary() + "--\r\n");
}

TEST_F(HttpClientPost, UrlEncodedBodyByteForByte) {
    CHttpClientT client;
    client.AddParam("action_top_ezsendto2_finish", "true");
    client.AddParam("sendfrom_adrs", "a%2Bb%40example.com");
    client.AddParam("sendto_adrs[]", "x y&z");
    client.AddParam("sendto_adrs[]", "\x82\xa0");
    const auto [status, body] = RunPost(client, false, true);
    EXPECT_EQ(status, 404);  // no answer scripted for this route
    const auto r = StandInService::Get().Requests();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].body,
              "action%5Ftop%5Fezsendto2%5Ffinish=true&sendfrom%5Fadrs=a%252Bb%2540example%2Ecom"
              "&sendto%5Fadrs%5B%5D=x+y%26z&sendto%5Fadrs%5B%5D=%82%A0");
    EXPECT_EQ(r[0].contentType, "application/x-www-form-urlencoded");
    EXPECT_EQ(r[0].parseError, "");
    EXPECT_EQ(r[0].Values("sendto_adrs[]"), (std::vector<std::string>{"x y&z", "\x82\xa0"}));
    EXPECT_EQ(r[0].Values("sendfrom_adrs"), (std::vector<std::string>{"a%2Bb%40example.com"}));
    // With cache use: no pragma, so no Cache-Control header.
    EXPECT_EQ(client.LastRequestFlags(), 0x00400E00u | 0x00800000u);
    EXPECT_EQ(r[0].cacheControl, "");
    EXPECT_EQ(client.LastRequestHeaders(),
              (std::vector<std::string>{"Content-Type: application/x-www-form-urlencoded\r\n"}));
}

TEST_F(HttpClientPost, CountersFollowThePost) {
    const auto file = m_dir / "data.bin";
    test::WriteFileBytes(file, std::vector<std::uint8_t>(3000, 0));
    CHttpClientT client;
    client.AddParam("action_api_myfolder_postfile", "true");
    client.AddParam("upfile[]", file.string(), true);
    EXPECT_THROW((void)client.PostStat().TotalCount(), httpclientexceptionA);
    client.StartMultipartPost(StandInService::Get().BaseUrl(), false);
    const auto& stat = client.PostStat();
    EXPECT_EQ(stat.TotalCount(), 2u);
    EXPECT_EQ(stat.FileCount(), 1u);
    const std::uint64_t total = stat.ActualTotalByte();
    std::uint64_t last = 0;
    std::unique_ptr<CHttpResponseT> response;
    bool sawFileEntry = false;
    while (!(response = client.ContinuePost(1024))) {
        EXPECT_LE(stat.ActualPostedByte() - last, 1024u);
        EXPECT_GT(stat.ActualPostedByte(), last);
        last = stat.ActualPostedByte();
        EXPECT_EQ(stat.CurrParamRemainByte(), stat.CurrParamTotalByte() - stat.CurrParamPostedByte());
        if (stat.CurrParamIsFile()) {
            sawFileEntry = true;
            EXPECT_EQ(stat.PostedCount(), 1u);
        }
    }
    EXPECT_TRUE(sawFileEntry);
    EXPECT_EQ(last + 1024 >= total, true);
    EXPECT_FALSE(client.IsPostActive());
    try {
        (void)stat.TotalCount();
        FAIL();
    } catch (const httpclientexceptionA& e) {
        EXPECT_STREQ(e.what(), "CHttpPostStatT::TotalCount: The post context is not active.");
    }
}

TEST_F(HttpClientPost, MisuseThrowsTheFamilysMessages) {
    CHttpClientT client;
    try {
        (void)client.ContinuePost(1024);
        FAIL();
    } catch (const httpclientexceptionA& e) {
        EXPECT_STREQ(e.what(), "CHttpClientT::_ProceedPostContext: m_hRequest can not be NULL.");
    }
    client.AddParam("a", "b");
    client.StartMultipartPost(StandInService::Get().BaseUrl(), false);
    try {
        client.AddParam("c", "d");
        FAIL();
    } catch (const httpclientexceptionA& e) {
        EXPECT_STREQ(e.what(),
                     "CHttpClientT::AddParam: It is not allowed to call this method if the POST context is active.");
    }
    try {
        client.ClearParam();
        FAIL();
    } catch (const httpclientexceptionA& e) {
        EXPECT_STREQ(e.what(),
                     "CHttpClientT::ClearParam: It is not allowed to call this method if the POST context is active.");
    }
    try {
        (void)client.ContinuePost(0);
        FAIL();
    } catch (const httpclientexceptionA& e) {
        EXPECT_STREQ(e.what(), "CHttpClientT::_ProceedUploadContext: nDesired can not be zero.");
    }
    // The failed call released the post: the list can change again.
    EXPECT_FALSE(client.IsPostActive());
    client.ClearParam();

    CHttpResponseT response(200, std::nullopt, "x");
    std::uint64_t length = 7;
    EXPECT_FALSE(response.GetContentLength(length));
    try {
        (void)response.ReadContent(nullptr, 1);
        FAIL();
    } catch (const httpclientexceptionA& e) {
        EXPECT_STREQ(e.what(), "CHttpResponseT::ReadContent: pbyBuff can not be NULL.");
    }
}

TEST_F(HttpClientPost, BadFilesFailAndReleaseThePost) {
    CHttpClientT client;
    client.AddParam("upfile[]", (m_dir / "missing.bin").string(), true);
    EXPECT_THROW(client.StartMultipartPost(StandInService::Get().BaseUrl(), false), httpclientexceptionA);
    EXPECT_FALSE(client.IsPostActive());

    // A quote in a file name would end the header field early.
    const auto quoted = m_dir / "a\"b.txt";
    test::WriteFileBytes(quoted, {'x'});
    client.ClearParam();
    client.AddParam("upfile[]", quoted.string(), true);
    EXPECT_THROW(client.StartMultipartPost(StandInService::Get().BaseUrl(), false), httpclientexceptionA);

    // A file that shrinks while it is sent.
    const auto shrinking = m_dir / "shrinking.bin";
    test::WriteFileBytes(shrinking, std::vector<std::uint8_t>(5000, 1));
    client.ClearParam();
    client.AddParam("upfile[]", shrinking.string(), true);
    client.StartMultipartPost(StandInService::Get().BaseUrl(), false);
    (void)client.ContinuePost(1024);
    std::filesystem::resize_file(shrinking, 100);
    EXPECT_THROW(
        {
            while (!client.ContinuePost(1024)) {
            }
        },
        httpclientexceptionA);
    EXPECT_FALSE(client.IsPostActive());
}

TEST(HttpToolA, CrackUrl) {
    auto p = CHttpToolA::CrackUrl("HTTPS://Example.test:8443");
    EXPECT_TRUE(p.secure);
    EXPECT_EQ(p.host, "Example.test");
    EXPECT_EQ(p.port, 8443);
    EXPECT_EQ(p.objectPath, "/");
    p = CHttpToolA::CrackUrl("http://h/x/?a=1");
    EXPECT_FALSE(p.secure);
    EXPECT_EQ(p.port, 80);
    EXPECT_EQ(p.objectPath, "/x/?a=1");
    EXPECT_THROW(CHttpToolA::CrackUrl("nothing"), httpclientexceptionA);
    EXPECT_THROW(CHttpToolA::CrackUrl("https://h:99x/"), httpclientexceptionA);
}

}  // namespace
}  // namespace tessarin
