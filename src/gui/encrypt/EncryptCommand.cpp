#include "gui/encrypt/EncryptCommand.h"

#include "gui/common/GuiContext.h"

namespace tessarin::gui {

bool StartEncryptCommand(GuiContext& context, QWidget* /*parent*/, EncryptCommandRequest request,
                         std::function<void(const JobResult&)> done) {
    EncryptRequest job;
    job.sources = std::move(request.sources);
    if (request.mode == EncryptMode::Self || request.recipients.empty()) {
        job.recipients.push_back({RecipientKind::Self, {}});
    } else {
        for (const auto& key : request.recipients) job.recipients.push_back({RecipientKind::KeyFile, key.string()});
    }
    job.entry = request.mode == EncryptMode::AddressBook ? EncryptEntry::AddressBook : EncryptEntry::Command;
    job.options = OptionsFromSettings(context.core.settings).encrypt;
    auto& core = context.core;
    auto& dialog = context.dialog;
    return context.jobs.Run<JobResult>([&core, job] { return core.Encrypt(job); },
                                       [&core, &dialog, done = std::move(done)](JobResult result) {
                                           if (const auto text = core.RefusalText(result); !text.empty())
                                               dialog.ShowMessage(text, MessageKind::Warning, {});
                                           if (done) done(result);
                                       });
}

}  // namespace tessarin::gui
