#include <gtest/gtest.h>

#include "StandInService.h"
#include "platform/ServiceUrl.h"
#include "platform/net/Internet.h"

namespace tessarin {
namespace {

using test::ScopedEnv;

TEST(ServiceUrl, OnlyHttpsUrlsWithAHost) {
    const struct {
        const char* url;
        bool https;
    } cases[] = {
        {"https://ferrolo.example/", true},
        {"HTTPS://ferrolo.example:8443/root/", true},
        {"https://127.0.0.1:4443/", true},
        {"https://[::1]:4443/", true},
        {"http://ferrolo.example/", false},
        {"ftp://ferrolo.example/", false},
        {"https:/ferrolo.example/", false},
        {"https://", false},
        {"https:///path", false},
        {"https://@evil.example/", false},
        {" https://ferrolo.example/", false},
        {"ferrolo.example", false},
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsHttpsUrl(c.url), c.https) << c.url;
}

TEST(ServiceUrl, OverrideEndsInASlash) {
    {
        ScopedEnv url("TESSARIN_SERVICE_URL", std::nullopt);
        EXPECT_EQ(ServiceBaseUrl(), "https://ferrolo.tessarin.example/");
        EXPECT_FALSE(ServiceUrlOverridden());
    }
    ScopedEnv url("TESSARIN_SERVICE_URL", "https://own.example/svc");
    EXPECT_EQ(ServiceBaseUrl(), "https://own.example/svc/");
    EXPECT_TRUE(ServiceUrlOverridden());
}

// Trusting other CAs is for another service only: the compiled-in service is
// always checked against the system's roots.
TEST(ServiceUrl, CaFileAppliesOnlyWithAServiceUrlOverride) {
    ScopedEnv ca("TESSARIN_CA_FILE", "/tmp/own-ca.pem");
    {
        ScopedEnv url("TESSARIN_SERVICE_URL", std::nullopt);
        EXPECT_EQ(ServiceCaFile(), "");
        EXPECT_EQ(DefaultCaFile(), "");
    }
    {
        ScopedEnv url("TESSARIN_SERVICE_URL", "");
        EXPECT_EQ(DefaultCaFile(), "");
    }
    ScopedEnv url("TESSARIN_SERVICE_URL", "https://own.example/");
    EXPECT_EQ(ServiceCaFile(), "/tmp/own-ca.pem");
    EXPECT_EQ(DefaultCaFile(), "/tmp/own-ca.pem");
}

}  // namespace
}  // namespace tessarin
