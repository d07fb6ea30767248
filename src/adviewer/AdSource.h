#pragma once
// Where the advertisement comes from: the service's two advertisement
// addresses, probed in turn for their status alone, else the embedded
// picture.

#include <atomic>
#include <string>

#include "platform/net/Internet.h"

namespace tessarin::adviewer {

inline constexpr const char* kViewerAgentName = "Tessarin Viewer";
inline constexpr const char* kFirstAdPath = "ad/?r=1&p=0";
inline constexpr const char* kSecondAdPath = "ad/?r=0&p=0";
// The advertisement itself is small; anything longer is not shown.
inline constexpr std::size_t kMaxAdBytes = 4 * 1024 * 1024;

// "Tessarin Viewer - build20081030-00".
std::string ViewerUserAgent();
// The viewer's requests: its agent, the environment's proxy settings, the
// service's CA file when one is configured.
InternetOptions ViewerInternetOptions();

// The service's base URL with path appended.
std::string AdAddress(const char* path);

struct AdSource {
    enum class Kind { FirstAddress, SecondAddress, Offline };
    Kind kind = Kind::Offline;
    std::string url;  // empty when offline

    // The online flag: set only when the movie comes from the first address.
    bool Online() const { return kind == Kind::FirstAddress; }
};

// Probes the first address, then the second; the first that answers 200 is
// the source. Any failure, or a set abort flag, falls through to offline.
AdSource ChooseAdSource(const std::atomic<bool>* abort = nullptr);

}  // namespace tessarin::adviewer
