#pragma once
// The program's help page, opened in the desktop's browser by the help
// command of the main window.

namespace tessarin {

inline constexpr const char* kHelpPageUrl = "https://www.tessarin.example/help/";

}  // namespace tessarin
