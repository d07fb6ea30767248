#pragma once
// The list of files a file dialog of the program works on, with its label
// and the buttons that add files through the file chooser and take the
// selected ones out of the list. Paths are kept as they are on disk; the
// list shows them as text.

#include <QWidget>
#include <filesystem>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

namespace tessarin::gui {

struct GuiContext;

class CChosenFileList final : public QWidget {
    Q_OBJECT
public:
    // labelSlot: the list's caption; titleSlot and filterSlot (0: every
    // file): the chooser's title and filter.
    CChosenFileList(GuiContext& context, int labelSlot, int titleSlot, int filterSlot, QWidget* parent = nullptr);

    const std::vector<std::filesystem::path>& Files() const { return m_files; }
    // Adds files, each once; says so when some were listed already.
    void Add(const std::vector<std::filesystem::path>& files);
    void Relabel();

private:
    void ChooseFiles();
    void RemoveSelected();
    void Refill();

    GuiContext& m_context;
    int m_labelSlot;
    int m_titleSlot;
    int m_filterSlot;
    std::vector<std::filesystem::path> m_files;
    QLabel* m_label = nullptr;
    QListWidget* m_list = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_remove = nullptr;
};

}  // namespace tessarin::gui
