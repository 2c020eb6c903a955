#include "archive/directory_writer.h"

namespace archive {
namespace {

void PutWord(std::string& out, uint16_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8);
}

void PutText(std::string& out, const std::string& text) {
  PutWord(out, static_cast<uint16_t>(text.size()));
  out += text;
}

}  // namespace

void PutLong(std::string& out, uint32_t value) {
  for (int k = 0; k < 4; ++k) out += static_cast<char>((value >> (8 * k)) & 0xFF);
}

std::string HeaderBytes(uint32_t directoryOffset) {
  std::string header = "H4R\x05";
  PutLong(header, directoryOffset);
  return header;
}

void PutRecord(std::string& out, const ArchiveEntry& entry) {
  PutLong(out, entry.Offset);
  PutLong(out, static_cast<uint32_t>(entry.StoredSize));
  PutLong(out, static_cast<uint32_t>(entry.Size));
  PutLong(out, entry.Time);
  PutText(out, entry.Name);
  PutText(out, entry.Path);
  PutText(out, entry.AliasName);
  PutLong(out, entry.Compression);
}

}  // namespace archive
