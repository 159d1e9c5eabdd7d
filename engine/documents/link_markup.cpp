#include "engine/documents/link_markup.h"

namespace fablewick {

std::string NamedRerollPrefix(std::string_view number) {
  return std::string(kNamedLinkMarker)
      .append(number)
      .append("\" CLASS=clsLink href=\"reg")
      .append(number)
      .append("://");
}

std::string UnnamedRerollPrefix(std::string_view number) {
  return std::string("<a CLASS=clsLink href=\"reg").append(number).append("://");
}

std::string RerollLinkTag(std::string_view number, std::string_view rest, bool named) {
  return (named ? NamedRerollPrefix(number) : UnnamedRerollPrefix(number))
      .append(rest)
      .append("\">");
}

std::string NoteOpeningTag(std::string_view number) {
  return std::string(kNamedLinkMarker)
      .append(number)
      .append("\" CLASS=clsLink style=\"color:green\" href=\"nte")
      .append(number)
      .append("://\">");
}

std::string NoteLinkMarkup(std::string_view number, std::string_view note) {
  return NoteOpeningTag(number).append(note).append(kLinkClosingTag);
}

}  // namespace fablewick
