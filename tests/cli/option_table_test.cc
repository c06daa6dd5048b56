#include "option_table.h"

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kivo::cli {
namespace {

using ::testing::HasSubstr;

struct Parsed {
  bool ok = false;
  CliOptions options;
  std::vector<std::string> rest;
  std::string error;
};

Parsed Parse(const std::vector<std::string>& args) {
  Parsed p;
  const Status parsed = ParseCommandLine(args, &p.options, &p.rest);
  p.ok = parsed.ok();
  if (!parsed) p.error = parsed.error();
  return p;
}

// The ranges the numeric options take, written out apart from the table.
struct RangeCase {
  std::string_view name;
  int low;
  int high;
};
const RangeCase kRanges[] = {
    {"--device-code", 1, 2},   {"--date-format", 0, 2},        {"--hour-format", 0, 1},
    {"--to-command", 1, 3600}, {"--to-packet", 1, 3600},       {"--to-multiplier", 0, 60000},
    {"--tel-min", 0, 65535},   {"--virtual-baud", 0, 1000000}, {"--virtual-hang-up", 1, 65535},
};

TEST(OptionTable, EachRangeIsEnforcedAtBothEnds) {
  // A numeric option new to the table comes with its range here.
  for (const OptionSpec& option : OptionTable()) {
    if (option.check.kind != OptionKind::kCount && option.check.kind != OptionKind::kSeconds)
      continue;
    const bool listed =
        std::ranges::any_of(kRanges, [&](const RangeCase& c) { return c.name == option.name; });
    EXPECT_TRUE(listed) << option.name << " has no range case";
  }
  for (const RangeCase& c : kRanges) {
    const std::string name(c.name);
    for (int inside : {c.low, c.high}) {
      const Parsed p = Parse({name, std::to_string(inside), "info"});
      EXPECT_TRUE(p.ok) << name << " " << inside << ": " << p.error;
      EXPECT_EQ(p.rest, std::vector<std::string>{"info"});
    }
    for (int outside : {c.low - 1, c.high + 1}) {
      const Parsed p = Parse({name + "=" + std::to_string(outside)});
      EXPECT_FALSE(p.ok) << name << " " << outside;
      EXPECT_THAT(p.error, HasSubstr("option " + name));
      EXPECT_THAT(p.error, HasSubstr(std::to_string(outside)));
    }
  }
}

TEST(OptionTable, HelpListsEveryOptionButTheRefusedOnes) {
  std::ostringstream out;
  PrintOptionsHelp(out);
  const std::string help = out.str();
  for (const OptionSpec& option : OptionTable()) {
    std::string usage = "\n  ";
    if (option.short_name != 0) usage.append({'-', option.short_name, ',', ' '});
    usage += std::string(option.name);
    if (!option.value_name.empty()) usage.append(" ").append(option.value_name);
    if (option.check.kind == OptionKind::kRefused) {
      EXPECT_EQ(help.find(usage), std::string::npos) << option.name << " is in the help";
      const Parsed p = Parse({"sync", std::string(option.name), "secret", "f.bkf"});
      EXPECT_FALSE(p.ok);
      EXPECT_THAT(p.error, HasSubstr("never taken from the command line"));
    } else {
      EXPECT_NE(help.find(usage), std::string::npos) << option.name << " is not in the help";
      EXPECT_NE(option.take, nullptr) << option.name;
    }
  }
  std::ostringstream print;
  PrintCommandOptions("print", print);
  EXPECT_THAT(print.str(), HasSubstr("\n  --pdf OUT.pdf "));
  EXPECT_THAT(print.str(), Not(HasSubstr("--port")));
  std::ostringstream info;
  PrintCommandOptions("info", info);
  EXPECT_EQ(info.str(), "");
}

// Options stand anywhere, in every spelling, and "--" ends them; a bad one
// is named with what it takes.
struct LineCase {
  std::vector<std::string> args;
  std::vector<std::string> rest;
  std::string error;
};
const LineCase kLines[] = {
    {{"backup", "-pCOM2", "x.bkf", "--to-command=1.5", "--verify"}, {"backup", "x.bkf"}, ""},
    {{"-p", "virtual", "show", "--", "--verify", "-p"}, {"show", "--verify", "-p"}, ""},
    {{"show", "-", "-x", "--log", "--verify"}, {"show", "-", "-x"}, ""},
    {{"--verify=1"}, {}, "option --verify takes no value"},
    {{"info", "--settings"}, {}, "option --settings needs a value"},
    {{"--bogus=1", "info"}, {}, "unknown option --bogus"},
    {{"-port"}, {}, "option -p takes COM1..COM4, 1..4, a device path or virtual, not 'ort'"},
    {{"--to-command", "soon"}, {}, "option --to-command takes seconds, not 'soon'"},
    {{"--to-packet", "0.5"}, {}, "option --to-packet: 0.5 is outside 1 to 3600 seconds"},
    {{"--date-format", "x"}, {}, "option --date-format takes a number from 0 to 2, not 'x'"},
    {{"--state="}, {}, "option --state takes a directory, not ''"},
    {{"--apps", "category"}, {}, "option --apps takes applications separated by commas"},
    {{"--month", "2002-13"},
     {},
     "option --month takes YYYY-MM (1950-01 to 2150-12), not '2002-13'"},
    {{"--conflict", "both"}, {}, "option --conflict takes keep-both, organizer or pc, not 'both'"},
};

TEST(ParseCommandLine, TakesOptionsAnywhereAndNamesBadOnes) {
  for (const LineCase& c : kLines) {
    const Parsed p = Parse(c.args);
    EXPECT_EQ(p.ok, c.error.empty()) << c.args.front() << ": " << p.error;
    EXPECT_THAT(p.error, HasSubstr(c.error));
    if (p.ok) {
      EXPECT_EQ(p.rest, c.rest);
    }
  }
  const Parsed p = Parse(kLines[0].args);
  EXPECT_EQ(p.options.port, "COM2");
  EXPECT_EQ(p.options.to_command_ms, 1500);
  EXPECT_TRUE(p.options.verify);
  EXPECT_FALSE(Parse(kLines[1].args).options.verify);
  EXPECT_EQ(Parse(kLines[2].args).options.log_file, "--verify");
  const Parsed month = Parse({"--month=2150-12", "--apps", "schedule,5", "--virtual-model", "E+"});
  EXPECT_EQ(month.options.year, 2150);
  EXPECT_EQ(month.options.month, 12);
  EXPECT_EQ(month.options.apps, 0x21);
  EXPECT_EQ(month.options.virtual_model, VirtualModel::kBaseSecond);
}

}  // namespace
}  // namespace kivo::cli
