#include "text/Format.h"

#include <langinfo.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvo {
namespace {

// Wider or longer fields than this can only come from a broken format
// string; taken literally instead of allocating without bound.
constexpr std::size_t MaxFieldSize = 9999;

// Decimals of "f" are capped like the classic routine's, which keeps the
// digit buffer on the stack.
constexpr int MaxFloatPrecision = 18;
constexpr int DefaultFloatPrecision = 2;

struct FormatSpecifier {
  bool hasIndex = false;
  std::size_t index = 0;
  bool leftAlign = false;
  std::size_t width = 0;
  bool hasPrecision = false;
  std::size_t precision = 0;
  char type = 0;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a run of digits at pos. False when there is none or it exceeds
// MaxFieldSize.
bool ReadNumber(std::string_view format, std::size_t& pos, std::size_t& value) {
  const std::size_t start = pos;
  value = 0;
  while (pos < format.size() && IsDigit(format[pos])) {
    value = value * 10 + static_cast<std::size_t>(format[pos] - '0');
    if (value > MaxFieldSize) {
      return false;
    }
    ++pos;
  }
  return pos > start;
}

// "%" [index ":"] ["-"] [width] ["." precision] type; pos starts after the
// "%". On failure pos is where parsing stopped, and the text from "%" up to
// it is literal.
bool ParseSpecifier(std::string_view format, std::size_t& pos, FormatSpecifier& spec) {
  std::size_t number = 0;
  bool haveNumber = false;
  if (pos < format.size() && IsDigit(format[pos])) {
    if (!ReadNumber(format, pos, number)) {
      return false;
    }
    haveNumber = true;
    if (pos < format.size() && format[pos] == ':') {
      spec.hasIndex = true;
      spec.index = number;
      haveNumber = false;
      ++pos;
    }
  }
  if (!haveNumber) {
    if (pos < format.size() && format[pos] == '-') {
      spec.leftAlign = true;
      ++pos;
    }
    if (pos < format.size() && IsDigit(format[pos])) {
      if (!ReadNumber(format, pos, number)) {
        return false;
      }
      haveNumber = true;
    }
  }
  if (haveNumber) {
    spec.width = number;
  }
  if (pos < format.size() && format[pos] == '.') {
    ++pos;
    if (!ReadNumber(format, pos, spec.precision)) {
      return false;
    }
    spec.hasPrecision = true;
  }
  if (pos >= format.size()) {
    return false;
  }
  char type = format[pos];
  if (type >= 'A' && type <= 'Z') {
    type = static_cast<char>(type - 'A' + 'a');
  }
  if (type != 'd' && type != 'x' && type != 's' && type != 'f') {
    return false;
  }
  spec.type = type;
  ++pos;
  return true;
}

bool IsInteger(const FormatArg& arg) {
  return arg.kind() == FormatArg::Kind::Int32 || arg.kind() == FormatArg::Kind::Int64;
}

void AppendBlanks(std::string& out, std::size_t count) { out.append(count, ' '); }

// Writes sign, zero fill and digits, padded to the width.
void AppendNumber(std::string& out, const FormatSpecifier& spec, bool negative, std::string_view digits) {
  const std::size_t zeros =
      spec.hasPrecision && spec.precision > digits.size() ? spec.precision - digits.size() : 0;
  const std::size_t length = (negative ? 1 : 0) + zeros + digits.size();
  const std::size_t pad = spec.width > length ? spec.width - length : 0;
  if (!spec.leftAlign) {
    AppendBlanks(out, pad);
  }
  if (negative) {
    out.push_back('-');
  }
  out.append(zeros, '0');
  out.append(digits);
  if (spec.leftAlign) {
    AppendBlanks(out, pad);
  }
}

void AppendPadded(std::string& out, const FormatSpecifier& spec, std::string_view text) {
  const std::size_t pad = spec.width > text.size() ? spec.width - text.size() : 0;
  if (!spec.leftAlign) {
    AppendBlanks(out, pad);
  }
  out.append(text);
  if (spec.leftAlign) {
    AppendBlanks(out, pad);
  }
}

void AppendDecimal(std::string& out, const FormatSpecifier& spec, std::int64_t value) {
  // Magnitude as unsigned, so that the lowest int64 does not overflow.
  const bool negative = value < 0;
  const std::uint64_t magnitude =
      negative ? ~static_cast<std::uint64_t>(value) + 1 : static_cast<std::uint64_t>(value);
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, magnitude);
  AppendNumber(out, spec, negative, std::string_view(digits, result.ptr - digits));
}

void AppendHex(std::string& out, const FormatSpecifier& spec, const FormatArg& arg) {
  const std::uint64_t value = arg.kind() == FormatArg::Kind::Int32
                                  ? static_cast<std::uint32_t>(arg.integer())
                                  : static_cast<std::uint64_t>(arg.integer());
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value, 16);
  for (char* p = digits; p != result.ptr; ++p) {
    if (*p >= 'a' && *p <= 'f') {
      *p = static_cast<char>(*p - 'a' + 'A');
    }
  }
  AppendNumber(out, spec, false, std::string_view(digits, result.ptr - digits));
}

// nl_langinfo, not localeconv: localeconv fills one static record on every
// call, a data race when several songs are formatted at once.
const char* DecimalPoint() {
  const char* const point = nl_langinfo(RADIXCHAR);
  // Texts are 8-bit: a separator of more than one byte (a UTF-8 one) would
  // show as two or three wrong characters.
  if (point == nullptr || point[0] == '\0' || point[1] != '\0') {
    return ".";
  }
  return point;
}

void AppendFloat(std::string& out, const FormatSpecifier& spec, double value) {
  if (std::isnan(value)) {
    AppendPadded(out, spec, "NAN");
    return;
  }
  if (std::isinf(value)) {
    AppendPadded(out, spec, value < 0 ? "-INF" : "INF");
    return;
  }
  int precision = DefaultFloatPrecision;
  if (spec.hasPrecision) {
    precision =
        spec.precision > MaxFloatPrecision ? MaxFloatPrecision : static_cast<int>(spec.precision);
  }
  // 309 integer digits at most for a double, sign, point, decimals.
  char digits[400];
  const auto result =
      std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, precision);
  if (result.ec != std::errc()) {
    AppendPadded(out, spec, "NAN");
    return;
  }
  std::string_view text(digits, result.ptr - digits);
  // A value that rounds to zero shows no sign.
  if (!text.empty() && text.front() == '-' &&
      text.find_first_of("123456789") == std::string_view::npos) {
    text.remove_prefix(1);
  }
  const std::size_t point = text.find('.');
  if (point == std::string_view::npos) {
    AppendPadded(out, spec, text);
    return;
  }
  const std::string_view separator = DecimalPoint();
  const std::size_t length = text.size() - 1 + separator.size();
  const std::size_t pad = spec.width > length ? spec.width - length : 0;
  if (!spec.leftAlign) {
    AppendBlanks(out, pad);
  }
  out.append(text.substr(0, point));
  out.append(separator);
  out.append(text.substr(point + 1));
  if (spec.leftAlign) {
    AppendBlanks(out, pad);
  }
}

// False when the argument does not fit the type; the caller then copies
// the specifier literally.
bool AppendArg(std::string& out, const FormatSpecifier& spec, const FormatArg& arg) {
  switch (spec.type) {
    case 'd':
      if (!IsInteger(arg)) {
        return false;
      }
      AppendDecimal(out, spec, arg.integer());
      return true;
    case 'x':
      if (!IsInteger(arg)) {
        return false;
      }
      AppendHex(out, spec, arg);
      return true;
    case 'f':
      if (arg.kind() == FormatArg::Kind::Text) {
        return false;
      }
      AppendFloat(out, spec,
                  arg.kind() == FormatArg::Kind::Double ? arg.floating()
                                                        : static_cast<double>(arg.integer()));
      return true;
    case 's': {
      if (arg.kind() != FormatArg::Kind::Text) {
        return false;
      }
      std::string_view text = arg.text();
      if (spec.hasPrecision && spec.precision < text.size()) {
        text = text.substr(0, spec.precision);
      }
      AppendPadded(out, spec, text);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace

void FormatTo(std::string& out, std::string_view format, std::initializer_list<FormatArg> args) {
  const FormatArg* const argv = args.begin();
  const std::size_t argc = args.size();
  std::size_t nextArg = 0;
  std::size_t pos = 0;
  while (pos < format.size()) {
    const std::size_t percent = format.find('%', pos);
    if (percent == std::string_view::npos) {
      out.append(format.substr(pos));
      return;
    }
    out.append(format.substr(pos, percent - pos));
    pos = percent + 1;
    if (pos < format.size() && format[pos] == '%') {
      out.push_back('%');
      ++pos;
      continue;
    }
    FormatSpecifier spec;
    if (!ParseSpecifier(format, pos, spec)) {
      out.append(format.substr(percent, pos - percent));
      continue;
    }
    const std::size_t argIndex = spec.hasIndex ? spec.index : nextArg;
    nextArg = argIndex + 1;
    if (argIndex >= argc || !AppendArg(out, spec, argv[argIndex])) {
      out.append(format.substr(percent, pos - percent));
    }
  }
}

std::string Format(std::string_view format, std::initializer_list<FormatArg> args) {
  std::string out;
  out.reserve(format.size() + 16);
  FormatTo(out, format, args);
  return out;
}

}  // namespace tarvo
