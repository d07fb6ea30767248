#include "gui/decrypt/DecryptCommand.h"

#include "gui/common/CommandJob.h"
#include "gui/common/GuiContext.h"
#include "gui/common/GuiText.h"
#include "gui/decrypt/CDecryptFileDialog.h"
#include "gui/decrypt/CFileDialogWithContDec.h"

namespace tessarin::gui {

namespace {

// With no files given: the chooser, then the decrypt file dialog (with the
// name choice for the decrypt command). False when the user cancelled.
bool ChooseFiles(GuiContext& context, QWidget* parent, DecryptCommandMode mode, DecryptRequest& job) {
    const auto& texts = context.Texts();
    ChooserRequest request;
    request.title = Text(texts, slot::kDecryptDialogTitle);
    request.filter = Text(texts, slot::kContainerFilter);
    const auto chosen = context.chooser.OpenFiles(parent, request, true);
    if (chosen.empty()) return false;
    job.entry = DecryptEntry::Dialog;
    if (mode == DecryptCommandMode::Command) {
        CFileDialogWithContDec dialog(context, chosen, job.keepContainerName, parent);
        if (dialog.exec() != QDialog::Accepted) return false;
        job.files = dialog.Files();
        job.keepContainerName = dialog.KeepContainerName();
        return true;
    }
    CDecryptFileDialog dialog(context, chosen, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    job.files = dialog.Files();
    return true;
}

}  // namespace

bool StartDecryptCommand(GuiContext& context, QWidget* parent, DecryptCommandRequest request,
                         std::function<void(const JobResult&)> done) {
    if (!CommandMayStart(context, parent)) return false;
    DecryptRequest job;
    const auto defaults = OptionsFromSettings(context.core.settings);
    job.removeAfterDecrypt = defaults.removeAfterDecrypt;
    job.keepContainerName = defaults.keepContainerName;
    if (request.files.empty()) {
        if (!ChooseFiles(context, parent, request.mode, job)) return false;
    } else {
        job.files = std::move(request.files);
        job.entry = request.mode == DecryptCommandMode::Command ? DecryptEntry::Command : DecryptEntry::Dialog;
    }
    auto& core = context.core;
    return RunCommandJob(
        context, parent, [&core, job] { return core.Decrypt(job); }, std::move(done));
}

}  // namespace tessarin::gui
