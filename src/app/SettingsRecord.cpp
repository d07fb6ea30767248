#include "app/SettingsRecord.h"

#include <algorithm>
#include <cstdlib>

#include "platform/IniFile.h"
#include "platform/Paths.h"

namespace tessarin {
namespace {

// The part after the last separator: the names are stored without folder.
std::string BaseName(const std::string& path) {
    const auto cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace

void SettingsRecord::Read(const std::filesystem::path& file) {
    auto s = [&](const char* key, const char* dflt) { return GetPrivateProfileString(kSection, key, dflt, file); };
    auto i = [&](const char* key, int dflt) { return GetPrivateProfileInt(kSection, key, dflt, file); };
    destPath1 = s("DestPath1", "");
    destPath2 = s("DestPath2", "");
    deleteCheck1 = i("DeleteCheck1", 0);
    deleteCheck2 = i("DeleteCheck2", 0);
    keyPairRoot = s("KeyPairRoot", "");
    publicKeyName = s("PublicKeyName", "");
    privateKeyName = s("PrivateKeyName", "");
    memberFileName = s("MemberFileName", "");
    limitCheck = i("LimitCheck", 0);
    limitUnit = std::atoi(s("LimitUnit", "0").c_str());
    tzaSendMailCheck = i("TZASnedMailCheck", 0);
    noUseContextMenu = i("NoUseContextMenu", 0);
    useSmallMenu = i("UseSmallMenu", 1);
    smallMenuTopmost = i("SmallMenuTopmost", 1);
    smallMenuPosition = i("SmallMenuPosition", 4);
    smallMenuPositionX = i("SmallMenuPositionX", 0);
    smallMenuPositionY = i("SmallMenuPositionY", 0);
    ddSelfEncrypt = i("DDSelfEncrypt", 0);
    languageSel = s("LanguageSel", "JP");
    if (languageSel.empty()) languageSel = "JP";
    tzaKeep = i("TzaKeep", 0);
    inquireUsb = i("InquireUSB", 1);
    firstStart = i("FirstStart", 1);
    useTimer = i("UseTimer", 1);
    timeForTimer = i("TimeForTimer", 1);
    encAndDec = i("EncAndDec", 0);
    stopDlg = i("StopDlg", 0);
    autoEncComplusion = i("AutoEncComplusion", 0);
    batchWorkers = std::max(0, i("BatchWorkers", 0));
}

bool SettingsRecord::Write(const std::filesystem::path& file) const {
    IniEditor ini(file);
    auto s = [&](const char* key, const std::string& value) { ini.Set(kSection, key, value); };
    auto i = [&](const char* key, int value) { s(key, std::to_string(value)); };
    s("DestPath1", destPath1);
    s("DestPath2", destPath2);
    i("DeleteCheck1", deleteCheck1);
    i("DeleteCheck2", deleteCheck2);
    s("keyPairRoot", keyPairRoot);
    s("PublicKeyName", BaseName(publicKeyName));
    s("PrivateKeyName", BaseName(privateKeyName));
    s("MemberFileName", BaseName(memberFileName));
    i("LimitCheck", limitCheck);
    i("LimitUnit", limitUnit);
    i("TZASnedMailCheck", tzaSendMailCheck);
    i("UseSmallMenu", useSmallMenu);
    i("SmallMenuTopmost", smallMenuTopmost);
    i("SmallMenuPosition", smallMenuPosition);
    i("SmallMenuPositionX", smallMenuPositionX);
    i("SmallMenuPositionY", smallMenuPositionY);
    i("DDSelfEncrypt", ddSelfEncrypt);
    s("LanguageSel", languageSel);
    i("TzaKeep", tzaKeep);
    i("InquireUSB", inquireUsb);
    i("FirstStart", firstStart);
    i("UseTimer", useTimer);
    i("TimeForTimer", timeForTimer);
    i("EncAndDec", encAndDec);
    i("StopDlg", stopDlg);
    i("AutoEncComplusion", autoEncComplusion);
    i("BatchWorkers", batchWorkers);
    return ini.Save();
}

std::filesystem::path SettingsRecord::PublicKeyPath() const {
    if (publicKeyName.empty()) return {};
    return std::filesystem::path(keyPairRoot) / publicKeyName;
}

std::filesystem::path SettingsRecord::PrivateKeyPath() const {
    if (privateKeyName.empty()) return {};
    return std::filesystem::path(keyPairRoot) / privateKeyName;
}

std::filesystem::path SettingsFilePath() {
    return DataHome() / SettingsRecord::kFileName;
}

}  // namespace tessarin
