#pragma once
// The small main window's rules. What it does with the paths dropped on it
// (or chosen with its file buttons): the user's private key starts the key
// backup and nothing else; containers are decrypted; public key files are
// registered; a folder gives the entries directly inside it (containers to
// decrypt, other files to encrypt); anything else is encrypted. And where it
// is placed on the screen.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <vector>

namespace tessarin {

// The longest path the small window takes, in characters.
inline constexpr std::size_t kMaxDroppedPathLength = 260;

struct SmallWindowDrop {
    // The drop held the user's private key file: only the backup runs.
    bool backupPrivateKey = false;
    std::vector<std::filesystem::path> decrypt;
    std::vector<std::filesystem::path> encrypt;
    std::vector<std::filesystem::path> registerKeys;
    // Left out, each kind told once: longer than kMaxDroppedPathLength, no
    // longer there (or a link that leads nowhere), not UTF-8, a folder whose
    // entries could not be read.
    std::vector<std::filesystem::path> tooLong;
    std::vector<std::filesystem::path> missing;
    std::vector<std::filesystem::path> unshowable;
    std::vector<std::filesystem::path> unreadable;
    bool cancelled = false;

    bool Empty() const { return !backupPrivateKey && decrypt.empty() && encrypt.empty() && registerKeys.empty(); }
};

// The characters of a path (UTF-8 code points; a byte that is not UTF-8
// counts as one).
std::size_t PathLength(const std::filesystem::path& path);

// Sorts the dropped paths. A symbolic link stands for what it points to.
// `stop` is asked between the entries of a folder (the window keeps itself
// alive there); true ends the sorting with what it has.
SmallWindowDrop ClassifySmallWindowDrop(const std::vector<std::filesystem::path>& dropped,
                                        const std::filesystem::path& privateKey,
                                        const std::function<bool()>& stop = {});

struct ScreenPoint {
    int x = 0;
    int y = 0;
    bool operator==(const ScreenPoint&) const = default;
};
struct ScreenRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Where the window goes by SmallMenuPosition: 1 top left, 2 top right, 3
// bottom left, 4 bottom right of the screen's work area (the screen without
// its panels), 5 or any other value the last position.
ScreenPoint SmallWindowPlace(int smallMenuPosition, const ScreenRect& workArea, int windowWidth, int windowHeight,
                             ScreenPoint last);

}  // namespace tessarin
