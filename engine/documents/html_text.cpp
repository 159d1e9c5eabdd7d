#include "engine/documents/html_text.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <utility>

namespace fablewick {
namespace {

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The character a numeric reference's digits name; 0 when they name none.
char32_t NumericReference(std::string_view digits) {
  int base = 10;
  if (!digits.empty() && (digits.front() == 'x' || digits.front() == 'X')) {
    base = 16;
    digits.remove_prefix(1);
  }
  std::uint32_t value = 0;
  const auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) return 0;
  if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  return static_cast<char32_t>(value);
}

}  // namespace

std::string EscapeHtmlText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string DecodeHtmlText(std::string_view text) {
  static constexpr std::array<std::pair<std::string_view, char32_t>, 6> kNamed = {
      {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}, {"nbsp", 0xA0}}};
  std::string out;
  out.reserve(text.size());
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t amp = text.find('&', at);
    if (amp == std::string_view::npos) break;
    out.append(text.substr(at, amp - at));
    const std::size_t semicolon = text.find(';', amp + 1);
    char32_t decoded = 0;
    if (semicolon != std::string_view::npos && semicolon - amp <= 10) {
      const std::string_view name = text.substr(amp + 1, semicolon - amp - 1);
      if (name.starts_with('#')) {
        decoded = NumericReference(name.substr(1));
      } else {
        for (const auto& [entity, character] : kNamed) {
          if (name == entity) decoded = character;
        }
      }
    }
    if (decoded) {
      AppendUtf8(out, decoded);
      at = semicolon + 1;
    } else {
      out += '&';
      at = amp + 1;
    }
  }
  out.append(text.substr(at));
  return out;
}

}  // namespace fablewick
