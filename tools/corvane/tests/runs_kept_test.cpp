// Nothing measured is lost: an acquisition's rows reach the disk block by block and are kept
// whatever ends the run (a signal, a dead line, a refused stop), an existing file is never
// touched before there are data, memory does not grow with the run, and a run killed outright
// leaves nothing behind that upsets the next one.
#include <gtest/gtest.h>

#include "corvane_sim/engine.h"
#include "corvane_sim/server.h"
#include "run_async.h"

namespace {

std::string kept_scans_text(size_t rows, const std::string& file) {
  return "the " + std::to_string(rows) + " scans measured are kept in " + file;
}

TEST(RunsKept, EverySignalEndsTheRunWithItsRowsKept) {
  testkit::TempDir dir;
  const struct {
    int signal_number;
    const char* name;
  } signals[] = {{SIGINT, "SIGINT"}, {SIGTERM, "SIGTERM"}, {SIGHUP, "SIGHUP"}};
  for (const auto& sig : signals) {
    SCOPED_TRACE(sig.name);
    const std::string csv = dir.file(std::string(sig.name) + ".csv");
    testkit::write_file(csv, "an older file\n");
    // No length: the run goes on until it is stopped.
    RunningTool tool({"acquire", "--rate", "100", "--channels", "1", "--output", csv});
    ASSERT_TRUE(wait_for_rows(dir.path(), std::string(sig.name) + ".csv", 30));
    tool.signal(sig.signal_number);
    ToolResult r = tool.finish();
    EXPECT_EQ(r.status, 128 + sig.signal_number) << r.err;
    auto lines = data_lines(testkit::read_file(csv));
    ASSERT_GE(lines.size(), 31u);
    EXPECT_EQ(lines[0], "time [s],Channel1 [mV/V]");
    for (size_t i = 1; i < lines.size(); ++i) {
      char expect[64];
      std::snprintf(expect, sizeof expect, "%.5f,1.2", static_cast<double>(i - 1) / 100);
      ASSERT_EQ(lines[i], expect) << "row " << i;
    }
    EXPECT_NE(r.err.find(std::string("Interrupted by ") + sig.name + " after " + std::to_string(lines.size() - 1) +
                         " scans; " + kept_scans_text(lines.size() - 1, csv)),
              std::string::npos)
        << r.err;
    EXPECT_TRUE(files_containing(dir.path(), ".part").empty());
  }
}

TEST(RunsKept, ALineThatDiesMidRunKeepsTheScansBeforeIt) {
  testkit::TempDir dir;
  const std::string csv = dir.file("run.csv");
  corvane_sim::Engine engine{corvane_sim::EngineConfig{}};
  engine.set_source(1, corvane_sim::SignalSource::constant(0.75));
  auto server = std::make_unique<corvane_sim::PtyServer>(engine);
  const std::string line = server->start();
  RunningTool tool({"--port", "COM1", "--timeout", "500", "acquire", "--rate", "100", "--duration", "1h",
                    "--channels", "1", "--output", csv, "--plot", dir.file("run.svg")},
                   {{"LINKAR32_COM1", line}});
  ASSERT_TRUE(wait_for_rows(dir.path(), "run.csv", 40));
  server.reset();  // the amplifier is gone
  ToolResult r = tool.finish();
  EXPECT_EQ(r.status, 1);
  auto lines = data_lines(testkit::read_file(csv));
  ASSERT_GE(lines.size(), 41u);
  for (size_t i = 1; i < lines.size(); ++i) ASSERT_EQ(lines[i].substr(lines[i].find(',')), ",0.75") << i;
  EXPECT_NE(r.err.find("Reading the acquisition failed after " + std::to_string(lines.size() - 1) + " scans: "),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find(kept_scans_text(lines.size() - 1, csv)), std::string::npos) << r.err;
  // The chart is drawn from what was kept.
  const std::string svg = testkit::read_file(dir.file("run.svg"));
  EXPECT_NE(svg.find(std::to_string(lines.size() - 1) + " scans</text>"), std::string::npos);
  EXPECT_TRUE(files_containing(dir.path(), ".part").empty());
}

TEST(RunsKept, ARefusedStopAfterACompleteRunKeepsEveryRow) {
  testkit::TempDir dir;
  const std::string csv = dir.file("run.csv");
  corvane_sim::Engine engine{corvane_sim::EngineConfig{}};
  corvane_sim::PtyServer server(engine);
  const std::string line = server.start();
  corvane_sim::Fault refuse;
  refuse.kind = corvane_sim::FaultKind::kRefuse;
  refuse.match = "STP";
  refuse.error = corvane_sim::kCommandNotExecutable;
  engine.inject(refuse);
  ToolResult r = run_tool({"--port", "COM1", "acquire", "--rate", "600", "--scans", "300", "--channels", "0,1",
                           "--output", csv},
                          {{"LINKAR32_COM1", line}});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(data_lines(testkit::read_file(csv)).size(), 301u);
  EXPECT_NE(r.err.find("Stopping the acquisition failed after 300 scans (they are kept): the amplifier reported error 10008 cmd not executable."),
            std::string::npos)
      << r.err;
}

TEST(RunsKept, NoDataLeavesAnExistingFileAsItWas) {
  testkit::TempDir dir;
  const std::string csv = dir.file("old.csv"), svg = dir.file("old.svg");
  testkit::write_file(csv, "67 KB of last week's data\n");
  testkit::write_file(svg, "<svg/>");
  ToolResult r = run_tool({"acquire", "--rate", "100", "--scans", "10", "--channels", "1", "--trigger", "external",
                           "--wait", "300ms", "--output", csv, "--plot", svg});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("No trigger came within 0.3 s (--wait); the acquisition was stopped and " + csv +
                       " was left as it was."),
            std::string::npos)
      << r.err;
  EXPECT_EQ(testkit::read_file(csv), "67 KB of last week's data\n");
  EXPECT_EQ(testkit::read_file(svg), "<svg/>");
  EXPECT_TRUE(files_containing(dir.path(), ".part").empty());

  // Ctrl-C during the trigger wait ends at once and keeps nothing.
  RunningTool waiting({"acquire", "--rate", "100", "--scans", "10", "--channels", "1", "--trigger", "external",
                       "--wait", "1h", "--output", csv});
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  waiting.signal(SIGINT);
  r = waiting.finish();
  EXPECT_EQ(r.status, 130) << r.err;
  EXPECT_NE(r.err.find("Interrupted by SIGINT after 0 scans; nothing was measured"), std::string::npos) << r.err;
  EXPECT_EQ(testkit::read_file(csv), "67 KB of last week's data\n");

  // On a terminal the wait is announced.
  r = run_tool_on_terminal({"acquire", "--rate", "100", "--scans", "5", "--channels", "1", "--trigger", "external",
                            "--wait", "300ms"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("Waiting for the trigger (up to 0.3 s, --wait) ..."), std::string::npos) << r.out;
}

TEST(RunsKept, MemoryDoesNotGrowWithThePlannedLength) {
  testkit::TempDir dir;
  // Twelve hours of 60 channels at 100 Hz (2.6e8 values) and a day at 9600 Hz, each stopped early.
  const std::vector<std::vector<std::string>> runs = {
      {"--devices", "6", "acquire", "--rate", "100", "--duration", "12h", "--channels", "0-59", "--output",
       dir.file("long.csv"), "--plot", dir.file("long.svg")},
      {"acquire", "--rate", "9600", "--duration", "86400", "--channels", "0-3", "--output", dir.file("fast.csv")},
  };
  for (const auto& args : runs) {
    const std::string name = args[args.size() - (args[args.size() - 2] == "--plot" ? 3 : 1)];
    const std::string base = name.substr(name.rfind('/') + 1);
    RunningTool tool(args);
    ASSERT_TRUE(wait_for_rows(dir.path(), base, 200)) << base;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    tool.signal(SIGINT);
    ToolResult r = tool.finish();
    EXPECT_EQ(r.status, 130) << r.err;
    EXPECT_GT(data_lines(testkit::read_file(name)).size(), 200u);
    // The program, the driver and the simulator in a few tens of MB; not the planned run.
    EXPECT_LT(tool.max_rss_kb(), 100 * 1024) << base;
  }
}

TEST(RunsKept, ARunKilledOutrightLeavesTheAmplifierUsable) {
  testkit::TempDir dir;
  corvane_sim::Engine engine{corvane_sim::EngineConfig{}};
  corvane_sim::PtyServer server(engine);
  const std::string line = server.start();
  const std::map<std::string, std::string> env{{"LINKAR32_COM1", line}};
  {
    RunningTool tool({"--port", "COM1", "acquire", "--rate", "9600", "--channels", "0-7", "--output",
                      dir.file("killed.csv")},
                     env);
    ASSERT_TRUE(wait_for_rows(dir.path(), "killed.csv", 2000));
    tool.signal(SIGKILL);
    EXPECT_EQ(tool.finish().status, 128 + SIGKILL);
  }
  EXPECT_NE(engine.acquisition().state, corvane_sim::kStateIdle);  // still measuring
  // The rows written before the kill are in the temporary file.
  EXPECT_EQ(files_containing(dir.path(), "killed.csv.").size(), 1u);
  for (int run = 0; run < 3; ++run) {
    ToolResult r = run_tool({"--port", "COM1", "acquire", "--rate", "100", "--scans", "20", "--channels", "1",
                             "--output", dir.file("next.csv")},
                            env);
    ASSERT_EQ(r.status, 0) << "run " << run << ": " << r.err;
    EXPECT_EQ(data_lines(testkit::read_file(dir.file("next.csv"))).size(), 21u);
    if (run == 0) {
      EXPECT_NE(r.err.find("An acquisition left running by an earlier program was stopped."), std::string::npos)
          << r.err;
    }
  }
  EXPECT_EQ(engine.acquisition().state, corvane_sim::kStateIdle);
}

// Waiting for slow scans or a trigger sleeps: a run at 1 Hz (the built-in simulator included)
// takes a small part of one processor.
TEST(RunsKept, SlowRunsDoNotBusyWait) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"-q", "acquire", "--rate", "1", "--scans", "3", "--channels", "1"},
           {"-q", "acquire", "--rate", "1", "--scans", "3", "--channels", "1", "--trigger", "external", "--wait", "3s"},
           {"-q", "read", "--count", "3", "--interval", "1s", "--channels", "1"}}) {
    RunningTool tool(args);
    const auto t0 = std::chrono::steady_clock::now();
    tool.finish();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_GE(wall, 2.0) << args[2];
    // 5 % of the run, plus the start (loading, opening the line; slower in a sanitizer build).
    EXPECT_LT(tool.cpu_s(), 0.05 * wall + 0.3) << args[2] << ": " << tool.cpu_s() << " s of processor time in " << wall << " s";
  }
}

}  // namespace
