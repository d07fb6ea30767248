#include "app/WebPages.h"

#include "platform/ServiceUrl.h"

namespace tessarin {

std::string MakerPageUrl(MakerPage page) {
    const char* tail = "";
    switch (page) {
        case MakerPage::Home:
            tail = "";
            break;
        case MakerPage::Support:
            tail = "support/";
            break;
        case MakerPage::Faq:
            tail = "faq/";
            break;
        case MakerPage::Help:
            tail = "help/";
            break;
    }
    return ServiceBaseUrl() + "tessarin/" + tail;
}

}  // namespace tessarin
