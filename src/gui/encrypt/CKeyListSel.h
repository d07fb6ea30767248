#pragma once
// CKeyListSel: the recipient selection of an encryption. The authenticated
// keys of the open key folder ("List of candidates for encryption") and the
// recipients chosen ("Selected candidates for encryption"); "加える" moves
// the selected candidates over, "はずす" moves selected recipients back, a
// double-click moves an entry to the other list. OK without a recipient is
// refused.

#include <QDialog>
#include <filesystem>
#include <vector>

#include "app/CommandDialogRules.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace tessarin::gui {

struct GuiContext;

class CKeyListSel final : public QDialog {
    Q_OBJECT
public:
    // Reads the key list: call it while no job runs.
    explicit CKeyListSel(GuiContext& context, QWidget* parent = nullptr);

    // The key files chosen, in the order they were added.
    std::vector<std::filesystem::path> Chosen() const;
    void Relabel();

private:
    void Move(QTreeWidget* from, QTreeWidget* to);
    void TryAccept();

    GuiContext& m_context;
    std::vector<KeyRow> m_rows;
    std::filesystem::path m_selfAuthKey;
    std::vector<RecipientCandidate> m_candidates;
    QLabel* m_candidateLabel = nullptr;
    QLabel* m_chosenLabel = nullptr;
    QTreeWidget* m_candidateList = nullptr;
    QTreeWidget* m_chosenList = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_remove = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

}  // namespace tessarin::gui
