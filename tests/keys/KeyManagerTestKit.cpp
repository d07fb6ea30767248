#include "KeyManagerTestKit.h"

#include <ctime>

#include "keys/KeyFiles.h"

namespace tessarin::test {

namespace fs = std::filesystem;

TestUser::TestUser(fs::path r) : root(std::move(r)) {
    fs::create_directories(root);
    host.now = LocalTimeT(2026, 12, 10, 9, 30);
}

KeySetCreationResult TestUser::AdoptFixtureKeySet(const std::string& fixtureName, const std::string& ownerName,
                                                  const std::string& email) {
    const std::string pub = fixtureName + ".vpub";
    const std::string priv = fixtureName + "Private.vpri";
    CopyFile(FixturePath("cryptoapi/" + pub), root / pub);
    CopyFile(FixturePath("cryptoapi/" + priv), root / priv);
    CKeySetCreation creation(keys, dialog, host);
    return creation.FinishKeySet(root, fixtureName, pub, priv, {ownerName, email});
}

KeySetCreationResult TestUser::CreateKeySet(const std::string& ownerName, const std::string& email) {
    CKeySetCreation creation(keys, dialog, host);
    bool asked = false;
    return creation.CreateFromMainWindow(root, [&]() -> std::optional<KeySetIdentity> {
        if (asked) return std::nullopt;
        asked = true;
        return KeySetIdentity{ownerName, email};
    });
}

fs::path TestUser::Authenticate(const fs::path& key, AuthLimitChoice choice) {
    CPublicKeyAuthenticator auth(keys, dialog, host);
    auth.SetLimitDialog([&]() -> std::optional<AuthLimit> { return ComputeAuthLimit(choice, host.LocalTime()); });
    return auth.authenticate(key, true);
}

std::time_t LocalTimeT(int year, int month, int day, int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

void CopyFile(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    if (fs::exists(to, ec)) {
        ClearReadOnly(to);
        fs::remove(to, ec);
    }
    WriteFileBytes(to, ReadFileBytes(from));
}

}  // namespace tessarin::test
