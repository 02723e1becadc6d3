// list and info: what a user sees of the boards, and the no-board case.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "tool_runner.h"

namespace zemtra::cli::test {
namespace {

std::vector<std::string> JsonNumbers(const std::string& text, const std::string& field) {
  std::vector<std::string> values;
  const std::regex pattern("\"" + field + "\": (-?[0-9]+)");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern); it != std::sregex_iterator(); ++it) {
    values.push_back((*it)[1]);
  }
  return values;
}

TEST(NoBoard, EveryBoardCommandSaysHowToGetOneInOneLine) {
  const std::vector<std::vector<std::string>> commands = {
      {"list"}, {"list", "--json"}, {"info"}, {"read", "--count", "1"}, {"peek", "0x30"},
      {"poke", "0x1C", "0"}, {"preset", "A1=0"}, {"clear"}, {"wait-irq", "--source", "A1.nosig"}};
  for (const auto& args : commands) {
    const ToolRun run = RunTool(args);
    SCOPED_TRACE(args.front());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_NE(run.err.find("ZEMTRA_SIM=1"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Real boards on Linux"), std::string::npos) << run.err;
  }
}

TEST(NoBoard, JsonListStaysParseable) {
  const ToolRun run = RunTool({"list", "--json"});
  EXPECT_EQ(run.out, "[\n]\n");
}

TEST(List, OneLinePerBoardWithItsIdentification) {
  const ToolRun run = RunSim("boards=3", {"list"});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto lines = run.outLines();
  ASSERT_EQ(lines.size(), 3u);
  std::set<std::string> addresses;
  const std::regex line(R"(^(\d+:\d+) +FPGA1 0x0004D27B rev 0x[0-9A-F]{8}  FPGA2 0x[0-9A-F]{8} rev 0x[0-9A-F]{8}  hardware rev 0x[0-9A-F]{4}$)");
  for (const std::string& text : lines) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(text, match, line)) << text;
    addresses.insert(match[1]);
  }
  EXPECT_EQ(addresses.size(), 3u) << "every board has its own BUS:SLOT";
}

TEST(List, JsonCarriesTheSameBoardsAsNumbers) {
  const ToolRun text = RunSim("boards=2,id=0x1", {"list"});
  const ToolRun json = RunSim("boards=2,id=0x1", {"list", "--json"});
  ASSERT_EQ(json.status, 0) << json.err;
  EXPECT_EQ(json.out.front(), '[');
  EXPECT_EQ(json.out.substr(json.out.size() - 2), "]\n");
  EXPECT_EQ(JsonNumbers(json.out, "fpga1_product"), (std::vector<std::string>{"1", "1"}));
  const auto buses = JsonNumbers(json.out, "bus");
  const auto slots = JsonNumbers(json.out, "slot");
  const auto lines = text.outLines();
  ASSERT_EQ(buses.size(), 2u);
  ASSERT_EQ(lines.size(), 2u);
  for (size_t i = 0; i < 2; ++i) EXPECT_EQ(lines[i].substr(0, lines[i].find(' ')), buses[i] + ":" + slots[i]);
  for (const char* field : {"fpga1_revision", "fpga2_product", "fpga2_revision", "hardware_revision"}) {
    EXPECT_EQ(JsonNumbers(json.out, field).size(), 2u) << field;
  }
}

// A real board in a fake sysfs tree that the library finds but cannot open:
// it has no BAR files.
class UnopenableRealBoard : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = std::filesystem::temp_directory_path() / ("zemtra-sysfs-" + std::to_string(getpid()));
    const auto device = root_ / "bus/pci/devices/0000:03:0e.0";
    std::filesystem::create_directories(device);
    std::ofstream(device / "vendor") << "0x1f3c\n";
    std::ofstream(device / "device") << "0x0a00\n";
  }
  void TearDown() override { std::filesystem::remove_all(root_); }
  ToolRun List(std::vector<std::string> args) {
    args.insert(args.begin(), "list");
    return RunTool(args, {.env = {{"ZEMTRA_SIM", "1"}, {"ZEMTRA_SYSFS_ROOT", root_.string()}}});
  }

  std::filesystem::path root_;
};

TEST_F(UnopenableRealBoard, IsListedWithItsErrorBesideTheOthers) {
  const ToolRun text = List({});
  EXPECT_EQ(text.status, 1);
  const auto lines = text.outLines();
  ASSERT_EQ(lines.size(), 2u) << text.out;
  EXPECT_TRUE(lines[0].starts_with("3:14    cannot be read: ZemtraOpen: ")) << lines[0];
  EXPECT_NE(lines[1].find("FPGA1 0x0004D27B"), std::string::npos) << lines[1];

  const ToolRun json = List({"--json"});
  EXPECT_EQ(json.status, 1);
  EXPECT_NE(json.out.find("{\"bus\": 3, \"slot\": 14, \"error\": \"ZemtraOpen: "), std::string::npos) << json.out;
  EXPECT_EQ(JsonNumbers(json.out, "fpga1_product").size(), 1u);
}

TEST(List, OutputThatCannotBeWrittenIsAnError) {
  const ToolRun run = RunTool({"list"}, {.env = {{"ZEMTRA_SIM", "1"}}, .stdoutTo = StdoutTo::kDevFull});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "zemtra: cannot write the output: No space left on device\n");
}

TEST(Info, DecodesTheWordsIntoRegisterMapNames) {
  // Without the reference no axis has a signal either.
  const ToolRun run = RunSim("nosig=REF", {"info"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("FPGA 1             product 0x0004D27B"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Library revision   0x10\n"), std::string::npos) << run.out;
  // Status word: A2 No Sig is bit 0, A1 No Sig bit 2, A3 No Sig bit 8, Ref No Sig bit 12.
  EXPECT_NE(run.out.find("Status             0x1105  Ref No Sig, A3 No Sig, A1 No Sig, A2 No Sig\n"),
            std::string::npos)
      << run.out;
  for (const char* label : {"Configuration", "Interrupt mask", "Filter", "Sample status"}) {
    EXPECT_NE(run.out.find(std::string("\n") + label), std::string::npos) << label;
  }
}

TEST(Info, ChoosesTheBoardGivenAsBusSlot) {
  const ToolRun list = RunSim("boards=2", {"list"});
  const auto lines = list.outLines();
  ASSERT_EQ(lines.size(), 2u);
  const std::string second = lines[1].substr(0, lines[1].find(' '));
  const ToolRun run = RunSim("boards=2", {"info", second});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("Board              " + second + "\n"), std::string::npos) << run.out;
}

TEST(Info, RefusesAMissingOrMalformedBoard) {
  const ToolRun absent = RunSim("1", {"info", "77:3"});
  EXPECT_EQ(absent.status, 1);
  EXPECT_NE(absent.err.find("no board at 77:3"), std::string::npos) << absent.err;
  for (const char* bad : {"x:1", "1:", "-1:2", "1:2:3"}) {
    const ToolRun run = RunSim("1", {"info", bad});
    EXPECT_EQ(run.status, 2) << bad;
    EXPECT_NE(run.err.find("BUS:SLOT"), std::string::npos) << run.err;
  }
}

TEST(Info, WarnsAboutAForeignIdentification) {
  const ToolRun run = RunSim("id=0x1", {"info"});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.err.find("identifies as 0x1, not 0x4D27B"), std::string::npos) << run.err;
}

TEST(Usage, HelpForEveryCommandAndStatusTwoForNonsense) {
  for (const char* command : {"list", "info", "read", "peek", "poke", "preset", "clear", "wait-irq"}) {
    const ToolRun run = RunTool({command, "--help"});
    EXPECT_EQ(run.status, 0) << command;
    EXPECT_NE(run.out.find("Usage:"), std::string::npos) << command;
  }
  EXPECT_EQ(RunTool({}).status, 2);
  EXPECT_EQ(RunTool({"frobnicate"}).status, 2);
  EXPECT_EQ(RunTool({"list", "--bogus"}).status, 2);
}

}  // namespace
}  // namespace zemtra::cli::test
