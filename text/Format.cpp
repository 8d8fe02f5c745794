#include "text/Format.h"

#include <langinfo.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "text/ShortCopy.h"

namespace tarvo {
namespace {

// Wider or longer fields than this can only come from a broken format
// string; taken literally instead of allocating without bound.
constexpr std::size_t MaxFieldSize = 9999;

// Decimals of "f" are capped like the classic routine's, which keeps the
// digit buffer on the stack.
constexpr int MaxFloatPrecision = 18;
constexpr int DefaultFloatPrecision = 2;

// What FormatTo writes goes through a buffer on the stack and reaches the
// string in one append: most results are a few dozen bytes, and appending
// each piece to the string on its own cost more than the formatting.
class Sink {
 public:
  explicit Sink(std::string& out) : out_(out) {}
  Sink(const Sink&) = delete;
  Sink& operator=(const Sink&) = delete;

  void Append(std::string_view text) {
    if (text.size() > Size - used_) {
      Drain();
      if (text.size() > Size) {
        out_.append(text);
        return;
      }
    }
    CopyShort(buffer_ + used_, text.data(), text.size());
    used_ += text.size();
  }
  void Append(std::size_t count, char c) {
    if (count > Size - used_) {
      Drain();
      if (count > Size) {
        out_.append(count, c);
        return;
      }
    }
    // The slack behind the buffer takes a short run whole.
    if (count <= Slack) {
      std::memset(buffer_ + used_, c, Slack);
    } else {
      std::memset(buffer_ + used_, c, count);
    }
    used_ += count;
  }
  void Push(char c) {
    if (used_ == Size) Drain();
    buffer_[used_++] = c;
  }
  // `count` bytes (at most Size) to write at the pointer returned, and
  // Slack more that may be written over; Commit says where they end.
  char* Reserve(std::size_t count) {
    if (count > Size - used_) Drain();
    return buffer_ + used_;
  }
  void Commit(const char* end) { used_ = static_cast<std::size_t>(end - buffer_); }
  // Hands what is buffered to the string; the last call of FormatTo.
  void Drain() {
    out_.append(buffer_, used_);
    used_ = 0;
  }

  static constexpr std::size_t Size = 256;
  static constexpr std::size_t Slack = 16;

 private:

  std::string& out_;
  std::size_t used_ = 0;
  char buffer_[Size + Slack];
};

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

void AppendBlanks(Sink& out, std::size_t count) { out.Append(count, ' '); }

// Writes sign, zero fill and digits, padded to the width.
void AppendNumber(Sink& out, const FormatSpecifier& spec, bool negative, std::string_view digits) {
  const std::size_t zeros =
      spec.hasPrecision && spec.precision > digits.size() ? spec.precision - digits.size() : 0;
  const std::size_t length = (negative ? 1 : 0) + zeros + digits.size();
  const std::size_t pad = spec.width > length ? spec.width - length : 0;
  if (pad <= Sink::Slack && zeros <= Sink::Slack) {
    // The usual field: written in place, short runs of fill whole.
    char* at = out.Reserve(pad + length);
    if (!spec.leftAlign) {
      std::memset(at, ' ', Sink::Slack);
      at += pad;
    }
    if (negative) *at++ = '-';
    std::memset(at, '0', Sink::Slack);
    at += zeros;
    CopyShort(at, digits.data(), digits.size());
    at += digits.size();
    if (spec.leftAlign) {
      std::memset(at, ' ', Sink::Slack);
      at += pad;
    }
    out.Commit(at);
    return;
  }
  if (!spec.leftAlign) {
    AppendBlanks(out, pad);
  }
  if (negative) {
    out.Push('-');
  }
  out.Append(zeros, '0');
  out.Append(digits);
  if (spec.leftAlign) {
    AppendBlanks(out, pad);
  }
}

void AppendPadded(Sink& out, const FormatSpecifier& spec, std::string_view text) {
  const std::size_t pad = spec.width > text.size() ? spec.width - text.size() : 0;
  if (!spec.leftAlign) {
    AppendBlanks(out, pad);
  }
  out.Append(text);
  if (spec.leftAlign) {
    AppendBlanks(out, pad);
  }
}

void AppendDecimal(Sink& out, const FormatSpecifier& spec, std::int64_t value) {
  // Magnitude as unsigned, so that the lowest int64 does not overflow.
  const bool negative = value < 0;
  const std::uint64_t magnitude =
      negative ? ~static_cast<std::uint64_t>(value) + 1 : static_cast<std::uint64_t>(value);
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, magnitude);
  AppendNumber(out, spec, negative, std::string_view(digits, result.ptr - digits));
}

void AppendHex(Sink& out, const FormatSpecifier& spec, const FormatArg& arg) {
  const std::uint64_t value = arg.kind() == FormatArg::Kind::Int32
                                  ? static_cast<std::uint32_t>(arg.integer())
                                  : static_cast<std::uint64_t>(arg.integer());
  static constexpr char Hex[] = "0123456789ABCDEF";
  char digits[16];
  char* start = digits + sizeof digits;
  std::uint64_t rest = value;
  do {
    *--start = Hex[rest & 15];
    rest >>= 4;
  } while (rest != 0);
  AppendNumber(out, spec, false, std::string_view(start, static_cast<std::size_t>(digits + sizeof digits - start)));
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

void AppendFloat(Sink& out, const FormatSpecifier& spec, double value) {
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
  out.Append(text.substr(0, point));
  out.Append(separator);
  out.Append(text.substr(point + 1));
  if (spec.leftAlign) {
    AppendBlanks(out, pad);
  }
}

// False when the argument does not fit the type; the caller then copies
// the specifier literally.
bool AppendArg(Sink& out, const FormatSpecifier& spec, const FormatArg& arg) {
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

// A format as parsed: its literal text (with "%%" as "%") and its
// specifiers, each with the argument it takes. Which argument a specifier
// without an index takes depends on the format alone, so it is part of the
// parse.
struct Step {
  std::size_t literalBegin = 0;  // in Parsed::literals
  std::size_t literalSize = 0;
  bool hasSpec = false;  // a specifier follows the literal
  FormatSpecifier spec;
  std::size_t argIndex = 0;
  // The specifier's own text in the format, copied when its argument is
  // missing or does not fit.
  std::size_t sourceBegin = 0;
  std::size_t sourceSize = 0;
};

struct Parsed {
  const char* address = nullptr;  // where the format was when parsed; nullptr: nothing held
  std::string format;             // its text, which a hit must equal
  std::string literals;
  std::vector<Step> steps;
};

void Parse(std::string_view format, Parsed& parsed) {
  parsed.address = nullptr;  // until the parse is whole
  parsed.format.assign(format);
  parsed.literals.clear();
  parsed.steps.clear();
  Step step;
  std::size_t nextArg = 0;
  std::size_t pos = 0;
  const auto literal = [&](std::string_view text) {
    parsed.literals.append(text);
    step.literalSize += text.size();
  };
  while (pos < format.size()) {
    const std::size_t percent = std::min(format.find('%', pos), format.size());
    literal(format.substr(pos, percent - pos));
    if (percent == format.size()) break;
    pos = percent + 1;
    if (pos < format.size() && format[pos] == '%') {
      literal("%");
      ++pos;
      continue;
    }
    FormatSpecifier spec;
    if (!ParseSpecifier(format, pos, spec)) {
      literal(format.substr(percent, pos - percent));
      continue;
    }
    step.hasSpec = true;
    step.spec = spec;
    step.argIndex = spec.hasIndex ? spec.index : nextArg;
    nextArg = step.argIndex + 1;
    step.sourceBegin = percent;
    step.sourceSize = pos - percent;
    parsed.steps.push_back(step);
    step = Step();
    step.literalBegin = parsed.literals.size();
  }
  if (step.literalSize > 0) parsed.steps.push_back(step);
}

// The formats are nearly all the program's own constants, used again and
// again: each thread keeps the last parses, found by the format's address
// and checked against its text, so a format is parsed about once. A set of
// a few ways, so that two formats used in turn never push each other out.
constexpr std::size_t ParsedSets = 32;
constexpr std::size_t ParsedWays = 4;
constexpr std::size_t MaxParsedFormat = 512;  // longer ones are parsed each time

struct ParsedSet {
  std::array<Parsed, ParsedWays> ways;
  std::size_t next = 0;  // the way to take for the next miss
};

const Parsed& ParsedFormat(std::string_view format) {
  thread_local std::array<ParsedSet, ParsedSets> kept;
  thread_local Parsed unkept;
  if (format.size() > MaxParsedFormat) {
    Parse(format, unkept);
    return unkept;
  }
  const auto address = reinterpret_cast<std::uintptr_t>(format.data());
  ParsedSet& set = kept[((address ^ format.size()) * 0x9E3779B97F4A7C15u >> 32) % ParsedSets];
  for (const Parsed& way : set.ways)
    if (way.address == format.data() && way.format == format) return way;
  Parsed& way = set.ways[set.next];
  set.next = (set.next + 1) % ParsedWays;
  Parse(format, way);
  way.address = format.data();
  return way;
}

}  // namespace

void FormatTo(std::string& result, std::string_view format, std::initializer_list<FormatArg> args) {
  const Parsed& parsed = ParsedFormat(format);
  const FormatArg* const argv = args.begin();
  const std::size_t argc = args.size();
  Sink out(result);
  for (const Step& step : parsed.steps) {
    out.Append(std::string_view(parsed.literals).substr(step.literalBegin, step.literalSize));
    if (!step.hasSpec) continue;
    if (step.argIndex >= argc || !AppendArg(out, step.spec, argv[step.argIndex])) {
      out.Append(std::string_view(parsed.format).substr(step.sourceBegin, step.sourceSize));
    }
  }
  out.Drain();
}

std::string Format(std::string_view format, std::initializer_list<FormatArg> args) {
  // Made at its own size in one go: a short result stays within the
  // string itself, with no allocation.
  std::string out;
  FormatTo(out, format, args);
  return out;
}

}  // namespace tarvo
