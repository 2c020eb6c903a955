// Sets of named options, combined with |:
//   ui::CreateEditBox(*form, ui::EditOption::Multiline | ui::EditOption::ReadOnly);
// An option enum gives each value a bit of its own and opts in to | with
//   template <> inline constexpr bool ui::kIsOption<MyOption> = true;
// so that other enums (row states, font styles) keep their plain integer |.
#pragma once

#include <cstdint>

namespace ui {

template <class Option>
inline constexpr bool kIsOption = false;

template <class Option>
class Flags {
 public:
  constexpr Flags() = default;
  // One option is a set too, so that a function taking a set takes a single one.
  constexpr Flags(Option option) : bits_(static_cast<std::uint32_t>(option)) {}

  constexpr Flags operator|(Flags other) const { return FromBits(bits_ | other.bits_); }
  constexpr bool Has(Option option) const {
    return (bits_ & static_cast<std::uint32_t>(option)) != 0;
  }
  constexpr bool Empty() const { return bits_ == 0; }

 private:
  static constexpr Flags FromBits(std::uint32_t bits) {
    Flags flags;
    flags.bits_ = bits;
    return flags;
  }
  std::uint32_t bits_ = 0;
};

template <class Option>
requires kIsOption<Option>
constexpr Flags<Option> operator|(Option a, Option b) { return Flags<Option>(a) | b; }

}  // namespace ui
