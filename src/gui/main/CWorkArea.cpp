#include "gui/main/CWorkArea.h"

#include <QListWidget>
#include <QVBoxLayout>

#include "gui/common/GuiContext.h"
#include "gui/common/GuiText.h"

namespace tessarin::gui {

struct CWorkArea::Widgets {
    QListWidget* workList = nullptr;
};

CWorkArea::CWorkArea(GuiContext& context, QWidget* parent)
    : QWidget(parent), m_context(context), m_ui(std::make_unique<Widgets>()) {
    setObjectName(QStringLiteral("CWorkArea"));
    auto* layout = new QVBoxLayout(this);
    m_ui->workList = new QListWidget(this);
    m_ui->workList->setObjectName(QStringLiteral("workList"));
    layout->addWidget(m_ui->workList);
    Relabel();
}

CWorkArea::~CWorkArea() = default;

void CWorkArea::Relabel() {}

std::vector<std::filesystem::path> CWorkArea::Entries() const {
    std::vector<std::filesystem::path> out;
    for (int i = 0; i < m_ui->workList->count(); ++i) out.push_back(PathFromText(m_ui->workList->item(i)->text()));
    return out;
}

void CWorkArea::AddPaths(const std::vector<std::filesystem::path>& paths) {
    for (const auto& p : paths) {
        const auto text = PathText(p);
        if (m_ui->workList->findItems(text, Qt::MatchFixedString).isEmpty()) m_ui->workList->addItem(text);
    }
}

void CWorkArea::ClearWorkList() {
    m_ui->workList->clear();
}

WorkListExpansion CWorkArea::Expand() {
    m_context.dialog.ClearCancel();
    WorkListExpansion out;
    for (const auto& entry : Entries()) {
        std::error_code ec;
        if (std::filesystem::is_directory(entry, ec)) {
            out.folders.push_back(entry);
            for (const auto& e : std::filesystem::directory_iterator(entry, ec))
                if (!e.is_directory(ec)) out.files.push_back(e.path());
        } else {
            out.files.push_back(entry);
        }
    }
    return out;
}

void CWorkArea::Refresh() {}

void CWorkArea::SetCommandsEnabled(bool enabled) {
    m_ui->workList->setEnabled(enabled);
}

}  // namespace tessarin::gui
