#include "gui/common/CChosenFileList.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/CommandDialogRules.h"
#include "gui/common/GuiContext.h"
#include "gui/common/GuiText.h"
#include "gui/common/WindowMessage.h"

namespace tessarin::gui {

CChosenFileList::CChosenFileList(GuiContext& context, int labelSlot, int titleSlot, int filterSlot, QWidget* parent)
    : QWidget(parent), m_context(context), m_labelSlot(labelSlot), m_titleSlot(titleSlot), m_filterSlot(filterSlot) {
    setObjectName(QStringLiteral("fileList"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("filesLabel"));
    layout->addWidget(m_label);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("files"));
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Room for a usual path in either language.
    m_list->setMinimumSize(m_list->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 64,
                           m_list->fontMetrics().height() * 6);
    m_label->setBuddy(m_list);
    layout->addWidget(m_list, 1);
    auto* row = new QHBoxLayout;
    m_add = new QPushButton(this);
    m_add->setObjectName(QStringLiteral("addFiles"));
    m_remove = new QPushButton(this);
    m_remove->setObjectName(QStringLiteral("removeFiles"));
    m_remove->setEnabled(false);
    row->addWidget(m_add);
    row->addWidget(m_remove);
    row->addStretch(1);
    layout->addLayout(row);
    connect(m_add, &QPushButton::clicked, this, &CChosenFileList::ChooseFiles);
    connect(m_remove, &QPushButton::clicked, this, &CChosenFileList::RemoveSelected);
    connect(m_list, &QListWidget::itemSelectionChanged, this,
            [this] { m_remove->setEnabled(!m_list->selectedItems().isEmpty()); });
    Relabel();
}

void CChosenFileList::Relabel() {
    const auto& texts = m_context.Texts();
    m_label->setText(Text(texts, m_labelSlot));
    m_add->setText(Text(texts, slot::kAddFiles));
    m_remove->setText(Text(texts, slot::kRemoveFromList));
}

void CChosenFileList::Add(const std::vector<std::filesystem::path>& files) {
    const std::size_t skipped = AddChosenFiles(m_files, files);
    Refill();
    if (skipped > 0) ShowWindowMessage(m_context, window(), m_context.Texts()[slot::kFileAlreadySelected]);
}

void CChosenFileList::ChooseFiles() {
    ChooserRequest request;
    request.title = Text(m_context.Texts(), m_titleSlot);
    if (m_filterSlot != 0) request.filter = Text(m_context.Texts(), m_filterSlot);
    if (!m_files.empty()) request.startFolder = m_files.back().parent_path();
    const auto chosen = m_context.chooser.OpenFiles(window(), request, true);
    if (!chosen.empty()) Add(chosen);
}

void CChosenFileList::RemoveSelected() {
    std::vector<int> rows;
    for (const auto* item : m_list->selectedItems()) rows.push_back(m_list->row(item));
    std::sort(rows.rbegin(), rows.rend());
    for (const int row : rows) m_files.erase(m_files.begin() + row);
    Refill();
}

void CChosenFileList::Refill() {
    m_list->clear();
    for (const auto& file : m_files) m_list->addItem(PathText(file));
    m_remove->setEnabled(false);
}

}  // namespace tessarin::gui
