// Turns the printer's 8-bit text (a character code table, or a double-byte
// code system) into Unicode code points for drawing, through iconv.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>

namespace mkt::preview {

class IconvHandle;

class CodePageDecoder {
 public:
  CodePageDecoder();
  ~CodePageDecoder();
  CodePageDecoder(const CodePageDecoder&) = delete;
  CodePageDecoder& operator=(const CodePageDecoder&) = delete;

  // The code point of byte `b` in the printer's character code table `table`
  // (the n of 1B 74 n); 0 when the byte has no character.
  char32_t DecodeSingle(uint8_t table, uint8_t b);
  // The code point of the double-byte character lead/trail in `codePage`
  // (932, 936, 949, 950, or 0 for JIS); 0 when it is not a character.
  char32_t DecodeDouble(unsigned codePage, uint8_t lead, uint8_t trail);
  // Whether `b` opens a double-byte character in `codePage`.
  static bool IsLeadByte(unsigned codePage, uint8_t b);
  // The iconv name of a character code table; empty for an unknown table.
  static const char* TableCharset(uint8_t table);

 private:
  static char32_t Convert(void* handle, const uint8_t* bytes, size_t n);

  std::map<uint8_t, std::array<char32_t, 256>> m_single;
  std::unordered_map<uint32_t, char32_t> m_double;  // key: codePage << 16 | lead << 8 | trail
  std::map<unsigned, std::unique_ptr<IconvHandle>> m_handles;  // per double-byte code page
};

}  // namespace mkt::preview
