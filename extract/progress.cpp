#include "extract/progress.h"

#include <cmath>

#include "io/text_helpers.h"

namespace extract {

int ProgressPercent(long long k, long long n) {
  const long double share = static_cast<long double>(k) / static_cast<long double>(n) * 100.0L;
  // nearbyint rounds in the current mode, which is ties-to-even unless
  // someone changed it; the status window always had that rounding.
  return static_cast<int>(std::nearbyintl(share));
}

std::string ProgressText(long long k, long long n) {
  return "Распаковка ... " + io::IntToText(ProgressPercent(k, n)) + "%";
}

}  // namespace extract
