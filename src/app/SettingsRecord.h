#pragma once
// SettingsRecord: the in-memory copy of Values.dat (section TZA) with the
// paths derived from it. The program folder of the Windows program is the
// per-user data folder here.

#include <filesystem>
#include <string>

namespace tessarin {

struct SettingsRecord {
    static constexpr const char* kSection = "TZA";
    static constexpr const char* kFileName = "Values.dat";

    std::string destPath1;
    std::string destPath2;
    int deleteCheck1 = 0;
    int deleteCheck2 = 0;
    std::string keyPairRoot;
    std::string publicKeyName;   // file name only
    std::string privateKeyName;  // file name only
    std::string memberFileName;
    int limitCheck = 0;
    int limitUnit = 0;
    int tzaSendMailCheck = 0;
    int noUseContextMenu = 0;  // read only, never written
    int useSmallMenu = 1;
    int smallMenuTopmost = 1;
    int smallMenuPosition = 4;
    int smallMenuPositionX = 0;
    int smallMenuPositionY = 0;
    int ddSelfEncrypt = 0;
    std::string languageSel = "JP";
    int tzaKeep = 0;
    int inquireUsb = 1;
    int firstStart = 1;
    int useTimer = 1;
    int timeForTimer = 1;
    int encAndDec = 0;
    int stopDlg = 0;
    int autoEncComplusion = 0;
    // Worker threads of an encryption or decryption batch: 0 for one per
    // core, 1 for every file on the job's own thread. A key of this program
    // only (another program reading Values.dat passes over it).
    int batchWorkers = 0;

    // Missing file or keys give the defaults above.
    void Read(const std::filesystem::path& file);
    // Rewrites every key listed as written. False when the file could not be
    // written (what was written before stays).
    [[nodiscard]] bool Write(const std::filesystem::path& file) const;

    bool English() const { return languageSel == "EN"; }
    std::filesystem::path PublicKeyPath() const;
    std::filesystem::path PrivateKeyPath() const;
};

// The settings file in the per-user data folder.
std::filesystem::path SettingsFilePath();

}  // namespace tessarin
