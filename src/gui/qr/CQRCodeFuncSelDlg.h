#pragma once
// CQRCodeFuncSelDlg: the two QR code functions: make the bitmap of the own
// public key (shown in CPubKey2QRChar, saved on request), or make a public
// key from a text read from a QR code (CQRChar2PubKey).

#include <QDialog>
#include <filesystem>

class QLabel;
class QPushButton;
class QRadioButton;

namespace tessarin::gui {

struct GuiContext;

class CQRCodeFuncSelDlg final : public QDialog {
    Q_OBJECT
public:
    // bitmap: where the public key bitmap is made before it is saved.
    CQRCodeFuncSelDlg(GuiContext& context, std::filesystem::path bitmap, QWidget* parent = nullptr);
    void Relabel();

private:
    void Ok();
    void Generate();

    GuiContext& m_context;
    std::filesystem::path m_bitmap;
    QLabel* m_text = nullptr;
    QRadioButton* m_generate = nullptr;
    QRadioButton* m_import = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

}  // namespace tessarin::gui
