#include "gui/main/CWorkArea.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDropEvent>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStandardPaths>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <system_error>

#include "app/DriveBox.h"
#include "gui/common/DropPaths.h"
#include "gui/common/GuiContext.h"
#include "gui/common/GuiText.h"
#include "gui/common/SlotMessage.h"

namespace tessarin::gui {

namespace fs = std::filesystem;

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kFilledRole = Qt::UserRole + 1;
constexpr int kFolderRole = Qt::UserRole + 2;
// Paths a message lists at most.
constexpr std::size_t kListedPaths = 10;

bool Exists(const fs::path& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

bool IsFolder(const fs::path& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

bool IsEnter(const QKeyEvent& key) {
    return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
}

QString FolderName(const fs::path& folder) {
    const auto name = folder.filename();
    return name.empty() ? PathText(folder) : PathText(name);
}

// A drag from the area's own tree or list says which one it came from, so
// that the work list takes it as ">>" does.
const QString kOwnDragFormat = QStringLiteral("application/x-tessarin-workarea");

template <class View, class Item>
class COwnDragSource final : public View {
public:
    COwnDragSource(const char* tag, QWidget* parent) : View(parent), m_tag(tag) {}

protected:
    QMimeData* mimeData(const QList<Item*>& items) const override {
        QMimeData* mime = View::mimeData(items);
        if (mime) mime->setData(kOwnDragFormat, m_tag);
        return mime;
    }

private:
    QByteArray m_tag;
};

}  // namespace

WorkAreaPlaces DesktopPlaces() {
    return {PathFromText(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation)),
            PathFromText(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)), MountedVolumes};
}

struct CWorkArea::Widgets {
    QComboBox* driveBox = nullptr;
    QToolButton* upButton = nullptr;
    QTreeWidget* folderTree = nullptr;
    QListWidget* fileList = nullptr;
    QCheckBox* encryptedOnly = nullptr;
    QLabel* workListCaption = nullptr;
    QListWidget* workList = nullptr;
    QPushButton* addButton = nullptr;
    QPushButton* removeButton = nullptr;
    QPushButton* clearButton = nullptr;
    QMenu* treeMenu = nullptr;
    QMenu* listMenu = nullptr;
    QAction* treeEncrypt = nullptr;
    QAction* treeDecrypt = nullptr;
    QAction* listEncrypt = nullptr;
    QAction* listDecrypt = nullptr;
    QAction* listWipe = nullptr;
    QFileIconProvider icons;
    QHash<QString, QIcon> iconBySuffix;
};

CWorkArea::CWorkArea(GuiContext& context, QWidget* parent)
    : QWidget(parent), m_context(context), m_ui(std::make_unique<Widgets>()) {
    setObjectName(QStringLiteral("CWorkArea"));
    Build();
    connect(&m_context.language, &CLanguageBinding::Changed, this, &CWorkArea::Relabel);
    Relabel();
    SetPlaces(DesktopPlaces());
}

CWorkArea::~CWorkArea() = default;

void CWorkArea::Build() {
    auto& ui = *m_ui;
    const auto named = [](QWidget* w, const char* name) {
        w->setObjectName(QString::fromLatin1(name));
        return w;
    };
    ui.driveBox = new QComboBox(this);
    named(ui.driveBox, "driveBox");
    ui.driveBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    ui.upButton = new QToolButton(this);
    named(ui.upButton, "upButton");
    ui.upButton->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
    ui.upButton->setEnabled(false);

    ui.folderTree = new COwnDragSource<QTreeWidget, QTreeWidgetItem>("tree", this);
    named(ui.folderTree, "folderTree");
    ui.folderTree->setHeaderHidden(true);
    ui.folderTree->setExpandsOnDoubleClick(false);
    ui.folderTree->setContextMenuPolicy(Qt::CustomContextMenu);
    ui.folderTree->setDragEnabled(true);
    ui.folderTree->setDragDropMode(QAbstractItemView::DragOnly);

    ui.fileList = new COwnDragSource<QListWidget, QListWidgetItem>("list", this);
    named(ui.fileList, "fileList");
    ui.fileList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ui.fileList->setContextMenuPolicy(Qt::CustomContextMenu);
    ui.fileList->setDragEnabled(true);
    ui.fileList->setDragDropMode(QAbstractItemView::DragOnly);
    ui.fileList->setUniformItemSizes(true);

    ui.encryptedOnly = new QCheckBox(this);
    named(ui.encryptedOnly, "encryptedOnly");
    ui.workListCaption = new QLabel(this);
    named(ui.workListCaption, "workListCaption");
    ui.workList = new QListWidget(this);
    named(ui.workList, "workList");
    ui.workList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ui.workList->setUniformItemSizes(true);
    ui.workList->setAcceptDrops(true);
    ui.workList->viewport()->setAcceptDrops(true);
    ui.workListCaption->setBuddy(ui.workList);

    ui.addButton = new QPushButton(this);
    named(ui.addButton, "addButton");
    ui.removeButton = new QPushButton(this);
    named(ui.removeButton, "removeButton");
    ui.clearButton = new QPushButton(this);
    named(ui.clearButton, "clearButton");
    for (auto* b : {ui.addButton, ui.removeButton, ui.clearButton}) b->setFocusPolicy(Qt::NoFocus);

    ui.treeMenu = new QMenu(this);
    ui.treeMenu->setObjectName(QStringLiteral("treeMenu"));
    ui.listMenu = new QMenu(this);
    ui.listMenu->setObjectName(QStringLiteral("listMenu"));
    const auto action = [](QMenu* menu, const char* name) {
        auto* a = menu->addAction(QString());
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    ui.treeEncrypt = action(ui.treeMenu, "treeEncryptForSelf");
    ui.treeDecrypt = action(ui.treeMenu, "treeDecrypt");
    ui.listEncrypt = action(ui.listMenu, "listEncryptForSelf");
    ui.listDecrypt = action(ui.listMenu, "listDecrypt");
    ui.listWipe = action(ui.listMenu, "listWipe");

    auto* driveRow = new QHBoxLayout;
    driveRow->addWidget(ui.driveBox, 1);
    driveRow->addWidget(ui.upButton);
    auto* browse = new QSplitter(Qt::Horizontal, this);
    browse->setObjectName(QStringLiteral("browseSplitter"));
    browse->addWidget(ui.folderTree);
    browse->addWidget(ui.fileList);
    browse->setStretchFactor(0, 2);
    browse->setStretchFactor(1, 3);
    browse->setChildrenCollapsible(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ui.workListCaption, 1);
    buttons->addWidget(ui.addButton);
    buttons->addWidget(ui.removeButton);
    buttons->addWidget(ui.clearButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(driveRow);
    layout->addWidget(browse, 3);
    layout->addWidget(ui.encryptedOnly);
    layout->addLayout(buttons);
    layout->addWidget(ui.workList, 2);

    for (QObject* o : {static_cast<QObject*>(ui.folderTree), static_cast<QObject*>(ui.fileList),
                       static_cast<QObject*>(ui.workList), static_cast<QObject*>(ui.workList->viewport())})
        o->installEventFilter(this);

    connect(ui.driveBox, &QComboBox::activated, this, &CWorkArea::ChooseDrive);
    connect(ui.upButton, &QToolButton::clicked, this, &CWorkArea::Up);
    connect(ui.folderTree, &QTreeWidget::itemExpanded, this, &CWorkArea::FillTreeNode);
    connect(ui.folderTree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item) ShowFolder(PathOfTreeItem(item));
    });
    connect(ui.folderTree, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { AddChosen(PathOfTreeItem(item), true); });
    connect(ui.fileList, &QListWidget::itemDoubleClicked, this, &CWorkArea::OpenFileListItem);
    connect(ui.encryptedOnly, &QCheckBox::toggled, this, &CWorkArea::FillFileList);
    connect(ui.addButton, &QPushButton::clicked, this, [this] { AddSelection(m_treeFocus); });
    connect(ui.removeButton, &QPushButton::clicked, this, &CWorkArea::RemoveSelected);
    connect(ui.clearButton, &QPushButton::clicked, this, &CWorkArea::ClearWorkList);
    connect(ui.workList, &QListWidget::itemDoubleClicked, this, &CWorkArea::RemoveSelected);

    connect(ui.folderTree, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        auto* item = m_ui->folderTree->itemAt(pos);
        if (!item) return;
        m_ui->folderTree->setCurrentItem(item);
        m_ui->treeMenu->popup(m_ui->folderTree->viewport()->mapToGlobal(pos));
    });
    connect(ui.fileList, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        auto* item = m_ui->fileList->itemAt(pos);
        if (!item) return;
        if (!item->isSelected()) {
            m_ui->fileList->clearSelection();
            item->setSelected(true);
        }
        m_ui->fileList->setCurrentItem(item, QItemSelectionModel::NoUpdate);
        m_ui->listMenu->popup(m_ui->fileList->viewport()->mapToGlobal(pos));
    });
    const auto command = [this](QAction* a, bool fromTree, void (CWorkArea::*requested)()) {
        connect(a, &QAction::triggered, this, [this, fromTree, requested] {
            if (AddForCommand(fromTree)) emit(this->*requested)();
        });
    };
    command(ui.treeEncrypt, true, &CWorkArea::EncryptForSelfRequested);
    command(ui.treeDecrypt, true, &CWorkArea::DecryptRequested);
    command(ui.listEncrypt, false, &CWorkArea::EncryptForSelfRequested);
    command(ui.listDecrypt, false, &CWorkArea::DecryptRequested);
    command(ui.listWipe, false, &CWorkArea::WipeRequested);
}

void CWorkArea::Relabel() {
    const auto& texts = m_context.Texts();
    auto& ui = *m_ui;
    ui.encryptedOnly->setText(Text(texts, slot::kEncryptedFilesOnly));
    ui.workListCaption->setText(Text(texts, slot::kWorkListCaption));
    ui.addButton->setText(Text(texts, slot::kAddToWorkList));
    ui.removeButton->setText(Text(texts, slot::kRemoveFromWorkList));
    ui.clearButton->setText(Text(texts, slot::kClearWorkList));
    ui.upButton->setToolTip(Text(texts, slot::kUpFolderTip));
    for (auto* a : {ui.treeEncrypt, ui.listEncrypt}) a->setText(Text(texts, slot::kMenuEncryptForSelf));
    for (auto* a : {ui.treeDecrypt, ui.listDecrypt}) a->setText(Text(texts, slot::kContextDecrypt));
    ui.listWipe->setText(Text(texts, slot::kMenuDelete));
    // The drive box's labels; its entries and the choice stay.
    const auto entries = DriveBoxEntries({m_places.desktop, m_places.documents, m_volumes}, texts);
    if (static_cast<int>(entries.size()) == ui.driveBox->count())
        for (int i = 0; i < ui.driveBox->count(); ++i)
            ui.driveBox->setItemText(i, Qs(entries[static_cast<std::size_t>(i)].text));
}

std::vector<fs::path> CWorkArea::Entries() const {
    return m_entries.Entries();
}

void CWorkArea::AddPaths(const std::vector<fs::path>& paths) {
    std::vector<fs::path> gone, unshowable;
    QStringList added;
    for (const auto& path : paths) {
        if (!IsShowable(path)) {
            unshowable.push_back(path);
            continue;
        }
        const auto target = DroppedPathTarget(path);
        if (!target) {
            gone.push_back(path);
        } else if (!IsShowable(*target)) {
            unshowable.push_back(*target);
        } else if (m_entries.Add(*target) == AddOutcome::Added) {
            added.push_back(PathText(m_entries.Entries().back()));
        }
    }
    // One call for the whole drop: no work per entry in the widget.
    m_ui->workList->addItems(added);
    if (!unshowable.empty()) ShowMessage(slot::kPathsNotShowable, PathLines(unshowable));
    if (!gone.empty()) ShowMessage(slot::kFileVanished, PathText(gone.front()).toStdString());
}

void CWorkArea::ClearWorkList() {
    m_entries.Clear();
    m_ui->workList->clear();
    m_ui->fileList->clearSelection();
}

WorkListExpansion CWorkArea::Expand() {
    m_context.dialog.ClearCancel();
    if (m_entries.Size() == 0) return {};
    // A copy: the window stays alive during the walk and may change the list.
    const auto entries = m_entries.Entries();
    auto out = ExpandWorkList(entries, [this] {
        QCoreApplication::processEvents();
        return m_context.dialog.CancelRequested();
    });
    for (const auto& folder : out.unreadable) ShowMessage(slot::kFolderNotOpened, PathText(folder).toStdString());
    return out;
}

void CWorkArea::Refresh() {
    FillFileList();
}

void CWorkArea::SetCommandsEnabled(bool enabled) {
    for (auto* a : {m_ui->treeEncrypt, m_ui->treeDecrypt, m_ui->listEncrypt, m_ui->listDecrypt, m_ui->listWipe})
        a->setEnabled(enabled);
}

void CWorkArea::SetPlaces(WorkAreaPlaces places) {
    m_places = std::move(places);
    FillDriveBox();
}

fs::path CWorkArea::CurrentFolder() const {
    return m_current;
}

void CWorkArea::FillDriveBox() {
    m_volumes = m_places.volumes ? m_places.volumes() : std::vector<Volume>{};
    const auto entries = DriveBoxEntries({m_places.desktop, m_places.documents, m_volumes}, m_context.Texts());
    auto* box = m_ui->driveBox;
    box->clear();
    for (const auto& e : entries) box->addItem(Qs(e.text), PathText(e.folder));
    if (box->count() > 0) {
        box->setCurrentIndex(0);
        ChooseDrive(0);
    }
}

void CWorkArea::ChooseDrive(int index) {
    if (index < 0 || index >= m_ui->driveBox->count()) return;
    m_driveRoot = PathFromText(m_ui->driveBox->itemData(index).toString());
    auto* tree = m_ui->folderTree;
    tree->clear();
    auto* top = new QTreeWidgetItem(tree, {FolderName(m_driveRoot)});
    top->setData(0, kPathRole, PathText(m_driveRoot));
    top->setIcon(0, m_ui->icons.icon(QFileIconProvider::Folder));
    top->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    FillTreeNode(top);
    {
        const QSignalBlocker quiet(tree);
        tree->setCurrentItem(top);
        tree->expandItem(top);
    }
    ShowFolder(m_driveRoot);
}

void CWorkArea::FillTreeNode(QTreeWidgetItem* item) {
    if (!item || item->data(0, kFilledRole).toBool()) return;
    item->setData(0, kFilledRole, true);
    const auto listing = SubFolders(PathOfTreeItem(item));
    const QIcon folderIcon = m_ui->icons.icon(QFileIconProvider::Folder);
    QList<QTreeWidgetItem*> children;
    for (const auto& e : listing.entries) {
        auto* child = new QTreeWidgetItem({PathText(e.path.filename())});
        child->setData(0, kPathRole, PathText(e.path));
        child->setIcon(0, folderIcon);
        child->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        children.push_back(child);
    }
    item->addChildren(children);
    if (children.isEmpty()) item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
}

void CWorkArea::ShowFolder(const fs::path& folder) {
    m_current = folder;
    m_ui->upButton->setEnabled(m_current != m_driveRoot);
    FillFileList();
}

void CWorkArea::FillFileList() {
    auto* list = m_ui->fileList;
    const auto listing = ListFolder(m_current, m_ui->encryptedOnly->isChecked());
    list->setUpdatesEnabled(false);
    list->clear();
    const QIcon folderIcon = m_ui->icons.icon(QFileIconProvider::Folder);
    for (const auto& e : listing.entries) {
        const QString path = PathText(e.path);
        QIcon icon = folderIcon;
        if (!e.folder) {
            // The desktop's icon for the file's type, looked up once a type.
            const QString suffix = QFileInfo(path).suffix().toLower();
            auto found = m_ui->iconBySuffix.find(suffix);
            if (found == m_ui->iconBySuffix.end())
                found = m_ui->iconBySuffix.insert(suffix, m_ui->icons.icon(QFileInfo(path)));
            icon = *found;
        }
        auto* item = new QListWidgetItem(icon, PathText(e.path.filename()), list);
        item->setData(kPathRole, path);
        item->setData(kFolderRole, e.folder);
    }
    list->setUpdatesEnabled(true);
    if (!listing.readable && !m_current.empty()) ShowMessage(slot::kFolderNotOpened, PathText(m_current).toStdString());
}

void CWorkArea::Up() {
    if (m_current == m_driveRoot || !m_current.has_relative_path()) return;
    ShowFolder(m_current.parent_path());
}

void CWorkArea::AddSelection(bool fromTree) {
    if (fromTree)
        AddChosen(m_current, true);
    else
        AddSelectedFiles();
}

void CWorkArea::AddSelectedFiles() {
    auto items = m_ui->fileList->selectedItems();
    std::sort(items.begin(), items.end(), [this](QListWidgetItem* a, QListWidgetItem* b) {
        return m_ui->fileList->row(a) < m_ui->fileList->row(b);
    });
    bool duplicate = false;
    QStringList added;
    for (auto* item : items) {
        const auto path = PathOfListItem(item);
        if (!Exists(path)) {
            m_ui->workList->addItems(added);
            ShowMessage(slot::kFileVanished, item->text().toStdString());
            Refresh();
            return;
        }
        if (m_entries.Add(path) == AddOutcome::Added)
            added.push_back(PathText(m_entries.Entries().back()));
        else
            duplicate = true;
    }
    m_ui->workList->addItems(added);
    if (duplicate) ShowMessage(slot::kFileAlreadySelected);
}

void CWorkArea::OpenFileListItem(QListWidgetItem* item) {
    if (!item) return;
    const auto path = PathOfListItem(item);
    if (!Exists(path)) {
        ShowMessage(slot::kFileVanished, item->text().toStdString());
        Refresh();
        return;
    }
    if (IsFolder(path)) {
        ShowFolder(path);
        return;
    }
    AddSelectedFiles();
}

void CWorkArea::RemoveSelected() {
    auto* list = m_ui->workList;
    std::vector<int> rows;
    for (auto* item : list->selectedItems()) rows.push_back(list->row(item));
    if (rows.empty()) return;
    std::sort(rows.begin(), rows.end());
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        m_entries.Remove(static_cast<std::size_t>(*it));
        delete list->takeItem(*it);
    }
    if (list->count() == 0) return;
    const int keep = std::min(rows.front(), list->count() - 1);
    list->setCurrentRow(keep, QItemSelectionModel::ClearAndSelect);
}

bool CWorkArea::AddChosen(const fs::path& path, bool folder) {
    if (path.empty()) return false;
    if (m_entries.Add(path) == AddOutcome::Duplicate) {
        ShowMessage(folder ? slot::kFolderAlreadySelected : slot::kFileAlreadySelected);
        return false;
    }
    m_ui->workList->addItem(PathText(m_entries.Entries().back()));
    return true;
}

bool CWorkArea::AddForCommand(bool fromTree) {
    std::vector<fs::path> paths;
    if (fromTree) {
        if (auto* item = m_ui->folderTree->currentItem()) paths.push_back(PathOfTreeItem(item));
    } else {
        for (auto* item : m_ui->fileList->selectedItems()) {
            const auto path = PathOfListItem(item);
            if (!Exists(path)) {
                ShowMessage(slot::kFileVanished, item->text().toStdString());
                Refresh();
                return false;
            }
            paths.push_back(path);
        }
    }
    if (paths.empty()) return false;
    QStringList added;
    for (const auto& p : paths)
        if (m_entries.Add(p) == AddOutcome::Added) added.push_back(PathText(m_entries.Entries().back()));
    m_ui->workList->addItems(added);
    return true;
}

void CWorkArea::ShowMessage(int slotNumber, const std::string& argument) {
    const bool duplicate = slotNumber == slot::kFolderAlreadySelected || slotNumber == slot::kFileAlreadySelected;
    ShowSlotMessage(m_context, slotNumber, duplicate ? MessageKind::Information : MessageKind::Warning, argument);
}

fs::path CWorkArea::PathOfTreeItem(const QTreeWidgetItem* item) const {
    return item ? PathFromText(item->data(0, kPathRole).toString()) : fs::path();
}

fs::path CWorkArea::PathOfListItem(const QListWidgetItem* item) const {
    return item ? PathFromText(item->data(kPathRole).toString()) : fs::path();
}

bool CWorkArea::eventFilter(QObject* watched, QEvent* event) {
    auto& ui = *m_ui;
    switch (event->type()) {
        case QEvent::FocusIn:
            if (watched == ui.folderTree) m_treeFocus = true;
            if (watched == ui.fileList) m_treeFocus = false;
            break;
        case QEvent::KeyPress: {
            const auto& key = static_cast<const QKeyEvent&>(*event);
            if (watched == ui.folderTree && IsEnter(key)) {
                AddChosen(PathOfTreeItem(ui.folderTree->currentItem()), true);
                return true;
            }
            if (watched == ui.fileList && IsEnter(key)) {
                OpenFileListItem(ui.fileList->currentItem());
                return true;
            }
            if (watched == ui.workList && (IsEnter(key) || key.key() == Qt::Key_Delete)) {
                RemoveSelected();
                return true;
            }
            break;
        }
        case QEvent::DragEnter:
        case QEvent::DragMove:
            if (watched == ui.workList->viewport()) {
                auto& drag = static_cast<QDragMoveEvent&>(*event);
                const QMimeData* mime = drag.mimeData();
                if (mime && (mime->hasFormat(kOwnDragFormat) || CarriesPaths(*mime)))
                    drag.acceptProposedAction();
                else
                    drag.ignore();
                return true;
            }
            break;
        case QEvent::Drop:
            if (watched == ui.workList->viewport()) {
                auto& drop = static_cast<QDropEvent&>(*event);
                const QMimeData* mime = drop.mimeData();
                if (!mime) return true;
                const QByteArray own = mime->data(kOwnDragFormat);
                if (own == "tree")
                    AddChosen(PathOfTreeItem(ui.folderTree->currentItem()), true);
                else if (own == "list")
                    AddSelectedFiles();
                else
                    AddPaths(DroppedPaths(*mime));
                drop.acceptProposedAction();
                return true;
            }
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace tessarin::gui
