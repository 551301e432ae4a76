#include "view/tessal_lines.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <string>

#include "codecs/fast_fields.h"
#include "codecs/fields.h"
#include "groups/grid_header.h"
#include "groups/read_groups.h"

namespace unv2tessal {
namespace {

constexpr Columns kVertexNumber = columnsOf(kVertexRecord, 0);
constexpr Columns kCoordinate0 = columnsOf(kVertexRecord, 1);
constexpr std::size_t kCoordinateWidth = kCoordinate0.width;

constexpr Columns kElementNumber = columnsOf(kConnectivityRecord, 0);
constexpr Columns kShapeCode = columnsOf(kConnectivityRecord, 2);
constexpr Columns kVertexCount = columnsOf(kConnectivityRecord, 4);
constexpr std::array<Columns, 3> kElementGaps{
    columnsOf(kConnectivityRecord, 1), columnsOf(kConnectivityRecord, 3),
    columnsOf(kConnectivityRecord, 5)};
constexpr Columns kElementVertex0 = columnsOf(kConnectivityRecord, 6);
static_assert(kElementNumber.width == 10 && kElementVertex0.width == 10,
              "element fields are read as 10-column integers");

constexpr Columns kRegionCount{
    kRegionLead.size() + kRegionIdLength + kRegionTail.size(),
    kRegionRecord.fields[1].width};
constexpr std::size_t kRegionVertexWidth = kVertexLineRecord.fields[0].width;

[[noreturn]] void fail(Columns c, std::string_view what) {
  throw Failure({}, 0, c.first + 1,
                "columns " + std::to_string(c.first + 1) + "-" +
                    std::to_string(c.end()) + " " + std::string(what));
}

[[noreturn]] void failWidth(std::string_view line, std::string_view what) {
  throw Failure({}, "the line is " + std::to_string(line.size()) +
                        " columns long; " + std::string(what));
}

// Reads the integer field at `c`; columns past the end of the line read as
// blanks, as the converter reads fields.
std::int32_t readField(std::string_view line, Columns c) {
  std::int32_t value = 0;
  const std::string_view cols = c.first < line.size()
                                    ? line.substr(c.first, c.width)
                                    : std::string_view();
  if (!readIntegerField(cols, &value)) fail(c, "are not a valid number");
  return value;
}

// A one-column integer field: a digit, or a blank for 0.
std::int32_t readDigit(std::string_view line, Columns c) {
  static_assert(kShapeCode.width == 1 && kVertexCount.width == 1);
  const char d = line[c.first];
  if (d >= '0' && d <= '9') return d - '0';
  if (d == ' ') return 0;
  fail(c, "are not a valid number");
}

// readIntegerField on the 8 columns at `cols`, fast for blanks followed by
// digits.
bool readInteger8(const char* cols, std::int32_t* out) {
  if constexpr (std::endian::native == std::endian::little) {
    const std::uint64_t w = swar::load8(cols);
    const std::uint64_t blanks = swar::zeroBytes(w ^ (swar::kOnes * ' '));
    const std::uint64_t prefix = (blanks >> 7) * 0xFF;
    if (swar::nonDigitBytes(w) == blanks && (prefix & (prefix + 1)) == 0) {
      *out = static_cast<std::int32_t>(swar::digitsValue(w));
      return true;
    }
  }
  return readIntegerField(std::string_view(cols, 8), out);
}

// The exact powers of ten of a double.
constexpr std::array<double, 23> kPowersOfTen{
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The value of the 18 columns at `f` when they are an exponent field as
// the converter writes a finite value: blanks, an optional minus, "0.",
// eight digits, "E", the exponent's sign and two digits; and the exponent
// is within 22 of 8. The eight digits and the power of ten are then exact
// doubles, so one multiplication or division gives the nearest double.
bool tryReadWrittenExponent(const char* f, double* out) {
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (f[0] != ' ' || f[1] != ' ' || f[2] != ' ') return false;
  if (f[3] != ' ' && f[3] != '-') return false;
  if (f[4] != '0' || f[5] != '.' || f[14] != 'E') return false;
  if (f[15] != '+' && f[15] != '-') return false;
  if (!digit(f[16]) || !digit(f[17])) return false;
  std::uint32_t mantissa = 0;
  if constexpr (std::endian::native == std::endian::little) {
    const std::uint64_t w = swar::load8(f + 6);
    if (swar::nonDigitBytes(w) != 0) return false;
    mantissa = swar::digitsValue(w);
  } else {
    for (int k = 6; k < 14; ++k) {
      if (!digit(f[k])) return false;
      mantissa = mantissa * 10 + static_cast<std::uint32_t>(f[k] - '0');
    }
  }
  const int magnitude = (f[16] - '0') * 10 + (f[17] - '0');
  const int scale = (f[15] == '-' ? -magnitude : magnitude) - 8;
  if (scale < -22 || scale > 22) return false;
  double value = static_cast<double>(mantissa);
  value = scale < 0 ? value / kPowersOfTen[static_cast<std::size_t>(-scale)]
                    : value * kPowersOfTen[static_cast<std::size_t>(scale)];
  *out = f[3] == '-' ? -value : value;
  return true;
}

}  // namespace

std::int32_t readVertexNumber(std::string_view line) {
  static_assert(kVertexNumber.first == 0 && kVertexNumber.width == 8);
  if (line.size() != kVertexLineWidth) {
    failWidth(line, "a vertex record is 62");
  }
  std::int32_t number = 0;
  if (!readInteger8(line.data(), &number)) {
    fail(kVertexNumber, "are not a valid number");
  }
  return number;
}

double readCoordinate(std::string_view line, std::size_t k) {
  const Columns c{kCoordinate0.first + k * kCoordinateWidth, kCoordinateWidth};
  double value = 0;
  if (tryReadWrittenExponent(line.data() + c.first, &value)) return value;
  if (!readRealField(line.substr(c.first, c.width), 0, &value)) {
    fail(c, "are not a valid number");
  }
  if (!std::isfinite(value)) fail(c, "are not a finite number");
  return value;
}

ElementHead readElementHead(std::string_view line) {
  const std::size_t head = kElementVertex0.first;
  if (line.size() < head) {
    failWidth(line, "a connectivity line has at least 18");
  }
  for (const Columns& gap : kElementGaps) {
    for (std::size_t col = gap.first; col < gap.end(); ++col) {
      if (line[col] != ' ') fail(gap, "are not blank");
    }
  }
  ElementHead h{};
  if (!readInteger10(line.data(), &h.number)) {
    fail(kElementNumber, "are not a valid number");
  }
  h.code = readDigit(line, kShapeCode);
  h.vertices = readDigit(line, kVertexCount);
  return h;
}

std::int32_t readElementVertexExactly(std::string_view line, std::size_t k) {
  const Columns c{kElementVertex0.first + k * kElementVertex0.width,
                  kElementVertex0.width};
  std::int32_t value = 0;
  if (line.size() >= c.end()) {
    if (!readInteger10(line.data() + c.first, &value)) {
      fail(c, "are not a valid number");
    }
    return value;
  }
  return readField(line, c);
}

GridLine kindOf(std::string_view line) {
  if (line.starts_with(kRegionLead)) return GridLine::kRegion;
  if (line.starts_with(kGrid2DText)) return GridLine::kGrid2D;
  if (line.starts_with(kGrid3DText.substr(0, kGrid3DRecord.fields[0].width))) {
    return GridLine::kGrid3D;
  }
  if (line.starts_with(kVertexCountText)) return GridLine::kVertexCount;
  if (line == kConnectivityText) return GridLine::kConnectivity;
  if (line == kCoordinatesText) return GridLine::kCoordinates;
  if (line.starts_with(kElementOffsetText)) return GridLine::kElementOffset;
  if (line.starts_with(kNodeOffsetText)) return GridLine::kNodeOffset;
  return GridLine::kOther;
}

std::int32_t readHeaderNumber(std::string_view line, GridLine kind) {
  const RecordLayout* layout = nullptr;
  switch (kind) {
    case GridLine::kGrid2D:
      layout = &kGrid2DRecord;
      break;
    case GridLine::kGrid3D:
      layout = &kGrid3DRecord;
      break;
    case GridLine::kVertexCount:
      layout = &kVertexCountRecord;
      break;
    case GridLine::kElementOffset:
      layout = &kElementOffsetRecord;
      break;
    case GridLine::kNodeOffset:
      layout = &kNodeOffsetRecord;
      break;
    default:
      throw Failure({}, "the record holds no number");
  }
  const Columns c = columnsOf(*layout, 1);
  if (line.size() != c.end()) {
    failWidth(line, "this record is " + std::to_string(c.end()));
  }
  return readField(line, c);
}

RegionCommand readRegionCommand(std::string_view line) {
  if (line.size() != kRegionCount.end()) {
    failWidth(line,
              "a region command is " + std::to_string(kRegionCount.end()));
  }
  const std::size_t tail = kRegionLead.size() + kRegionIdLength;
  if (line.substr(tail, kRegionTail.size()) != kRegionTail) {
    fail({tail, kRegionTail.size()},
         "are not \"" + std::string(kRegionTail) + "\"");
  }
  return {line.substr(kRegionLead.size(), kRegionIdLength),
          readField(line, kRegionCount)};
}

std::size_t readRegionVertices(std::string_view line,
                               std::array<std::int32_t, 8>& out) {
  const std::size_t n = line.size() / kRegionVertexWidth;
  if (n == 0 || n > out.size() || line.size() % kRegionVertexWidth != 0) {
    failWidth(line, "a vertex line holds 1 to 8 fields of 11 columns");
  }
  for (std::size_t k = 0; k < n; ++k) {
    out[k] = readField(line, {k * kRegionVertexWidth, kRegionVertexWidth});
  }
  return n;
}

}  // namespace unv2tessal
