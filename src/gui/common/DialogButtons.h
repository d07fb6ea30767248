#pragma once
// The OK and Cancel buttons at the foot of a dialog of the program: named
// "ok" and "cancel", OK the default button, Cancel rejecting the dialog. The
// dialog connects OK to its own check and sets both captions in Relabel().

class QBoxLayout;
class QDialog;
class QPushButton;

namespace tessarin::gui {

struct DialogButtons {
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
};

DialogButtons AddDialogButtons(QDialog& dialog, QBoxLayout& layout);

}  // namespace tessarin::gui
