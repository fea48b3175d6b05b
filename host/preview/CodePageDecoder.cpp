#include "CodePageDecoder.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

namespace mkt::preview {

// Owns one iconv conversion descriptor.
class IconvHandle {
 public:
  explicit IconvHandle(const char* from) : m_cd(iconv_open("UTF-32LE", from)) {}
  ~IconvHandle() {
    if (Valid()) iconv_close(m_cd);
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;
  bool Valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
  iconv_t Get() const { return m_cd; }

 private:
  iconv_t m_cd;
};

namespace {

const char* DoubleCharset(unsigned codePage) {
  switch (codePage) {
    case 932: return "CP932";
    case 936: return "GBK";
    case 949: return "CP949";
    case 950: return "BIG5";
    case 0: return "EUC-JP";  // JIS: both bytes 21..7E, taken with bit 7 set
    default: return nullptr;
  }
}

}  // namespace

CodePageDecoder::CodePageDecoder() = default;
CodePageDecoder::~CodePageDecoder() = default;

const char* CodePageDecoder::TableCharset(uint8_t table) {
  switch (table) {
    case 0: return "CP437";
    case 2: return "CP850";
    case 3: return "CP860";
    case 4: return "CP863";
    case 5: return "CP865";
    case 16: return "CP1252";
    case 17: return "CP866";
    case 18: return "CP852";
    case 19: return "CP858";
    case 255: return "CP1252";  // the user page: shown with the Windows Latin page
    default: return nullptr;
  }
}

char32_t CodePageDecoder::Convert(void* handle, const uint8_t* bytes, size_t n) {
  iconv_t cd = static_cast<iconv_t>(handle);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
  char in[2] = {static_cast<char>(bytes[0]), n > 1 ? static_cast<char>(bytes[1]) : '\0'};
  unsigned char out[8] = {};
  char* ip = in;
  size_t il = n;
  char* op = reinterpret_cast<char*>(out);
  size_t ol = sizeof(out);
  if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1) || il != 0 || ol != 4) return 0;
  return static_cast<char32_t>(out[0] | (out[1] << 8) | (out[2] << 16) | (static_cast<uint32_t>(out[3]) << 24));
}

char32_t CodePageDecoder::DecodeSingle(uint8_t table, uint8_t b) {
  auto it = m_single.find(table);
  if (it == m_single.end()) {
    std::array<char32_t, 256> map{};
    const char* cs = TableCharset(table);
    if (cs == nullptr) cs = "CP437";
    IconvHandle cd(cs);
    for (int c = 0; c < 256; ++c) {
      if (c < 0x20) continue;
      if (!cd.Valid()) {
        map[c] = c < 0x80 ? static_cast<char32_t>(c) : 0;
        continue;
      }
      const uint8_t byte = static_cast<uint8_t>(c);
      map[c] = Convert(cd.Get(), &byte, 1);
    }
    it = m_single.emplace(table, map).first;
  }
  return it->second[b];
}

bool CodePageDecoder::IsLeadByte(unsigned codePage, uint8_t b) {
  switch (codePage) {
    case 932: return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case 0: return b >= 0x21 && b <= 0x7E;
    default: return b >= 0x81 && b <= 0xFE;
  }
}

char32_t CodePageDecoder::DecodeDouble(unsigned codePage, uint8_t lead, uint8_t trail) {
  const uint32_t key = (codePage << 16) | (static_cast<uint32_t>(lead) << 8) | trail;
  auto it = m_double.find(key);
  if (it != m_double.end()) return it->second;
  const char* cs = DoubleCharset(codePage);
  char32_t cp = 0;
  if (cs != nullptr) {
    uint8_t bytes[2] = {lead, trail};
    if (codePage == 0) {
      bytes[0] |= 0x80;
      bytes[1] |= 0x80;
    }
    auto it2 = m_handles.find(codePage);
    if (it2 == m_handles.end()) it2 = m_handles.emplace(codePage, std::make_unique<IconvHandle>(cs)).first;
    if (it2->second->Valid()) cp = Convert(it2->second->Get(), bytes, 2);
  }
  m_double.emplace(key, cp);
  return cp;
}

}  // namespace mkt::preview
