#include "gui/common/FileChooser.h"

#include <QFileDialog>
#include <QStringList>

#include "gui/common/GuiText.h"

namespace tessarin::gui {

QString QtFilterOf(const QString& productFilter) {
    const auto parts = productFilter.split(u'|', Qt::SkipEmptyParts);
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const auto& name = parts[i];
        auto patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        filters << (name.contains(u'(') ? name.left(name.indexOf(u'(')).trimmed() : name) + QStringLiteral(" (") +
                       patterns + u')';
    }
    return filters.join(QStringLiteral(";;"));
}

std::vector<std::filesystem::path> CQtFileChooser::OpenFiles(QWidget* parent, const ChooserRequest& request,
                                                             bool multiple) {
    const auto start = PathText(request.startFolder);
    const auto filter = QtFilterOf(request.filter);
    std::vector<std::filesystem::path> out;
    if (multiple) {
        for (const auto& name : QFileDialog::getOpenFileNames(parent, request.title, start, filter))
            out.push_back(PathFromText(name));
    } else {
        const auto name = QFileDialog::getOpenFileName(parent, request.title, start, filter);
        if (!name.isEmpty()) out.push_back(PathFromText(name));
    }
    return out;
}

std::optional<std::filesystem::path> CQtFileChooser::SaveFile(QWidget* parent, const ChooserRequest& request) {
    QFileDialog dialog(parent, request.title, PathText(request.startFolder), QtFilterOf(request.filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.defaultName.isEmpty()) dialog.selectFile(request.defaultName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return PathFromText(dialog.selectedFiles().front());
}

std::optional<std::filesystem::path> CQtFileChooser::ChooseFolder(QWidget* parent, const ChooserRequest& request) {
    const auto name = QFileDialog::getExistingDirectory(parent, request.title, PathText(request.startFolder));
    if (name.isEmpty()) return std::nullopt;
    return PathFromText(name);
}

}  // namespace tessarin::gui
