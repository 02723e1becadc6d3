// The subscriber's table: node deaths, stale deaths, sequence gaps.
#include <gtest/gtest.h>

#include "fleet_table.h"

namespace zemtra::cli {
namespace {

struct FleetCase {
  const char* name;
  std::vector<std::pair<const char*, const char*>> messages;
  const char* nodeLine;  // the start of the node's line in the table
};

class FleetTableTest : public ::testing::TestWithParam<FleetCase> {};

TEST_P(FleetTableTest, NodeLine) {
  FleetTable table;
  for (const auto& [topic, payload] : GetParam().messages) table.Take(topic, payload);
  const std::string text = table.Render();
  EXPECT_NE(text.find(GetParam().nodeLine), std::string::npos) << text;
}

constexpr const char* kBirth = "spBv1.0/g/NBIRTH/n";
constexpr const char* kData = "spBv1.0/g/DDATA/n/0-1";
constexpr const char* kDeath = "spBv1.0/g/NDEATH/n";

INSTANTIATE_TEST_SUITE_P(
    Sequences, FleetTableTest,
    ::testing::Values(
        FleetCase{"InOrder", {{kBirth, R"({"seq":0,"bdSeq":3})"}, {kData, R"({"seq":1,"kind":"samples"})"}},
                  "g/n                          alive       3         2      0"},
        FleetCase{"Gap", {{kBirth, R"({"seq":0,"bdSeq":0})"}, {kData, R"({"seq":4,"kind":"samples"})"}},
                  "g/n                          alive       0         2      3"},
        FleetCase{"GapAcrossWrap",
                  {{kData, R"({"seq":254,"kind":"samples"})"}, {kData, R"({"seq":1,"kind":"samples"})"}},
                  "g/n                          alive       0         2      2"},
        FleetCase{"Death", {{kBirth, R"({"seq":0,"bdSeq":2})"}, {kDeath, R"({"bdSeq":2})"}},
                  "g/n                          DEAD        2"},
        FleetCase{"StaleDeathIgnored", {{kBirth, R"({"seq":0,"bdSeq":2})"}, {kDeath, R"({"bdSeq":1})"}},
                  "g/n                          alive       2"},
        FleetCase{"ForeignTypesIgnored",
                  {{kBirth, R"({"seq":0,"bdSeq":0})"}, {kData, R"({"seq":"x","kind":7,"samples":3})"}},
                  "g/n                          alive       0         2      0"}),
    [](const ::testing::TestParamInfo<FleetCase>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace zemtra::cli
