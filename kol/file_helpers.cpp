#include "kol/file_helpers.h"

#include "kol/file_backend.h"

namespace kol {

bool IsExistingDirectory(const std::string& name) { return fs::IsExistingDirectory(name); }
bool MakeDirectory(const std::string& name) { return fs::MakeDirectory(name); }
std::string CurrentDirectory() { return fs::CurrentDirectory(); }

}  // namespace kol
