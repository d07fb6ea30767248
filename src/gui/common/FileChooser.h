#pragma once
// The file and folder choosers every window uses, so that tests plan the
// choice instead of meeting a native dialog. Filters are in the product's
// "name|pattern|name|pattern||" form ("全てのファイル(*.*)|*.*||").

#include <QString>
#include <filesystem>
#include <optional>
#include <vector>

class QWidget;

namespace tessarin::gui {

struct ChooserRequest {
    QString title;
    QString filter;                     // empty: every file
    std::filesystem::path startFolder;  // empty: the chooser's own
    QString defaultName;                // save: the name proposed
    QString defaultSuffix;              // save: appended when the name has none ("bmp")
};

class IFileChooser {
public:
    virtual ~IFileChooser() = default;
    // Existing files; empty when cancelled.
    virtual std::vector<std::filesystem::path> OpenFiles(QWidget* parent, const ChooserRequest& request,
                                                         bool multiple) = 0;
    // A file to write; the chooser has asked about replacing an existing one.
    virtual std::optional<std::filesystem::path> SaveFile(QWidget* parent, const ChooserRequest& request) = 0;
    virtual std::optional<std::filesystem::path> ChooseFolder(QWidget* parent, const ChooserRequest& request) = 0;
};

// "a|b|c|d||" as a QFileDialog filter list "a (b);;c (d)"; a name that
// already shows its pattern is kept as it is.
QString QtFilterOf(const QString& productFilter);

class CQtFileChooser final : public IFileChooser {
public:
    std::vector<std::filesystem::path> OpenFiles(QWidget* parent, const ChooserRequest& request,
                                                 bool multiple) override;
    std::optional<std::filesystem::path> SaveFile(QWidget* parent, const ChooserRequest& request) override;
    std::optional<std::filesystem::path> ChooseFolder(QWidget* parent, const ChooserRequest& request) override;
};

}  // namespace tessarin::gui
