#pragma once
// Pages and files opened with the desktop's programs (the browser, the
// program a file type is associated with). Tests record instead.

#include <QUrl>

namespace tessarin::gui {

class IDesktop {
public:
    virtual ~IDesktop() = default;
    // False when the desktop has no program for it.
    virtual bool OpenUrl(const QUrl& url) = 0;
};

class CQtDesktop final : public IDesktop {
public:
    bool OpenUrl(const QUrl& url) override;
};

}  // namespace tessarin::gui
