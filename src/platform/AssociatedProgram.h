#pragma once
// Opening a file with the program the desktop associates with its type: the
// MIME type of the file, the default application of that type (a .desktop
// entry) and its Exec line, started with the file and waited for.
//
// Everything that starts or asks another process goes through
// IProcessRunner, so tests replace it.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessarin {

class IProcessRunner {
public:
    virtual ~IProcessRunner() = default;
    // Runs a command and returns its standard output; empty when it could not
    // start or ended with a non-zero status.
    virtual std::optional<std::string> Capture(const std::vector<std::string>& argv) = 0;
    // Starts a program and waits until it ends. Its exit status, or -1 when
    // it could not be started.
    virtual int RunAndWait(const std::vector<std::string>& argv) = 0;
    // True when a process of that executable name runs for this user.
    virtual bool IsRunning(std::string_view executableName) = 0;
};

// The real processes: posix_spawnp, waitpid and /proc.
class SystemProcessRunner final : public IProcessRunner {
public:
    std::optional<std::string> Capture(const std::vector<std::string>& argv) override;
    int RunAndWait(const std::vector<std::string>& argv) override;
    bool IsRunning(std::string_view executableName) override;
};

struct AssociatedProgram {
    std::string mimeType;
    std::string desktopId;  // e.g. "org.gnome.TextEditor.desktop"
    std::filesystem::path desktopFile;
    std::vector<std::string> argv;  // the Exec line expanded with the file
    std::string executable;         // argv[0]'s file name
};

// The folders searched for .desktop entries: $XDG_DATA_HOME (or
// ~/.local/share) and $XDG_DATA_DIRS (or /usr/local/share:/usr/share), each
// with "applications" appended.
std::vector<std::filesystem::path> DesktopEntryFolders();

// Splits an Exec value by the desktop entry quoting rules and expands its
// field codes for one file: %f %F %u %U give the path, %% a percent sign,
// the others are dropped. Without a file code the path is appended. Empty
// for an unterminated quote.
std::optional<std::vector<std::string>> ExpandExecLine(std::string_view exec, const std::filesystem::path& file);

// The Exec value of the [Desktop Entry] group of a .desktop file's text.
std::optional<std::string> DesktopExecValue(std::string_view desktopText);

// The association of a file: "xdg-mime query filetype" (or "file
// --mime-type"), then "xdg-mime query default" (or "gio mime") and the
// desktop entry found in the folders. Empty when any step finds nothing.
std::optional<AssociatedProgram> FindAssociatedProgram(const std::filesystem::path& file, IProcessRunner& runner,
                                                       const std::vector<std::filesystem::path>& folders);

// Results below 32 are failures, as the platform's executable look-up gives.
inline constexpr int kOpenFileNotFound = 2;
inline constexpr int kOpenAccessDenied = 5;
inline constexpr int kOpenNoAssociation = 31;
inline constexpr int kOpenSucceeded = 42;

// Opens the file with its associated program and waits until that program
// ends. kOpenSucceeded (32 or more) when the program ran.
int OpenWithAssociatedProgram(const std::filesystem::path& file, IProcessRunner& runner,
                              const std::vector<std::filesystem::path>& folders = DesktopEntryFolders());

// True when a container's file lies on an optical disc (ISO 9660 or UDF).
bool IsOnOpticalDisc(const std::filesystem::path& file);

}  // namespace tessarin
