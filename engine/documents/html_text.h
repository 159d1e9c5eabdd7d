// Plain text inside HTML: the text a person types, written so that the document shows it exactly
// as typed, and read back the same.
#pragma once

#include <string>
#include <string_view>

namespace fablewick {

// The text with "&", "<", ">", '"' and "'" written as character references; any other
// character is kept, so text without them comes back byte for byte.
std::string EscapeHtmlText(std::string_view text);

// The text with the character references a document may hold turned back into their
// characters: "&amp;" "&lt;" "&gt;" "&quot;" "&apos;" "&nbsp;" and the numeric forms "&#N;" and
// "&#xH;". Anything else, a lone "&" included, is kept as it stands.
std::string DecodeHtmlText(std::string_view text);

}  // namespace fablewick
