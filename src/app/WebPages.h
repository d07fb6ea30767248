#pragma once
// The maker's web pages the program opens in the browser: the three pages of
// the small window's buttons and the help page. All of them live under the
// service's root URL (ServiceBaseUrl), so a user who points the program at
// another service gets that service's pages:
//   Home     <root>tessarin/
//   Support  <root>tessarin/support/
//   Faq      <root>tessarin/faq/
//   Help     <root>tessarin/help/

#include <string>

namespace tessarin {

enum class MakerPage { Home, Support, Faq, Help };

std::string MakerPageUrl(MakerPage page);

}  // namespace tessarin
