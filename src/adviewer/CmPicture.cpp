#include "adviewer/CmPicture.h"

#include <QFile>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <span>
#include <system_error>
#include <vector>

#include "platform/Paths.h"
#include "platform/TempFile.h"

namespace tessarin::adviewer {
namespace {

namespace fs = std::filesystem;

void ClearReadOnly(const fs::path& path) {
    std::error_code ec;
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, ec);
}

std::span<const std::uint8_t> Bytes(const QByteArray& data) {
    return {reinterpret_cast<const std::uint8_t*>(data.constData()), static_cast<std::size_t>(data.size())};
}

// Size first, then bytes.
bool SameContents(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    const auto sizeA = fs::file_size(a, ec);
    if (ec) return false;
    const auto sizeB = fs::file_size(b, ec);
    if (ec || sizeA != sizeB) return false;
    std::ifstream inA(a, std::ios::binary), inB(b, std::ios::binary);
    if (!inA || !inB) return false;
    return std::equal(std::istreambuf_iterator<char>(inA), std::istreambuf_iterator<char>(),
                      std::istreambuf_iterator<char>(inB), std::istreambuf_iterator<char>());
}

}  // namespace

QByteArray EmbeddedResource(int resource) {
    QFile file(QStringLiteral(":/cm/%1").arg(resource));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

fs::path CmFolder() {
    return DataHome() / "CM";
}
fs::path CmPicturePath() {
    return CmFolder() / "cm.jpg";
}

int ResourceForName(const fs::path& path) {
    const auto ext = path.extension().string();
    return (ext == ".swf" || ext == ".SWF") ? kResourceMovie : kResourcePicture;
}

void RefreshPictureFile(const fs::path& picture) {
    const fs::path folder = picture.parent_path();
    std::error_code ec;
    const auto state = fs::status(folder, ec);
    if (!fs::exists(state)) return;
    if (!fs::is_directory(state)) {
        ClearReadOnly(folder);
        fs::remove(folder, ec);
        return;
    }
    if (!fs::is_regular_file(picture, ec)) return;
    ClearReadOnly(picture);
    const auto copy = TempFile::CreateBeside(picture, "tmp");
    if (!copy) return;
    const QByteArray resource = EmbeddedResource(ResourceForName(picture));
    const bool written = !resource.isEmpty() &&
                         std::fwrite(resource.constData(), 1, static_cast<std::size_t>(resource.size()),
                                     copy->Stream()) == static_cast<std::size_t>(resource.size()) &&
                         copy->CloseStream();
    // The temporary copy goes away with its object.
    if (written && !SameContents(picture, copy->Path())) fs::remove(picture, ec);
}

bool WriteResourceToFile(const fs::path& path, std::optional<int> resource) {
    const QByteArray data = EmbeddedResource(resource.value_or(ResourceForName(path)));
    if (data.isEmpty()) return false;
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    return WriteFileAtomically(path, Bytes(data));
}

fs::path PrepareOfflinePicture(const fs::path& picture) {
    RefreshPictureFile(picture);
    std::error_code ec;
    if (!fs::exists(picture, ec)) (void)WriteResourceToFile(picture, kResourcePicture);
    return picture;
}

}  // namespace tessarin::adviewer
