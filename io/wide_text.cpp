// UTF-8 and code page 1251 to UTF-16 and back, as Windows' own conversion does
// it (an invalid sequence or a lone surrogate becomes U+FFFD), without calling
// it: the program's portable code and its tests use the same conversion.
#include "io/wide_text.h"

#include "io/text_encoding.h"

namespace io {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The code point at `i` in UTF-8 text, advancing `i` past it.
char32_t NextCodePoint(const std::string& text, size_t& i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i++);
  if (lead < 0x80) return lead;
  int extra = lead >= 0xF0 && lead <= 0xF4   ? 3
              : lead >= 0xE0                 ? 2
              : lead >= 0xC2 && lead <= 0xDF ? 1
                                             : -1;
  if (extra < 0) return kReplacement;
  char32_t cp = lead & (0x3F >> extra);
  const size_t start = i;
  for (int k = 0; k < extra; ++k, ++i) {
    if (i >= text.size() || (byte(i) & 0xC0) != 0x80) return kReplacement;
    // The second byte limits what the lead may start: no overlong forms, no
    // surrogates, nothing past U+10FFFF.
    if (i == start) {
      const unsigned char b = byte(i);
      if ((lead == 0xE0 && b < 0xA0) || (lead == 0xED && b > 0x9F) || (lead == 0xF0 && b < 0x90) ||
          (lead == 0xF4 && b > 0x8F)) {
        ++i;  // Windows drops the lead and this byte as one
        return kReplacement;
      }
    }
    cp = (cp << 6) | (byte(i) & 0x3F);
  }
  return cp;
}

}  // namespace

std::wstring WideFromUtf8(const std::string& utf8) {
  std::wstring wide;
  wide.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    const char32_t cp = NextCodePoint(utf8, i);
    if (cp >= 0x10000) {
      wide += static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
      wide += static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      wide += static_cast<wchar_t>(cp);
    }
  }
  return wide;
}

std::wstring WideFromCp1251(const std::string& cp1251) {
  return WideFromUtf8(Utf8FromCp1251(cp1251));
}

std::string Utf8FromWide(const wchar_t* wide, size_t length) {
  std::string utf8;
  utf8.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    const char32_t unit = static_cast<char32_t>(wide[i]) & 0xFFFF;
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < length) {
      const char32_t low = static_cast<char32_t>(wide[i + 1]) & 0xFFFF;
      if (low >= 0xDC00 && low <= 0xDFFF) {
        AppendUtf8(utf8, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    AppendUtf8(utf8, unit >= 0xD800 && unit <= 0xDFFF ? kReplacement : unit);
  }
  return utf8;
}

std::string Utf8FromWide(const std::wstring& wide) {
  return Utf8FromWide(wide.data(), wide.size());
}

}  // namespace io
