#include "gui/encrypt/CKeyListSel.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "gui/common/DialogButtons.h"
#include "gui/common/GuiContext.h"
#include "gui/common/GuiText.h"
#include "gui/common/WindowMessage.h"

namespace tessarin::gui {

namespace {

constexpr int kIndexRole = Qt::UserRole;

QTreeWidget* KeyList(QWidget* parent, const char* name) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setColumnCount(2);
    list->setHeaderHidden(true);
    list->setRootIsDecorated(false);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list->setMinimumSize(list->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 36,
                         list->fontMetrics().height() * 10);
    return list;
}

}  // namespace

CKeyListSel::CKeyListSel(GuiContext& context, QWidget* parent)
    : QDialog(parent),
      m_context(context),
      m_rows(context.core.ListKeys()),
      m_selfAuthKey(context.core.SelfAuthKeyPath()) {
    setObjectName(QStringLiteral("CKeyListSel"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    m_candidateLabel = new QLabel(this);
    m_candidateLabel->setObjectName(QStringLiteral("candidatesLabel"));
    m_chosenLabel = new QLabel(this);
    m_chosenLabel->setObjectName(QStringLiteral("chosenLabel"));
    m_candidateList = KeyList(this, "candidates");
    m_chosenList = KeyList(this, "chosen");
    m_add = new QPushButton(this);
    m_add->setObjectName(QStringLiteral("add"));
    m_remove = new QPushButton(this);
    m_remove->setObjectName(QStringLiteral("remove"));
    auto* middle = new QVBoxLayout;
    middle->addStretch(1);
    middle->addWidget(m_add);
    middle->addWidget(m_remove);
    middle->addStretch(1);
    grid->addWidget(m_candidateLabel, 0, 0);
    grid->addWidget(m_chosenLabel, 0, 2);
    grid->addWidget(m_candidateList, 1, 0);
    grid->addLayout(middle, 1, 1);
    grid->addWidget(m_chosenList, 1, 2);
    layout->addLayout(grid, 1);
    const auto buttons = AddDialogButtons(*this, *layout);
    m_ok = buttons.ok;
    m_cancel = buttons.cancel;

    connect(m_add, &QPushButton::clicked, this, [this] { Move(m_candidateList, m_chosenList); });
    connect(m_remove, &QPushButton::clicked, this, [this] { Move(m_chosenList, m_candidateList); });
    connect(m_candidateList, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        m_candidateList->clearSelection();
        item->setSelected(true);
        Move(m_candidateList, m_chosenList);
    });
    connect(m_chosenList, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        m_chosenList->clearSelection();
        item->setSelected(true);
        Move(m_chosenList, m_candidateList);
    });
    connect(m_ok, &QPushButton::clicked, this, &CKeyListSel::TryAccept);

    m_candidates = RecipientCandidates(m_rows, m_selfAuthKey, context.Texts());
    for (std::size_t i = 0; i < m_candidates.size(); ++i) {
        auto* item = new QTreeWidgetItem(m_candidateList);
        item->setData(0, kIndexRole, static_cast<int>(i));
    }
    connect(&context.language, &CLanguageBinding::Changed, this, &CKeyListSel::Relabel);
    Relabel();
}

void CKeyListSel::Relabel() {
    const auto& texts = m_context.Texts();
    setWindowTitle(Text(texts, slot::kKeyListSelTitle));
    m_candidateLabel->setText(Text(texts, slot::kListCandidates));
    m_chosenLabel->setText(Text(texts, slot::kListChosen));
    m_add->setText(Text(texts, slot::kKeyListSelAdd));
    m_remove->setText(Text(texts, slot::kKeyListSelRemove));
    m_ok->setText(Text(texts, slot::kCaptionOk));
    m_cancel->setText(Text(texts, slot::kCaptionCancel));
    // The own key's label follows the language.
    m_candidates = RecipientCandidates(m_rows, m_selfAuthKey, texts);
    for (auto* list : {m_candidateList, m_chosenList}) {
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            auto* item = list->topLevelItem(i);
            const auto& c = m_candidates[static_cast<std::size_t>(item->data(0, kIndexRole).toInt())];
            item->setText(0, Qs(c.name));
            item->setText(1, Qs(c.mail));
        }
    }
}

void CKeyListSel::Move(QTreeWidget* from, QTreeWidget* to) {
    const auto selected = from->selectedItems();
    to->clearSelection();
    for (auto* item : selected) {
        from->takeTopLevelItem(from->indexOfTopLevelItem(item));
        to->addTopLevelItem(item);
        item->setSelected(true);
    }
}

std::vector<std::filesystem::path> CKeyListSel::Chosen() const {
    std::vector<std::filesystem::path> out;
    for (int i = 0; i < m_chosenList->topLevelItemCount(); ++i)
        out.push_back(
            m_candidates[static_cast<std::size_t>(m_chosenList->topLevelItem(i)->data(0, kIndexRole).toInt())].file);
    return out;
}

void CKeyListSel::TryAccept() {
    if (const int refusal = RecipientChoiceRefusal(static_cast<std::size_t>(m_chosenList->topLevelItemCount()));
        refusal != 0) {
        ShowWindowMessage(m_context, this, m_context.Texts()[refusal]);
        return;
    }
    accept();
}

}  // namespace tessarin::gui
