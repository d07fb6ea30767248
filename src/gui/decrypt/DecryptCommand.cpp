#include "gui/decrypt/DecryptCommand.h"

#include "gui/common/GuiContext.h"

namespace tessarin::gui {

bool StartDecryptCommand(GuiContext& context, QWidget* /*parent*/, DecryptCommandRequest request,
                         std::function<void(const JobResult&)> done) {
    DecryptRequest job;
    job.files = std::move(request.files);
    job.entry = request.mode == DecryptCommandMode::Command ? DecryptEntry::Command : DecryptEntry::Dialog;
    const auto defaults = OptionsFromSettings(context.core.settings);
    job.removeAfterDecrypt = defaults.removeAfterDecrypt;
    job.keepContainerName = defaults.keepContainerName;
    auto& core = context.core;
    auto& dialog = context.dialog;
    return context.jobs.Run<JobResult>([&core, job] { return core.Decrypt(job); },
                                       [&core, &dialog, done = std::move(done)](JobResult result) {
                                           if (const auto text = core.RefusalText(result); !text.empty())
                                               dialog.ShowMessage(text, MessageKind::Warning, {});
                                           if (done) done(result);
                                       });
}

}  // namespace tessarin::gui
