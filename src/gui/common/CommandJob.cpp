#include "gui/common/CommandJob.h"

#include <QPointer>

#include "gui/common/CWait.h"
#include "gui/common/GuiContext.h"
#include "gui/common/WindowMessage.h"

namespace tessarin::gui {

namespace {
std::string BusyText(const AppCore& core) {
    JobResult busy;
    busy.status = JobStatus::Busy;
    return core.RefusalText(busy);
}
}  // namespace

bool CommandMayStart(GuiContext& context, QWidget* parent) {
    std::string refusal;
    if (context.jobs.Busy() || context.core.JobRunning())
        refusal = BusyText(context.core);
    else if (!context.core.HasKeySet())
        refusal = context.Texts()[slot::kMakeKeySetFirst];
    else
        return true;
    ShowWindowMessage(context, parent, refusal);
    return false;
}

bool RunCommandJob(GuiContext& context, QWidget* parent, std::function<JobResult()> job,
                   std::function<void(const JobResult&)> done) {
    auto& core = context.core;
    auto& dialog = context.dialog;
    // The wait window belongs to Qt: it goes when closed, by its Cancel or
    // when the job is done.
    QPointer<CWait> wait = new CWait(
        context.Texts(), [&dialog] { dialog.RequestCancel(); }, parent);
    wait->setAttribute(Qt::WA_DeleteOnClose);
    const bool started =
        context.jobs.Run<JobResult>(std::move(job), [&core, &dialog, wait, done = std::move(done)](JobResult result) {
            if (wait) wait->close();
            if (const auto text = core.RefusalText(result); !text.empty())
                dialog.ShowMessage(text, MessageKind::Warning, {});
            if (done) done(result);
        });
    if (!started) {
        wait->close();
        ShowWindowMessage(context, parent, BusyText(core));
        return false;
    }
    wait->show();
    return true;
}

}  // namespace tessarin::gui
