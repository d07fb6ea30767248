#pragma once
// CVantrelDlg: the main window. Its menu carries every command of the
// program; the work area on the left gathers the files for the next
// command, the key lists on the right choose the recipients of the next
// encryption, and the progress bar and status line follow the running job.
// Commands that would start another job are off while one runs.

#include <QMainWindow>
#include <QPointer>
#include <filesystem>
#include <map>
#include <optional>
#include <vector>

#include "app/AppCore.h"

class QAction;
class QActionGroup;
class QCheckBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QProgressBar;
class QPushButton;
class QSystemTrayIcon;

namespace tessarin::gui {

struct GuiContext;
class CWait;
class CWorkArea;

class CVantrelDlg final : public QMainWindow {
    Q_OBJECT
public:
    // The command identifiers of the menu.
    enum Command : int {
        kCreateKeySet = 116,
        kAuthenticateRequest = 306,
        kAuthenticate = 177,
        kShowQrCode = 32881,
        kAddressBook = 174,
        kEncrypt = 151,
        kDecrypt = 152,
        kHistory = 283,
        kForward = 282,
        kOptions = 158,
        kKeyBackup = 338,
        kExit = 57665,
        kHelp = 57666,
        kAbout = 225,
        kJapanese = 284,
        kEnglish = 286,
        kSmallWindow = 32846,
        // Ours: the QR code functions, the repair request and the restore
        // of a private key from the backup shares.
        kQrFunctions = 40001,
        kKeyRepair = 40002,
        kRestoreKey = 40003,
    };

    explicit CVantrelDlg(GuiContext& context, QWidget* parent = nullptr);
    ~CVantrelDlg() override;

    // Every caption, title, menu label and tooltip from the table.
    void Relabel();

    // The menu command `id` (its objectName is "command<id>").
    QAction* CommandAction(int id) const;
    CWorkArea& WorkArea() { return *m_work; }
    QMenu& TrayMenu() { return *m_trayMenu; }

    // The key files chosen as recipients of the next encryption, in order.
    const std::vector<std::filesystem::path>& ChosenKeys() const { return m_chosen; }
    // Reads the address book's keys anew; chosen keys still listed stay chosen.
    void RefreshKeyLists();

    // Switches to the small window and runs it. True when the full window
    // goes on afterwards, false when the program is to close.
    bool RunSmallWindow();

signals:
    // The window was closed: the program ends.
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenu();
    void BuildControls();
    void BuildTray();
    void OnCommand(int id);
    void OnBusyChanged(bool busy);
    // Enables each command as the key set and the job runner allow.
    void UpdateCommands();

    // The work list expanded for a command: its files; nothing when the
    // expansion was cancelled or a job runs.
    std::optional<std::vector<std::filesystem::path>> FilesOfWorkList();
    void Encrypt();
    void Decrypt();
    void EncryptForSelf();
    void DecryptFromContextMenu();
    void WipeFromContextMenu();
    void AfterJob();
    void SwitchLanguage(LanguageTable::Language language);
    void ShowAbout();
    void RunKeyJob(int id);
    void ShowFromTray();

    // Moves the selected candidates to the chosen list, each after its check.
    void ChooseKeys(const QList<QListWidgetItem*>& items);
    void UnchooseKeys(const QList<QListWidgetItem*>& items);
    // Shows m_rows and m_chosen in the two lists.
    void FillKeyLists();
    QString KeyLabel(const KeyRow& row) const;
    // Empties the work arrays and the chosen list, resets the progress and
    // refills the file list and the key lists.
    void ResetState();
    void ShowProgress(qint64 position, qint64 total);

    GuiContext& m_context;
    std::map<int, QAction*> m_commands;
    std::vector<std::pair<QMenu*, int>> m_menus;  // each top-level menu with its title slot
    QActionGroup* m_languages = nullptr;

    CWorkArea* m_work = nullptr;
    QLabel* m_candidateCaption = nullptr;
    QListWidget* m_candidates = nullptr;
    QPushButton* m_choose = nullptr;
    QPushButton* m_unchoose = nullptr;
    QLabel* m_chosenCaption = nullptr;
    QListWidget* m_chosenList = nullptr;
    QCheckBox* m_mail = nullptr;
    QCheckBox* m_detail = nullptr;
    QPushButton* m_addressBook = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_status = nullptr;

    QMenu* m_trayMenu = nullptr;
    QAction* m_trayShow = nullptr;
    QAction* m_trayExit = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
    QPointer<CWait> m_wait;

    std::vector<KeyRow> m_rows;  // the address book as last read
    std::vector<std::filesystem::path> m_chosen;
};

}  // namespace tessarin::gui
