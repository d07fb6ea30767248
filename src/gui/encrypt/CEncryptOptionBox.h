#pragma once
// The options the encrypt file dialog and the encryption options dialog
// share: "Without Adding My address.", "Manage Logs", "The Encryption file
// is completely deleted." and "Send encrypted files by e-mail.".

#include <QGroupBox>

#include "app/MainWindowState.h"

class QCheckBox;

namespace tessarin::gui {

struct GuiContext;

class CEncryptOptionBox final : public QGroupBox {
    Q_OBJECT
public:
    explicit CEncryptOptionBox(GuiContext& context, QWidget* parent = nullptr);

    void Set(const EncryptOptions& options);
    // Writes the four choices into options.
    void Apply(EncryptOptions& options) const;
    void Relabel();

private:
    GuiContext& m_context;
    QCheckBox* m_withoutMyAddress = nullptr;
    QCheckBox* m_manageLogs = nullptr;
    QCheckBox* m_deleteSource = nullptr;
    QCheckBox* m_sendByMail = nullptr;
};

}  // namespace tessarin::gui
