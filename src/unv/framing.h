#ifndef UNV2TESSAL_UNV_FRAMING_H_
#define UNV2TESSAL_UNV_FRAMING_H_

// The framing of a universal file: datasets between delimiter lines, each
// opened by a dataset-number line. Every program walks a file with these;
// what a dataset's body holds is left to its reader.

#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "codecs/layout.h"
#include "io/units.h"

namespace unv2tessal {

/// True when columns 1-7 of `line`, read as text, are four blanks, "-1" and
/// a blank: the delimiter line ("    -1", also followed by a blank and
/// anything else). A line that ends after column 6 reads as blank-padded.
inline bool isDelimiterLine(std::string_view line) {
  return line.size() >= 6 && line.substr(0, 6) == "    -1" &&
         (line.size() == 6 || line[6] == ' ');
}

/// The line at `p` (a CR before its LF dropped, as a LineReader hands it
/// out) and in *next the start of the line after it; false when no LF comes
/// before `end`. For converting a block of whole lines on a helper thread.
inline bool lineIn(const char* p, const char* end, std::string_view* line,
                   const char** next) {
  const void* nl = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
  if (nl == nullptr) return false;
  const char* stop = static_cast<const char*>(nl);
  *next = stop + 1;
  if (stop > p && stop[-1] == '\r') --stop;
  *line = std::string_view(p, static_cast<std::size_t>(stop - p));
  return true;
}

/// The LFs in [p, end).
inline std::size_t countLines(const char* p, const char* end) {
  std::size_t lines = 0;
#if defined(__SSE2__) && defined(__x86_64__)
  // Each LF adds 1 to its byte of `sum`; the bytes are added up before
  // any of them can pass 255.
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i zero = _mm_setzero_si128();
  while (end - p >= 16) {
    __m128i sum = zero;
    for (int k = 0; k < 255 && end - p >= 16; ++k, p += 16) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      sum = _mm_sub_epi8(sum, _mm_cmpeq_epi8(x, lf));
    }
    const __m128i halves = _mm_sad_epu8(sum, zero);
    lines += static_cast<std::size_t>(_mm_cvtsi128_si64(halves)) +
             static_cast<std::size_t>(_mm_extract_epi16(halves, 4));
  }
#endif
  for (; p < end; ++p) lines += *p == '\n' ? 1 : 0;
  return lines;
}

/// Columns 3-6 of a dataset-number line, as text, blank-padded when the line
/// is shorter; columns 1-2 and 7 onwards are ignored.
inline FixedText<4> datasetNumberOf(std::string_view line) {
  return FixedText<4>::of(line.size() > 2 ? line.substr(2)
                                          : std::string_view());
}

/// A dataset-number line whose columns 3-6 are "  -1" is taken as one more
/// delimiter (looser than isDelimiterLine(): other columns may hold anything).
inline bool isFurtherDelimiter(const FixedText<4>& number) {
  return number.view() == "  -1";
}

/// Walks the datasets of the universal file open on `unit`, from its
/// current position to its end: passes over everything up to a delimiter
/// line, reads the dataset-number line (runs of delimiters are passed over)
/// and calls onDataset(number), the 4 columns as text. The handler may read
/// the dataset's body; it must leave the unit at or before the closing
/// delimiter, or directly after it. Returns at end of file.
template <class OnDataset>
void scanDatasets(Units& units, int unit, OnDataset&& onDataset) {
  std::string_view line;
  for (;;) {
    bool found = false;
    while (units.readLine(unit, /*takeEof=*/true, &line)) {
      if (isDelimiterLine(line)) {
        found = true;
        break;
      }
    }
    if (!found) return;
    FixedText<4> number;
    bool haveNumber = false;
    while (units.readLine(unit, /*takeEof=*/true, &line)) {
      number = datasetNumberOf(line);
      if (!isFurtherDelimiter(number)) {
        haveNumber = true;
        break;
      }
    }
    if (!haveNumber) return;
    onDataset(number.view());
  }
}

/// Why a file in which no dataset begins is not read, in the words of every
/// program: "the file is empty" when it holds no line (`lines` is 0), else
/// that it holds no dataset and is not a universal file.
std::string_view noDatasetReason(std::size_t lines);

/// One-line look-ahead inside a dataset's body: reads the next line (end of
/// file ends the run with report 24) and tells whether it is the closing
/// delimiter. When it is not, the line is stepped back and is read again.
bool atClosingDelimiter(Units& units, int unit);

/// Reads the next line (end of file: report 24): returns false at the
/// closing delimiter, else hands the line out in *line as the next record
/// (valid until the next read of `unit`), so that a record loop reads each
/// line once.
bool nextRecordUnlessDelimiter(Units& units, int unit, std::string_view* line);

/// Like atClosingDelimiter(), but the end of the file also ends the body (a
/// dataset that is only passed over); *eof tells which one was met.
bool atDelimiterOrEnd(Units& units, int unit, bool* eof);

/// Reads up to and including the next delimiter line. Returns false when
/// the file ended first.
bool skipToDelimiter(Units& units, int unit);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_UNV_FRAMING_H_
