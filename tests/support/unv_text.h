#ifndef UNV2TESSAL_TESTS_SUPPORT_UNV_TEXT_H_
#define UNV2TESSAL_TESTS_SUPPORT_UNV_TEXT_H_

// Builders of the texts the tests feed and expect: universal-file records
// as the exporters write them, output records and console lines. Written
// out by hand (snprintf), never by the code under test.

#include <initializer_list>
#include <string>
#include <string_view>

namespace unv2tessal::support {

/// The console up to "Opening File " for the input `unv`.
std::string head(std::string_view unv = "in.unv");

/// A console line of a text item and a 12-column integer item.
std::string totalLine(std::string_view text, long long v);

/// A dataset: delimiter, the number line as given ("  2411"), the body, the
/// closing delimiter.
std::string dataset(std::string_view number, std::string_view body);

/// One record of 10-column integers.
std::string labels(std::initializer_list<long long> ls);

/// The two records of one node: the label record (label, 1, 1, 11) and x,
/// y, z right-justified in 25 columns each.
std::string node(long long label, std::string_view x = "0.0",
                 std::string_view y = "0.0", std::string_view z = "0.0");

/// An element descriptor record: label, FE id, property tables, colour 7,
/// node count.
std::string descriptor(long long label, int feId, int nodes);

/// A tetrahedron (FE 111) on nodes a, b, c, d: descriptor and node record.
std::string tet(long long label, long long a = 1, long long b = 2,
                long long c = 3, long long d = 4);

/// A vertex record whose three coordinates are all 0.
std::string vertex(long long number);

/// The connectivity line of a tetrahedron: number, "  3  4", its vertices.
std::string tetLine(long long number, long long a = 1, long long b = 2,
                    long long c = 3, long long d = 4);

}  // namespace unv2tessal::support

#endif  // UNV2TESSAL_TESTS_SUPPORT_UNV_TEXT_H_
