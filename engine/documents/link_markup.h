// The markup of the program's own links in HTML results, built here for everyone who writes it:
// group calls with the "L" prefix, the "Note" function, and the patching of a link after a
// click. N is the link number in plain decimal (Engine::NextLinkNumber gives new ones):
//   re-roll, named:   <a name="fwrollN" CLASS=clsLink href="regN://{modifiers}{call}">text</a>
//   re-roll, unnamed: <a CLASS=clsLink href="regN://{modifiers}{call}">text</a>
//   note:             <a name="fwrollN" CLASS=clsLink style="color:green" href="nteN://">note</a>
#pragma once

#include <string>
#include <string_view>

namespace fablewick {

// How every named link begins: the links that export can remove.
inline constexpr std::string_view kNamedLinkMarker = "<a name=\"fwroll";
inline constexpr std::string_view kLinkClosingTag = "</a>";

// The opening tag of re-roll link N up to and including the "://" of its address.
std::string NamedRerollPrefix(std::string_view number);
std::string UnnamedRerollPrefix(std::string_view number);
// The whole opening tag of re-roll link N; `rest` is what its address holds after "://".
std::string RerollLinkTag(std::string_view number, std::string_view rest, bool named);

// The opening tag of note link N.
std::string NoteOpeningTag(std::string_view number);
// Note link N showing `note`, closing tag included.
std::string NoteLinkMarkup(std::string_view number, std::string_view note);

}  // namespace fablewick
