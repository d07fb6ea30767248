#pragma once
// How a command runs its use case once its windows are done: on the job
// runner, under the wait window (whose Cancel sets the cancel flag the job
// polls); afterwards the refusal text of a refused job is shown and `done`
// runs with the result, on the UI thread.

#include <functional>

#include "app/AppCore.h"

class QWidget;

namespace tessarin::gui {

struct GuiContext;

// False when nothing was started (another job runs).
bool RunCommandJob(GuiContext& context, QWidget* parent, std::function<JobResult()> job,
                   std::function<void(const JobResult&)> done);

// Whether a command may open its windows: no job runs and a key set is in
// use. Otherwise says why.
bool CommandMayStart(GuiContext& context, QWidget* parent);

}  // namespace tessarin::gui
