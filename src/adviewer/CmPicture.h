#pragma once
// The viewer's embedded advertisements and the offline picture file
// "CM/cm.jpg" in the per-user data folder, kept equal to the embedded one.

#include <QByteArray>
#include <filesystem>
#include <optional>

namespace tessarin::adviewer {

// Embedded resources: the animated advertisement and the offline picture.
inline constexpr int kResourceMovie = 131;
inline constexpr int kResourcePicture = 132;

// The bytes of an embedded resource; empty for an unknown number.
QByteArray EmbeddedResource(int resource);

// The data folder's "CM" folder and the picture file in it.
std::filesystem::path CmFolder();
std::filesystem::path CmPicturePath();

// 131 for a name ending in ".swf" or ".SWF", else 132.
int ResourceForName(const std::filesystem::path& path);

// The picture file's refresh before it is shown: a file named "CM" is
// removed; a "cm.jpg" in the folder that differs from its embedded resource
// (compared through a temporary copy of the resource beside it) is removed.
// Nothing happens when "CM" does not exist.
void RefreshPictureFile(const std::filesystem::path& picture = CmPicturePath());

// Writes the resource (by the name's extension when none is given) to path
// through a temporary file, creating the missing folders. True when every
// byte was written.
[[nodiscard]] bool WriteResourceToFile(const std::filesystem::path& path, std::optional<int> resource = std::nullopt);

// The offline picture ready to show: refreshed, and written when missing.
// Its path, whether or not the write succeeded.
std::filesystem::path PrepareOfflinePicture(const std::filesystem::path& picture = CmPicturePath());

}  // namespace tessarin::adviewer
