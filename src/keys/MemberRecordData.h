#pragma once
// Words written into member records as data, not shown as interface text:
// they are stored in the key lists and compared when read back, so they keep
// one spelling whatever the interface language.

#include <string_view>

namespace tessarin::member_data {

// The maker's own key, found loose in the key pair folder.
inline constexpr std::string_view kMakerName = "Vorneloft";
inline constexpr std::string_view kMakerKeyMail = "keys@vorneloft.example";
// The name of the record of the user's own auth key. The label is stored data, not a shown text: its Japanese words are
// written into the record whatever the language (the row shows slot::kSelfAuthKeyRow).
inline constexpr std::string_view kSelfAuthKeyLabel = "自身のファイル暗号化用";

}  // namespace tessarin::member_data
