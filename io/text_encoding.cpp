#include "io/text_encoding.h"

#include <algorithm>
#include <array>
#include <unordered_map>

namespace io {
namespace {

// Code points of the bytes 0x80 to 0xFF of code page 1251. 0x98 has no
// character; it maps to U+0098 as Windows maps it.
constexpr std::array<char16_t, 128> kHighHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039,
    0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408,
    0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB,
    0x0458, 0x0405, 0x0455, 0x0457, 0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423,
    0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B,
    0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

// Decodes one UTF-8 sequence at text[i]; returns false for a malformed one.
bool NextCodePoint(const std::string& text, size_t& i, uint32_t& cp) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  int extra = 0;
  if (lead < 0x80) {
    cp = lead;
  } else if ((lead & 0xE0) == 0xC0) {
    cp = lead & 0x1F, extra = 1;
  } else if ((lead & 0xF0) == 0xE0) {
    cp = lead & 0x0F, extra = 2;
  } else if ((lead & 0xF8) == 0xF0) {
    cp = lead & 0x07, extra = 3;
  } else {
    return false;
  }
  if (i + extra >= text.size()) return false;
  for (int k = 1; k <= extra; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  i += 1 + extra;
  // Overlong forms would let a byte such as "/" hide behind another spelling.
  static constexpr uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  return cp >= kSmallest[extra] && cp <= 0x10FFFF;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string Utf8FromCp1251(const std::string& cp1251) {
  // Most names are plain ASCII, which reads the same in both.
  const auto ascii = [](char c) { return static_cast<unsigned char>(c) < 0x80; };
  if (std::all_of(cp1251.begin(), cp1251.end(), ascii)) return cp1251;
  std::string out;
  out.reserve(cp1251.size() * 2);
  for (const char c : cp1251) {
    const auto b = static_cast<unsigned char>(c);
    AppendUtf8(out, b < 0x80 ? b : kHighHalf[b - 0x80]);
  }
  return out;
}

std::optional<std::string> Cp1251FromUtf8(const std::string& utf8) {
  static const std::unordered_map<uint32_t, char> reverse = [] {
    std::unordered_map<uint32_t, char> map;
    for (size_t k = 0; k < kHighHalf.size(); ++k) map[kHighHalf[k]] = static_cast<char>(0x80 + k);
    return map;
  }();
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    uint32_t cp = 0;
    if (!NextCodePoint(utf8, i, cp)) return std::nullopt;
    if (cp < 0x80) {
      out += static_cast<char>(cp);
      continue;
    }
    const auto found = reverse.find(cp);
    if (found == reverse.end()) return std::nullopt;
    out += found->second;
  }
  return out;
}

size_t Utf8Width(const std::string& utf8) {
  size_t width = 0;
  for (const char c : utf8) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++width;
  }
  return width;
}

}  // namespace io
