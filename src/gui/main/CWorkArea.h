#pragma once
// The work area, the left half of the main window: the drive box, the
// folder tree and file list for browsing, and the work list ("Cipher
// Studio") that collects the paths for the next command, with ">>", "<<"
// and "<<<".

#include <QWidget>
#include <filesystem>
#include <memory>
#include <vector>

namespace tessarin::gui {

struct GuiContext;

// The work list expanded for a command: each entry in list order, a file as
// itself, a folder as itself in `folders` plus each file directly inside it
// in `files`.
struct WorkListExpansion {
    std::vector<std::filesystem::path> files;
    std::vector<std::filesystem::path> folders;
    bool cancelled = false;
};

class CWorkArea final : public QWidget {
    Q_OBJECT
public:
    explicit CWorkArea(GuiContext& context, QWidget* parent = nullptr);
    ~CWorkArea() override;

    void Relabel();

    // The entries of the work list, in order.
    std::vector<std::filesystem::path> Entries() const;
    // Adds paths as a drop does: duplicates are ignored without a message.
    void AddPaths(const std::vector<std::filesystem::path>& paths);
    // Empties the work list ("<<<").
    void ClearWorkList();
    // Expands the work list for a command (clears the cancel flag first).
    WorkListExpansion Expand();
    // Refills the file list of the current folder.
    void Refresh();
    // Commands that start a job are off while one runs.
    void SetCommandsEnabled(bool enabled);

signals:
    // The context menus: the selected items were added to the work list; the
    // main window runs the command on them.
    void EncryptForSelfRequested();
    void DecryptRequested();
    void WipeRequested();

private:
    struct Widgets;
    GuiContext& m_context;
    std::unique_ptr<Widgets> m_ui;
};

}  // namespace tessarin::gui
