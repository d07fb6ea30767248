#pragma once
// CQRChar2PubKey: a public key made from the text a phone read from a QR
// code and sent by mail. Stays open after each try.

#include <QDialog>
#include <filesystem>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace tessarin::gui {

struct GuiContext;

class CQRChar2PubKey final : public QDialog {
    Q_OBJECT
public:
    explicit CQRChar2PubKey(GuiContext& context, QWidget* parent = nullptr);
    void Relabel();
    // The key file the last try wrote; empty when none.
    const std::filesystem::path& Written() const { return m_written; }

private:
    void Make();

    GuiContext& m_context;
    std::filesystem::path m_written;
    QLabel* m_text = nullptr;
    QPlainTextEdit* m_field = nullptr;
    QPushButton* m_make = nullptr;
};

}  // namespace tessarin::gui
