#include "gui/common/CContinueConfirmDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/LanguageTable.h"
#include "gui/common/GuiText.h"

namespace tessarin::gui {

namespace {
// The dialog's own captions: "はい", "全て上書き", "いいえ", "中止".
constexpr std::array<int, 4> kDefaultCaptions = {slot::kCaptionYes, slot::kOverwriteAllDefault, slot::kCaptionNo,
                                                 slot::kCaptionStop};
constexpr std::array<const char*, 4> kButtonNames = {"first", "all", "third", "stop"};
}  // namespace

CContinueConfirmDialog::CContinueConfirmDialog(const LanguageTable& texts, QWidget* parent)
    : QDialog(parent), m_texts(texts) {
    setObjectName(QStringLiteral("CContinueConfirmDialog"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("text"));
    m_text->setWordWrap(false);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_text);
    auto* row = new QHBoxLayout;
    for (int i = 0; i < 4; ++i) {
        auto* button = new QPushButton(this);
        button->setObjectName(QString::fromLatin1(kButtonNames[static_cast<std::size_t>(i)]));
        connect(button, &QPushButton::clicked, this, [this, i] {
            m_answer = i;
            accept();
        });
        row->addWidget(button);
        m_buttons[static_cast<std::size_t>(i)] = button;
    }
    layout->addLayout(row);
    m_buttons[0]->setDefault(true);
    Relabel();
}

void CContinueConfirmDialog::Relabel() {
    setWindowTitle(m_request.title.empty() ? Text(m_texts, slot::kContinueConfirmTitle) : Qs(m_request.title));
    m_text->setText(Qs(m_request.text));
    for (std::size_t i = 0; i < 4; ++i) {
        const auto& caption = m_request.captions[i];
        m_buttons[i]->setText(caption.empty() ? Text(m_texts, kDefaultCaptions[i]) : Qs(caption));
    }
}

void CContinueConfirmDialog::Set(const ContinueConfirm& dialog) {
    m_request = dialog;
    Relabel();
}

int CContinueConfirmDialog::Run() {
    m_answer = ContinueConfirm::Stop;
    exec();
    return m_answer;
}

}  // namespace tessarin::gui
