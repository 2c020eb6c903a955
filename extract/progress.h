// The unpacking progress as the status window shows it.
#pragma once

#include <string>

namespace extract {

// The share of step k of n in percent: k / n * 100 in extended precision,
// rounded to the nearest integer with ties to the even one (3 of 8 is 38,
// 5 of 8 is 62). n must be greater than 0.
int ProgressPercent(long long k, long long n);

// "Распаковка ... 38%".
std::string ProgressText(long long k, long long n);

}  // namespace extract
