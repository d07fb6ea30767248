#pragma once
// The service's root URL: compiled in, overridable for tests and for users who
// run their own service.

#include <string>

namespace tessarin {

inline constexpr const char* kCompiledServiceUrl = "https://ferrolo.tessarin.example/";

// $TESSARIN_SERVICE_URL when set and non-empty, else the compiled-in URL.
// Always ends in "/".
std::string ServiceBaseUrl();

}  // namespace tessarin
