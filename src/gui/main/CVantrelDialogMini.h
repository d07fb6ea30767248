#pragma once
// CVantrelDialogMini: the small main window. Run modally; afterwards the
// settings' UseSmallMenu tells whether to show the full window (0) or to
// close the program (1).

#include <QDialog>

namespace tessarin::gui {

struct GuiContext;

class CVantrelDialogMini final : public QDialog {
    Q_OBJECT
public:
    explicit CVantrelDialogMini(GuiContext& context, QWidget* parent = nullptr);
    void Relabel();

private:
    GuiContext& m_context;
};

}  // namespace tessarin::gui
