#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace tarvo {

// One argument of Format. The argument's width decides what "%x" prints:
// a 32-bit value prints as unsigned 32-bit (-1 gives FFFFFFFF), a 64-bit
// value as 64-bit. Unsigned 32-bit values are held zero-extended in 64 bits,
// so "%x" and "%d" both show them unsigned.
class FormatArg {
 public:
  enum class Kind { Int32, Int64, Double, Text };

  FormatArg(int value) : kind_(Kind::Int32), int_(value) {}
  FormatArg(std::int64_t value) : kind_(Kind::Int64), int_(value) {}
  FormatArg(std::uint32_t value) : kind_(Kind::Int64), int_(value) {}
  // Sizes and offsets; values above the int64 range show wrapped.
  FormatArg(std::uint64_t value) : kind_(Kind::Int64), int_(static_cast<std::int64_t>(value)) {}
  FormatArg(std::uint16_t value) : kind_(Kind::Int32), int_(value) {}
  FormatArg(std::int16_t value) : kind_(Kind::Int32), int_(value) {}
  FormatArg(std::uint8_t value) : kind_(Kind::Int32), int_(value) {}
  FormatArg(double value) : kind_(Kind::Double), double_(value) {}
  FormatArg(float value) : kind_(Kind::Double), double_(value) {}
  FormatArg(std::string_view text) : kind_(Kind::Text), text_(text) {}
  FormatArg(const std::string& text) : kind_(Kind::Text), text_(text) {}
  FormatArg(const char* text) : kind_(Kind::Text), text_(text) {}

  Kind kind() const { return kind_; }
  std::int64_t integer() const { return int_; }
  double floating() const { return double_; }
  std::string_view text() const { return text_; }

 private:
  Kind kind_;
  std::int64_t int_ = 0;
  double double_ = 0;
  std::string_view text_;
};

// The one formatting routine for display text. A specifier is
// "%" [index ":"] [width] ["." precision] type, type one of d x s f;
// "%%" is a literal percent sign. An index selects argument n; a specifier
// without one takes the argument after the one used last. "f" prints two
// decimals with the locale's decimal separator. Texts are 8-bit and pass
// through unchanged. A bad specifier or a missing argument never throws:
// the specifier is copied as literal text.
std::string Format(std::string_view format, std::initializer_list<FormatArg> args);

// Appends instead of returning, for callers building many texts.
void FormatTo(std::string& out, std::string_view format, std::initializer_list<FormatArg> args);

}  // namespace tarvo
