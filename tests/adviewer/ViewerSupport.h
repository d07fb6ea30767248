#pragma once
// What the viewer's tests share: the stand-in with the advertisement routes,
// a fresh data folder per test, a service that is not there, test files.

#include <QByteArray>
#include <QString>
#include <filesystem>
#include <string>

#include "Fixtures.h"
#include "StandInService.h"

namespace tessarin::test {

// The stand-in service answering "ad1" (ad/?r=1&p=0) and "ad0" (ad/?r=0&p=0).
StandInService& AdService();

// Test pictures in tests/adviewer/data and the viewer's own assets.
std::filesystem::path DataFile(const std::string& name);
std::filesystem::path AssetFile(const std::string& name);
std::string FileText(const std::filesystem::path& path);

// TESSARIN_HOME pointing at a fresh folder for the object's life.
class ScopedHome {
public:
    ScopedHome();
    ~ScopedHome();
    ScopedHome(const ScopedHome&) = delete;
    ScopedHome& operator=(const ScopedHome&) = delete;
    const std::filesystem::path& Path() const { return m_dir.Path(); }

private:
    TempDir m_dir;
};

// TESSARIN_SERVICE_URL pointing at a loopback port nobody listens on.
class ScopedNoService {
public:
    ScopedNoService();
    ~ScopedNoService();
    ScopedNoService(const ScopedNoService&) = delete;
    ScopedNoService& operator=(const ScopedNoService&) = delete;

private:
    std::string m_previous;
};

}  // namespace tessarin::test
