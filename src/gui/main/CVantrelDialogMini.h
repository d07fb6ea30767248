#pragma once
// CVantrelDialogMini: the small main window. Run modally; afterwards the
// settings' UseSmallMenu tells whether to show the full window (0) or to
// close the program (1). Files dropped on it (or chosen with its file
// buttons) are backed up, decrypted, registered or encrypted by their kind.

#include <QDialog>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "gui/decrypt/DecryptCommand.h"
#include "gui/encrypt/EncryptCommand.h"

namespace tessarin::gui {

struct GuiContext;

class CVantrelDialogMini final : public QDialog {
    Q_OBJECT
public:
    // The commands a drop starts (the encryption and decryption paths
    // unless a test records them instead). Each answers whether it started.
    struct Commands {
        std::function<bool(EncryptCommandRequest, std::function<void(const JobResult&)>)> encrypt;
        std::function<bool(DecryptCommandRequest, std::function<void(const JobResult&)>)> decrypt;
    };

    explicit CVantrelDialogMini(GuiContext& context, QWidget* parent = nullptr);
    ~CVantrelDialogMini() override;
    void Relabel();

    // Handles paths as a drop on the window does.
    void HandlePaths(const std::vector<std::filesystem::path>& paths);
    // Places the window by SmallMenuPosition and keeps it on top by
    // SmallMenuTopmost.
    void Place();
    void SetCommands(Commands commands);

signals:
    // The settings menu's About: the program shows its About box.
    void AboutRequested();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void changeEvent(QEvent* event) override;
    void done(int result) override;

private:
    struct Widgets;
    void Build();
    void ChooseFiles(bool multiple);
    void SwitchToFullWindow();
    void SwitchLanguage(bool english);
    void ApplyTopmost();
    void SetBusy(bool busy);
    // Runs the steps one after another on the job runner; a step that did
    // not start hands over to the next at once.
    void RunSteps(std::vector<std::function<bool(std::function<void()>)>> steps);
    void ShowMessage(int slot, const std::string& argument = {});

    GuiContext& m_context;
    std::unique_ptr<Widgets> m_ui;
    Commands m_commands;
};

}  // namespace tessarin::gui
