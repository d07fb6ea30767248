#pragma once
// The service's root URL: compiled in, overridable for tests and for users who
// run their own service. Only https URLs are ever talked to.

#include <string>
#include <string_view>

namespace tessarin {

inline constexpr const char* kCompiledServiceUrl = "https://ferrolo.tessarin.example/";

// $TESSARIN_SERVICE_URL when set and non-empty, else the compiled-in URL.
// Always ends in "/". An override is returned as given even when it is not
// https; callers check it with IsHttpsUrl before sending anything.
std::string ServiceBaseUrl();

// Whether $TESSARIN_SERVICE_URL replaces the compiled-in URL.
bool ServiceUrlOverridden();

// True for "https://" (any case) followed by a host.
bool IsHttpsUrl(std::string_view url);

// The PEM file of CAs to trust instead of the system's: $TESSARIN_CA_FILE, but
// only while $TESSARIN_SERVICE_URL points the client at another service; the
// compiled-in service is always checked against the system's roots. Empty for
// the system's trust store.
std::string ServiceCaFile();

}  // namespace tessarin
