#include "TextFormat.h"

#include <charconv>
#include <cstdint>
#include <system_error>

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

void AppendHexEscape(std::string& out, uint8_t byte) {
  out += "\\x";
  out += kHexDigits[byte >> 4];
  out += kHexDigits[byte & 0xF];
}

}  // namespace

std::string QuoteText(std::string_view text) {
  std::string quoted = "\"";
  for (char c : text) {
    const auto byte = static_cast<uint8_t>(c);
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (byte < 32 || byte > 126) {
      AppendHexEscape(quoted, byte);
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

std::string ShortestFloat(float value) {
  // Without a format, std::to_chars gives the shortest text that reads back
  // as the same float, in fixed or scientific form, whichever is shorter.
  char buffer[64];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  if (error != std::errc()) return "?";  // cannot happen: 64 bytes hold any float
  return std::string(buffer, end);
}

std::string Counted(size_t count, std::string_view singular, std::string_view plural) {
  return std::to_string(count) + ' ' + std::string(count == 1 ? singular : plural);
}

std::string IndentedText(std::string_view text, std::string_view indent) {
  std::string out(indent);
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<uint8_t>(text[i]);
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\n' || text[i] == '\r') {
      out += '\n';
      out += indent;
    } else if ((byte < 32 && text[i] != '\t') || byte == 127) {
      AppendHexEscape(out, byte);
    } else {
      out += text[i];
    }
  }
  return out;
}
