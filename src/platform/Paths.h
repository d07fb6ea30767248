#pragma once
// Per-user folders that replace the program folder.

#include <filesystem>

namespace tessarin {

// The data folder (Values.dat, vorneloft_cl.vpub, backup shares):
// $TESSARIN_HOME when set, else $XDG_DATA_HOME/Tessarin, else
// ~/.local/share/Tessarin. Not created here.
std::filesystem::path DataHome();
// The per-user configuration folder: $TESSARIN_HOME when set, else
// $XDG_CONFIG_HOME/Tessarin, else ~/.config/Tessarin.
std::filesystem::path ConfigHome();

}  // namespace tessarin
