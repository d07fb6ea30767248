#include "adviewer/AdSource.h"

#include "platform/ServiceUrl.h"

namespace tessarin::adviewer {
namespace {

// The probe gives up on a service that does not answer the connection in
// this time; the offline picture is shown instead.
constexpr long kProbeConnectSeconds = 10;

bool AnswersOk(const std::string& url, const std::atomic<bool>* abort) {
    if (abort && abort->load()) return false;
    const auto status = HttpGetStatus(url, ViewerInternetOptions(), abort);
    return status && *status == 200;
}

}  // namespace

std::string ViewerUserAgent() {
    return std::string(kViewerAgentName) + " - build20081030-00";
}

InternetOptions ViewerInternetOptions() {
    InternetOptions options;
    options.userAgent = ViewerUserAgent();
    options.caFile = DefaultCaFile();
    options.connectTimeoutSeconds = kProbeConnectSeconds;
    return options;
}

std::string AdAddress(const char* path) {
    return ServiceBaseUrl() + path;
}

AdSource ChooseAdSource(const std::atomic<bool>* abort) {
    if (const auto first = AdAddress(kFirstAdPath); AnswersOk(first, abort))
        return {AdSource::Kind::FirstAddress, first};
    if (const auto second = AdAddress(kSecondAdPath); AnswersOk(second, abort))
        return {AdSource::Kind::SecondAddress, second};
    return {};
}

}  // namespace tessarin::adviewer
