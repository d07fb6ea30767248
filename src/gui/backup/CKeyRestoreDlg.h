#pragma once
// CKeyRestoreDlg: rebuilds a lost private key file from the two backup
// shares and the key set's public key. The file written is never one that
// exists already.

#include <QDialog>
#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tessarin::gui {

struct GuiContext;

class CKeyRestoreDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CKeyRestoreDlg(GuiContext& context, QWidget* parent = nullptr);
    void Relabel();
    // Escape and the close box do nothing while the restore runs.
    void reject() override;

private:
    enum Field { UserShare, MakerShare, PublicKey, Output, kFields };
    void Browse(int field);
    void Ok();
    void SetRunning(bool running);

    GuiContext& m_context;
    std::array<QLabel*, kFields> m_labels{};
    std::array<QLineEdit*, kFields> m_edits{};
    std::array<QPushButton*, kFields> m_browse{};
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

}  // namespace tessarin::gui
