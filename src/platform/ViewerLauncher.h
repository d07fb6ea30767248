#pragma once
// The advertisement viewer Tessarin_CM, which lies beside the main program:
// the start-up check that it is there, and its start while a decryption runs.

#include <filesystem>

namespace tessarin {

inline constexpr const char* kViewerProgramName = "Tessarin_CM";

// The folder of the running program's executable.
std::filesystem::path ProgramFolder();

// The viewer's path in folder.
std::filesystem::path ViewerPath(const std::filesystem::path& folder = ProgramFolder());

// True when the viewer in folder is a regular file the user may execute.
bool ViewerExists(const std::filesystem::path& folder = ProgramFolder());

// Starts the viewer in folder with no arguments, in a session of its own and
// with its input from /dev/null, and returns at once: it is not waited for
// (a detached thread reaps it when it ends). False when it could not start.
[[nodiscard]] bool StartViewer(const std::filesystem::path& folder = ProgramFolder());

}  // namespace tessarin
