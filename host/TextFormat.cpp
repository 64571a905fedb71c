#include "TextFormat.h"

#include <charconv>
#include <cstdint>
#include <system_error>

std::string QuoteText(std::string_view text) {
  static constexpr char kHexDigits[] = "0123456789abcdef";
  std::string quoted = "\"";
  for (char c : text) {
    const auto byte = static_cast<uint8_t>(c);
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (byte < 32 || byte > 126) {
      quoted += "\\x";
      quoted += kHexDigits[byte >> 4];
      quoted += kHexDigits[byte & 0xF];
    } else {
      quoted += c;
    }
  }
  quoted += '"';
  return quoted;
}

std::string FormatFloat(float value) {
  // std::to_chars in general format with a precision is defined to match
  // printf's %g in the C locale, and unlike the Windows C runtime's printf it
  // writes two-digit exponents, so both targets print the same bytes.
  char buffer[64];
  const auto [end, error] = std::to_chars(
      buffer, buffer + sizeof buffer, static_cast<double>(value), std::chars_format::general, 9);
  if (error != std::errc()) return "?";  // cannot happen: 64 bytes hold any %.9g
  return std::string(buffer, end);
}
