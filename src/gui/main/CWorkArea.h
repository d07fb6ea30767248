#pragma once
// The work area, the left half of the main window: the drive box, the
// folder tree and file list for browsing, and the work list ("Cipher
// Studio") that collects the paths for the next command, with ">>", "<<"
// and "<<<". It takes files dropped from the file manager and dragged from
// its own tree and list.

#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "app/WorkListBox.h"
#include "platform/Volumes.h"

class QListWidgetItem;
class QTreeWidgetItem;

namespace tessarin::gui {

struct GuiContext;

// The work list expanded for a command (see ExpandWorkList).
using tessarin::WorkListExpansion;

// Where the drive box looks: the desktop and documents folders and the
// mounted volumes.
struct WorkAreaPlaces {
    std::filesystem::path desktop;
    std::filesystem::path documents;
    std::function<std::vector<Volume>()> volumes;
};
// The desktop's own: the XDG user folders and the mount table.
WorkAreaPlaces DesktopPlaces();

class CWorkArea final : public QWidget {
    Q_OBJECT
public:
    explicit CWorkArea(GuiContext& context, QWidget* parent = nullptr);
    ~CWorkArea() override;

    void Relabel();

    // The entries of the work list, in order.
    std::vector<std::filesystem::path> Entries() const;
    // Adds paths as a drop does: a symbolic link stands for its target,
    // duplicates are ignored without a message; paths that are gone or whose
    // names cannot be shown are left out with one message each kind.
    void AddPaths(const std::vector<std::filesystem::path>& paths);
    // Empties the work list ("<<<").
    void ClearWorkList();
    // Expands the work list for a command (clears the cancel flag first).
    WorkListExpansion Expand();
    // Refills the file list of the current folder.
    void Refresh();
    // Commands that start a job are off while one runs.
    void SetCommandsEnabled(bool enabled);

    // Refills the drive box from these places and chooses its first entry.
    void SetPlaces(WorkAreaPlaces places);
    // The folder the file list shows.
    std::filesystem::path CurrentFolder() const;

signals:
    // The context menus: the selected items were added to the work list; the
    // main window runs the command on them.
    void EncryptForSelfRequested();
    void DecryptRequested();
    void WipeRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Widgets;
    void Build();
    void FillDriveBox();
    void ChooseDrive(int index);
    void FillTreeNode(QTreeWidgetItem* item);
    void ShowFolder(const std::filesystem::path& folder);
    void FillFileList();
    void Up();
    // ">>": the current folder when the tree had the focus, else the
    // selected files; duplicates and vanished files are told.
    void AddSelection(bool fromTree);
    void AddSelectedFiles();
    void OpenFileListItem(QListWidgetItem* item);
    void RemoveSelected();
    // Adds one path the user chose; the duplicate message names its kind.
    bool AddChosen(const std::filesystem::path& path, bool folder);
    // The context menus' items into the work list, silently for duplicates.
    bool AddForCommand(bool fromTree);
    void ShowMessage(int slot, const std::string& argument = {});
    std::filesystem::path PathOfTreeItem(const QTreeWidgetItem* item) const;
    std::filesystem::path PathOfListItem(const QListWidgetItem* item) const;

    GuiContext& m_context;
    std::unique_ptr<Widgets> m_ui;
    WorkListEntries m_entries;
    WorkAreaPlaces m_places;
    std::vector<Volume> m_volumes;
    std::filesystem::path m_driveRoot;
    std::filesystem::path m_current;
    bool m_treeFocus = false;
};

}  // namespace tessarin::gui
