#include "gui/encrypt/EncryptCommand.h"

#include <algorithm>

#include "gui/common/CommandJob.h"
#include "gui/common/GuiContext.h"
#include "gui/common/GuiText.h"
#include "gui/common/WindowMessage.h"
#include "gui/encrypt/CEncryptOptDlg.h"
#include "gui/encrypt/CFileDialogWithTimeSet.h"
#include "gui/encrypt/CKeyListSel.h"

namespace tessarin::gui {

namespace {

void AddKeyFiles(EncryptRequest& job, const std::vector<std::filesystem::path>& keys) {
    for (const auto& key : keys) job.recipients.push_back({RecipientKind::KeyFile, key.string()});
}

// The windows of the mode, filling job; false when the user cancelled one
// or the command cannot go on (its message shown).
bool ShowWindows(GuiContext& context, QWidget* parent, EncryptCommandRequest& request, EncryptRequest& job) {
    const auto& texts = context.Texts();
    switch (request.mode) {
        case EncryptMode::Command: {
            auto recipients = std::move(request.recipients);
            if (recipients.empty()) {
                const auto rows = context.core.ListKeys();
                if (std::none_of(rows.begin(), rows.end(), [](const KeyRow& row) { return row.auth; })) {
                    ShowWindowMessage(context, parent, texts[slot::kRegisterPartnersFirst]);
                    return false;
                }
                CKeyListSel choice(context, parent);
                if (choice.exec() != QDialog::Accepted) return false;
                recipients = choice.Chosen();
            }
            auto sources = std::move(request.sources);
            if (sources.empty()) {
                ChooserRequest files;
                files.title = Text(texts, slot::kEncryptFilesTitle);
                sources = context.chooser.OpenFiles(parent, files, true);
                if (sources.empty()) return false;
            }
            CFileDialogWithTimeSet dialog(context, sources, job.options, parent);
            if (dialog.exec() != QDialog::Accepted) return false;
            job.sources = dialog.Files();
            job.options = dialog.Options();
            AddKeyFiles(job, recipients);
            return true;
        }
        case EncryptMode::AddressBook:
            if (request.recipients.empty()) {
                ShowWindowMessage(context, parent, texts[slot::kNoPartnerSelected]);
                return false;
            }
            job.entry = EncryptEntry::AddressBook;
            break;
        case EncryptMode::Options:
            if (request.recipients.empty()) {
                ShowWindowMessage(context, parent, texts[slot::kNoRecipientChosen]);
                return false;
            }
            job.entry = EncryptEntry::Options;
            // The main window's detail switch.
            job.optionsCheckBox = context.core.State().optionsCheckBox;
            if (job.optionsCheckBox) {
                CEncryptOptDlg dialog(context, job.options, parent);
                if (dialog.exec() != QDialog::Accepted) return false;
                job.options = dialog.Options();
            }
            break;
        case EncryptMode::Self:
        case EncryptMode::Backup:
        case EncryptMode::Folder:
            break;
    }
    job.sources = std::move(request.sources);
    if (request.mode == EncryptMode::Self || request.recipients.empty())
        job.recipients.push_back({RecipientKind::Self, {}});
    else
        AddKeyFiles(job, request.recipients);
    return true;
}

}  // namespace

bool StartEncryptCommand(GuiContext& context, QWidget* parent, EncryptCommandRequest request,
                         std::function<void(const JobResult&)> done) {
    if (!CommandMayStart(context, parent)) return false;
    EncryptRequest job;
    job.options = OptionsFromSettings(context.core.settings).encrypt;
    if (!ShowWindows(context, parent, request, job)) return false;
    auto& core = context.core;
    return RunCommandJob(
        context, parent, [&core, job] { return core.Encrypt(job); }, std::move(done));
}

}  // namespace tessarin::gui
