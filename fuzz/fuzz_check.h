// The fuzz targets' check: a broken promise stops the run as a crash, which
// libFuzzer records with the input that caused it.
#pragma once

#define CHECK(condition)                \
  do {                                  \
    if (!(condition)) __builtin_trap(); \
  } while (0)
