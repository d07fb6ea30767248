#pragma once
// CPubKey2QRChar: shows the public key bitmap just made, with save (the
// opener saves it), copy to the clipboard and cancel.

#include <QDialog>
#include <QImage>
#include <filesystem>

class QLabel;
class QPushButton;

namespace tessarin::gui {

struct GuiContext;

class CPubKey2QRChar final : public QDialog {
    Q_OBJECT
public:
    CPubKey2QRChar(GuiContext& context, const std::filesystem::path& bitmap, QWidget* parent = nullptr);
    void Relabel();
    // Whether it was closed by its save button.
    bool SaveRequested() const { return m_saveRequested; }

private:
    GuiContext& m_context;
    QImage m_image;
    bool m_saveRequested = false;
    QLabel* m_text = nullptr;
    QLabel* m_picture = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_copy = nullptr;
    QPushButton* m_cancel = nullptr;
};

}  // namespace tessarin::gui
