// The driver statements without device traffic, each on a small compiled driver: loops of both
// kinds with their ends and breaks, conditions, jumps, assignments, waits, returns, messages,
// parameters of the run and of channels, and the text statements. Then what must stop a run: bad
// statement numbers, loop levels and variables (-492), formula errors, the abort flag, and a run
// started or a stack removed from inside a run.
#include <chrono>
#include <cstring>
#include <thread>

#include "driver_stack_fixture.h"
#include "linkar32.h"
#include "numera32_evaluate.h"

namespace kernel_test {
namespace {

using StatementTest = DriverStackTest;

TEST_F(StatementTest, LoopsCountRepeatBreakAndNest) {
  EXPECT_EQ(run("x2 = 0\n"
                "loop x1 = 1 to 10 step 3\n  x2 = x2 + x1\nend"), 0);
  EXPECT_EQ(number(2), 1 + 4 + 7 + 10);
  EXPECT_EQ(number(1), 13) << "the variable passed the limit";
  EXPECT_EQ(run("x2 = 0\nloop x1 = 5 to 1 step -2\n  x2 = x2 * 10 + x1\nend"), 0);
  EXPECT_EQ(number(2), 531);
  EXPECT_EQ(run("x2 = 0\nloop x1 = 1 to 2 step 0.5\n  x2 = x2 + 1\nend"), 0) << "a fractional step ends too";
  EXPECT_EQ(number(2), 3);
  EXPECT_EQ(run("x2 = 0\nloop x1 = 3 to 1\n  x2 = x2 + 1\nend"), 0);
  EXPECT_EQ(number(2), 1) << "the body runs once before the first test";
  EXPECT_EQ(run("x2 = 0\nrepeat 4\n  x2 = x2 + 1\nend"), 0);
  EXPECT_EQ(number(2), 4);
  EXPECT_EQ(run("x2 = 0\nrepeat\n  x2 = x2 + 1\n  if x2 = 6\n    break\n  end\nend\nx3 = 1"), 0);
  EXPECT_EQ(number(2), 6) << "a repeat 0 runs until the break";
  EXPECT_EQ(number(3), 1) << "after the break the run goes on behind the loop";
  EXPECT_EQ(run("x3 = 0\nloop x1 = 1 to 3\n  loop x2 = 1 to 4\n    x3 = x3 + 1\n    if x2 = 2\n      break\n"
                "    end\n  end\nend"),
            0);
  EXPECT_EQ(number(3), 6) << "a break leaves the inner loop only";
  EXPECT_EQ(stack().numbers[1], 4);
}

TEST_F(StatementTest, ConditionsJumpsWaitsAndReturns) {
  EXPECT_EQ(run("x1 = 5\nif x1 > 3\n  x2 = 1\nelse\n  x2 = 2\nend\nif x1 < 3\n  x3 = 1\nelse\n  x3 = 2\nend"), 0);
  EXPECT_EQ(number(2), 1);
  EXPECT_EQ(number(3), 2);
  EXPECT_EQ(run("x1 = 0\ngoto skip\nx1 = 1\nskip:\nx2 = 7"), 0);
  EXPECT_EQ(number(1), 0);
  EXPECT_EQ(number(2), 7);
  EXPECT_EQ(run("x1 = 0\nagain:\nx1 = x1 + 1\nif x1 < 5\n  goto again\nend"), 0);
  EXPECT_EQ(number(1), 5);
  EXPECT_EQ(run("return 17\nx1 = 1"), 17);
  EXPECT_EQ(number(1), 0);
  EXPECT_EQ(run("x1 = 4\nreturn -x1 * 100"), -400);
  // A wait skips the statement after it (drvc puts a no-op there).
  EXPECT_EQ(run_statements({statement(kDrvWait, {"1"}), statement(kDrvAssign, {"1", "9"}),
                            statement(kDrvAssign, {"2", "3"})}),
            0);
  EXPECT_EQ(number(1), 0);
  EXPECT_EQ(number(2), 3);
  // A break outside a loop ends the run; unknown statement types are passed over.
  EXPECT_EQ(run_statements({statement(777), statement(kDrvAssign, {"1", "1"}), statement(kDrvBreak, {"1"}),
                            statement(kDrvAssign, {"2", "1"})}),
            0);
  EXPECT_EQ(number(1), 1);
  EXPECT_EQ(number(2), 0);
}

TEST_F(StatementTest, AssignmentsReachExpressionsAndEndOnFormulaErrors) {
  EXPECT_EQ(run("x1 = 6\nx2 = x1 * 7\n$3 = \"a \\\"quoted\\\" word\"\n$4 = $3"), 0);
  EXPECT_EQ(number(2), 42) << "variables are the expression operands x<n>";
  EXPECT_EQ(text(3), "a \"quoted\" word");
  EXPECT_EQ(text(4), text(3));
  EXPECT_EQ(run("$1 = \"x\"\n$1 = \"\""), 0);
  EXPECT_EQ(stack().texts[1], nullptr) << "an empty text frees the variable";
  EXPECT_EQ(run("x1 = 2\nx1 = 1 / 0\nx2 = 1"), -7) << "division by zero";
  EXPECT_EQ(number(1), 2);
  EXPECT_EQ(number(2), 0);
  // Variables survive between runs and go back to the math library at the start of each run.
  ASSERT_EQ(run("x1 = 11"), 0);
  ASSERT_EQ(tallix::run_driver_stack(kSlot, tallix::StackSection::kInitDevice), 0);
  DrvSetArgument(1, 0.0);
  EXPECT_EQ(run_statements({statement(kDrvAssign, {"2", "x1+1"})}), 0);
  EXPECT_EQ(number(2), 1);
}

TEST_F(StatementTest, TextStatements) {
  EXPECT_EQ(run("$1 = fixed(3.14159, 2)\n$2 = fixed(12)\n$3 = fixed(-0.5)\n$4 = fixed(1234.5678)\n"
                "$5 = concat(\"v=\", $1, \";\", 2 * 21, \";\", 0.25)\n"
                "x1 = equal(\"MEAS?\", \"meas?\")\nx2 = equal(\"a\", \"ab\")\n"
                "x3 = find(\"+1.5E+00,2\", \",\")\nx4 = find(\"abc\", \"x\")\nx5 = len($5)\n"
                "$6 = mid(\"ABCDEF\", 2, 3)\n$7 = mid(\"ABCDEF\", 4)\n$8 = mid(\"AB\", 9)\n"
                "x6 = val(\" -2.5e1 V\")\nx7 = val(\"volt\")\n"
                "$9 = chr(65)\n$10 = chr(300)"),
            0);
  EXPECT_EQ(text(1), "3.14");
  EXPECT_EQ(text(2), "12") << "whole numbers without decimals";
  EXPECT_EQ(text(3), "-0.500000");
  EXPECT_EQ(text(4), "1234.57");
  EXPECT_EQ(text(5), "v=3.14;42;0.250000");
  EXPECT_EQ(number(1), 1);
  EXPECT_EQ(number(2), 0);
  EXPECT_EQ(number(3), 9);
  EXPECT_EQ(number(4), 0);
  EXPECT_EQ(number(5), static_cast<double>(text(5).size()));
  EXPECT_EQ(text(6), "BCD");
  EXPECT_EQ(text(7), "DEF");
  EXPECT_EQ(text(8), "");
  EXPECT_EQ(number(6), -25);
  EXPECT_EQ(number(7), 0);
  EXPECT_EQ(text(9), "A");
  EXPECT_EQ(text(10), "") << "a code outside 0..255 is code 0";
}

TEST_F(StatementTest, MessagesShowTextsVariablesAndNumbers) {
  static std::vector<std::string> shown;
  shown.clear();
  QBX_ACQSetMessageHandler([](const char* caption, const char* text) {
    shown.push_back(std::string(caption) + "|" + text);
  });
  EXPECT_EQ(run("$1 = \"from a variable\"\nmessage \"plain\"\nmessage $1\nmessage 6 / 4"), 0);
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0], "QBX Instrument Driver Message|plain");
  EXPECT_EQ(shown[1], "QBX Instrument Driver Message|from a variable");
  EXPECT_EQ(shown[2], "QBX Instrument Driver Message|1.50000");
  shown.clear();
  EXPECT_EQ(run("$1 = \"" + std::string(70, 'a') + "\"\nloop x1 = 1 to 7\n$1 = concat($1, $1)\nend\nmessage $1"), 0);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].size(), std::string("QBX Instrument Driver Message|").size() + 4095) << "cut to the message area";
}

TEST_F(StatementTest, ParametersOfTheRunAndOfChannels) {
  tallix::device(kSlot).fifo_rate[0] = 25.0f;
  tallix::device(kSlot).address = 3;
  AcqHdr h = measured_header(7777, kNullPort, 3, 12, kSlot);
  h.zero_offset = 0.5f;
  ASSERT_EQ(QBX_ACQSetAcqHdr(40, &h), 0);
  ASSERT_EQ(QBX_ACQSetAcqHdr(41, &h), 0);
  AcqHdr other = measured_header(7777, kNullPort, 4, 1, kSlot);  // another address: not this device's
  ASSERT_EQ(QBX_ACQSetAcqHdr(42, &other), 0);
  const int32_t list[] = {42, 41, 40};
  int32_t length = 17;
  tallix::StackCall call{3, list, &length, 41};
  QBX_SetTimeout(1234);
  EXPECT_EQ(run("x1 = get timeout\nx2 = get inqueue\nx3 = get rate\nx4 = get blocklength\nx5 = get channels\n"
                "x6 = get initchannel\nx7 = get hwchannel(40)\nx8 = get range(x6 - 1)\nx9 = get offset(40)\n"
                "x10 = get fullscale(40)\nx11 = measured(1)\nx12 = measured(2)",
                call),
            0);
  EXPECT_EQ(number(1), 1234);
  EXPECT_EQ(number(2), 0);
  EXPECT_EQ(number(3), 25);
  EXPECT_EQ(number(4), 17);
  EXPECT_EQ(number(5), 2) << "channels 41 and 40 are the device's";
  EXPECT_EQ(number(6), 41);
  EXPECT_EQ(number(7), 12);
  EXPECT_FLOAT_EQ(number(8), 3.0);
  EXPECT_FLOAT_EQ(number(9), 0.5);
  EXPECT_EQ(number(10), 25000);
  EXPECT_EQ(number(11), 41) << "in list order";
  EXPECT_EQ(number(12), 40);
  EXPECT_EQ(run("x1 = measured(3)", call), kAcqStackBadChannel);

  EXPECT_EQ(run("set timeout = 250\nset range(40) = 10\nset offset(40) = -1.5\nset fullscale(40) = 0"), 0);
  EXPECT_EQ(QBX_GetCurrTimeout(), 250);
  QBX_SetTimeout(3000);
  AcqHdr after{};
  ASSERT_EQ(QBX_ACQGetAcqHdr(40, &after), 0);
  EXPECT_EQ(+after.range, 10.0f);
  EXPECT_EQ(+after.zero_offset, -1.5f);
  EXPECT_EQ(+after.full_scale, 1) << "a full-scale count is at least 1";
  EXPECT_EQ(run("x1 = get range(0)"), kAcqStackBadChannel);
  EXPECT_EQ(run("set range(10000) = 1"), kAcqStackBadChannel);
  EXPECT_EQ(run_statements({statement(kDrvGetParameter, {"1", "5", "9"})}), kAcqBadArgument) << "target 5";
  EXPECT_EQ(run_statements({statement(kDrvGetParameter, {"1", "2", "999"})}), kAcqBadArgument);
  EXPECT_EQ(run_statements({statement(kDrvSetParameter, {"1", "3", "47", "40"})}), kAcqBadArgument)
      << "the hardware channel is not settable";
}

TEST_F(StatementTest, BadNumbersLevelsAndVariablesStopTheRun) {
  auto statements = [](int type, std::vector<const char*> args) {
    return std::vector<drvc::Statement>{statement(type, args), statement(kDrvAssign, {"1", "1"})};
  };
  EXPECT_EQ(run_statements(statements(kDrvJump, {"3"})), kAcqStackBadStatement) << "beyond the section";
  EXPECT_EQ(run_statements(statements(kDrvJump, {"2"})), 0) << "after the last statement: the end";
  EXPECT_EQ(run_statements(statements(kDrvJump, {"-1"})), kAcqStackBadStatement);
  EXPECT_EQ(run_statements(statements(kDrvJump, {"x"})), kAcqStackBadStatement);
  EXPECT_EQ(run_statements(statements(kDrvIf, {"0", "99"})), kAcqStackBadStatement);
  EXPECT_EQ(run_statements(statements(kDrvLoopEnd, {})), kAcqStackBadStatement) << "a loop end without a loop";
  EXPECT_EQ(run_statements(statements(kDrvAssign, {"65", "1"})), kAcqStackBadStatement);
  EXPECT_EQ(run_statements(statements(kDrvAssign, {"0", "1"})), kAcqStackBadStatement);
  EXPECT_EQ(run_statements(statements(kDrvLoopStart, {"99", "1", "2"})), kAcqStackBadStatement);
  EXPECT_EQ(run_statements({statement(kDrvLoopStart, {nullptr, "1"}), statement(kDrvBreak, {"5"}),
                            statement(kDrvLoopEnd)}),
            kAcqStackBadStatement);
  // A loop start jumped to again and again: the 65th level is refused.
  EXPECT_EQ(run_statements({statement(kDrvLoopStart, {nullptr, "2"}), statement(kDrvJump, {"0"})}),
            kAcqStackBadStatement);
}

TEST_F(StatementTest, TheAbortFlagStopsALoopWithoutEnd) {
  static int messages = 0;
  messages = 0;
  QBX_ACQSetMessageHandler([](const char*, const char*) {
    if (++messages == 1000) QBX_ACQSetAbortFlag(1);
  });
  EXPECT_EQ(run("repeat\n  message \"tick\"\nend"), kAcqStackAborted);
  EXPECT_EQ(messages, 1000);
  EXPECT_EQ(tallix::kernel().abort_flag, 0) << "the flag is cleared";
  EXPECT_EQ(run("x1 = 1"), 0) << "the stack stays loaded and runs again";
  // A host thread sets the flag while the driver waits an hour.
  std::thread host([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    QBX_ACQSetAbortFlag(1);
  });
  EXPECT_EQ(run("wait 3600000\nx1 = 2"), kAcqStackAborted);
  host.join();
  EXPECT_EQ(number(1), 0);
}

TEST_F(StatementTest, NoRunOrRemovalFromInsideARun) {
  static int32_t inner_run = 1;
  static int32_t removal = 1;
  QBX_ACQSetMessageHandler([](const char*, const char*) {
    inner_run = tallix::run_driver_stack(kSlot, tallix::StackSection::kInitDevice);
    removal = QBX_ACQRemoveDriverStack(kSlot);
  });
  EXPECT_EQ(run("message \"x\"\nx1 = 3"), 0);
  EXPECT_EQ(inner_run, kAcqStackBadStatement);
  EXPECT_EQ(removal, kAcqStackBadStatement);
  EXPECT_EQ(number(1), 3);
}

}  // namespace
}  // namespace kernel_test
