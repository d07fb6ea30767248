#pragma once
// The command-line forms of the desktop program, read without touching
// anything: what the start is to do, with which paths, and whether the
// paths come from the clipboard.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessarin {

class LanguageTable;

enum class StartJob { Encrypt, Decrypt, Forward, History, Wipe };

enum class StartKind {
    Normal,       // no argument
    OnePath,      // one path, handled by its type
    Job,          // a flag: the job on the paths (from the clipboard when `fromClipboard`)
    Repair,       // -R: the key repair window
    Install,      // /Install: Values.dat deleted, then a normal start
    Uninstall,    // /Uninstall: Values.dat deleted, nothing else
    PathTooLong,  // a path argument of 261 characters or more: slot 102, then close
    UnknownFlag,  // a path list after something that is not a flag: "Error", then close
};

struct StartCommand {
    StartKind kind = StartKind::Normal;
    std::optional<StartJob> job;
    std::vector<std::filesystem::path> paths;
    bool fromClipboard = false;
};

// Paths of 261 characters or more are refused.
inline constexpr std::size_t kMaxStartPathLength = 260;

// The arguments after the program name. Comparisons are exact and
// case-sensitive. A flag with one more argument takes it as a comma-separated
// list; a flag with several more takes each as one path (how file managers
// pass a selection), without splitting.
StartCommand ParseStartArguments(const std::vector<std::string>& arguments);

// A second start while the program runs still does its own job when it has
// exactly one argument or starts with one of the job flags.
bool RunsBesideRunningInstance(const std::vector<std::string>& arguments);

// The clipboard hand-over: the text split at commas, empty pieces dropped.
std::vector<std::filesystem::path> SplitPathList(std::string_view text);

enum class ClipboardRead { Ok = 0, NoText = 1, CannotOpen = 2 };
// The message of a failed hand-over; empty for Ok.
std::string ClipboardReadMessage(const LanguageTable& texts, ClipboardRead result);

}  // namespace tessarin
