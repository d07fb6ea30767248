#include "gui/common/Desktop.h"

#include <QDesktopServices>

namespace tessarin::gui {

bool CQtDesktop::OpenUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

}  // namespace tessarin::gui
