#pragma once
// CQrcodeViewDlg: the own public key's registration link as a QR code, one
// pixel per module, with the explanation beside it; saved or copied doubled.

#include <QDialog>

#include "app/AppCore.h"

class QLabel;
class QPushButton;

namespace tessarin::gui {

struct GuiContext;

class CQrcodeViewDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CQrcodeViewDlg(GuiContext& context, QWidget* parent = nullptr);
    void Relabel();
    const QrView& View() const { return m_view; }

private:
    void Save();
    void Copy();

    GuiContext& m_context;
    QrView m_view;
    QLabel* m_picture = nullptr;
    QLabel* m_explanation = nullptr;
    QPushButton* m_register = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_copy = nullptr;
    QPushButton* m_close = nullptr;
};

}  // namespace tessarin::gui
