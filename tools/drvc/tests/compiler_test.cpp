// drvc's compiler: the statements and jump targets each construct becomes (checked against the
// numbers the kernel counts by), the argument texts of parameters and device input/output, and the
// error messages with their line numbers for every kind of mistake. The program itself: exit
// status, message format and the file it writes.
#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "driver_image.h"
#include "source_compiler.h"
#include "testkit/temp_dir.h"

namespace drvc {
namespace {

Program ok(const std::string& source) {
  std::vector<Diagnostic> errors;
  Program p = compile_source(source, errors);
  for (const auto& e : errors) ADD_FAILURE() << "line " << e.line << ": " << e.message;
  return p;
}

// "line: message" of every error.
std::vector<std::string> errors_of(const std::string& source) {
  std::vector<Diagnostic> errors;
  compile_source(source, errors);
  std::vector<std::string> out;
  for (const auto& e : errors) out.push_back(std::to_string(e.line) + ": " + e.message);
  return out;
}

// The statements of the first section as "type a0,a1,..." (absent arguments as '-').
std::vector<std::string> shape(const Program& p) {
  std::vector<std::string> out;
  for (const Statement& s : p.sections.at(0).statements) {
    std::string t = std::to_string(s.type);
    int last = kArguments - 1;
    while (last >= 0 && !s.args[last]) --last;
    for (int k = 0; k <= last; ++k) t += (k ? "," : " ") + s.args[k].value_or("-");
    out.push_back(t);
  }
  return out;
}

using Shape = std::vector<std::string>;

TEST(Compiler, BlocksBecomeConditionsJumpsAndLoops) {
  EXPECT_EQ(shape(ok("section InitDevice\n"
                     "if x1 > 0\n"        // 1
                     "  x2 = 1\n"         // 2
                     "else\n"             // 3 jump, 4 label
                     "  x2 = 2\n"         // 5
                     "end\n"              // 6 label
                     "loop x3 = 1 to 9 step 2\n"  // 7
                     "  if x3 = 5\n"      // 8
                     "    break\n"        // 9
                     "  end\n"            // 10
                     "end\n"              // 11 loop end
                     "repeat\n"           // 12
                     "  goto out\n"       // 13
                     "end\n"              // 14
                     "out:\n"             // 15
                     "wait 10\n"          // 16, 17 filler
                     "return\n"           // 18
                     "end\n")),
            (Shape{"3 x1>0,4", "8 2,1", "4 6", "0", "8 2,2", "0", "1 3,1,9,2", "3 x3=5,10", "6 11", "0", "2",
                   "1 -,0", "4 15", "2", "0", "18 10", "0", "31 0"}));
}

TEST(Compiler, TextsParametersAndDeviceIo) {
  EXPECT_EQ(shape(ok("section ACQRead\n"
                     "$1 = \"a\\tb\\x41\\\"\"\n"
                     "$2 = concat(\"n=\", x1 * 2, $1)\n"
                     "$3 = fixed(x1, 3)\n"
                     "$4 = mid($1, 2)\n"
                     "$5 = chr(13)\n"
                     "x1 = equal($1, \"x\")\n"
                     "x2 = find($1, \"b\")\n"
                     "x3 = len($1)\n"
                     "x4 = val($1)\n"
                     "x5 = get blocklength\n"
                     "x6 = get range(x5 + 1)\n"
                     "set timeout = 500\n"
                     "set fullscale(x5) = 25000\n"
                     "x7 = measured(2)\n"
                     "flush\n"
                     "write \"MEAS?\" crlf\n"
                     "write $2 count x3\n"
                     "read x8\n"
                     "read $6 length 4 until none timeout 250\n"
                     "read x9 until cr\n"
                     "store \"r3(%#,)\"\n"
                     "store $6 to x5\n"
                     "message \"done\"\n"
                     "end\n")),
            (Shape{"8 1,\"a\tbA\"\"", "35 2,\"n=\",@x1*2,$1", "34 3,x1,3", "505 4,$1,2", "521 5,13",
                   "403 1,$1,\"x\"", "501 2,$1,\"b\"", "502 3,$1", "508 4,$1", "1002 5,2,147", "1002 6,3,151,x5+1",
                   "1001 500,2,9", "1001 25000,3,154,x5", "1003 110,7,2", "1003 13", "1003 18,\"MEAS?\",3",
                   "1003 18,$2,0,x3", "1003 17,8,4095,10", "1003 17,$6,4,0,250", "1003 17,9,4095,13",
                   "1003 111,\"r3(%#,)\"", "1003 111,$6,3,x5", "206 \"done\""}));
}

TEST(Compiler, ErrorsNameTheirLine) {
  EXPECT_EQ(errors_of("x1 = 1\n"
                      "section Setup\n"
                      "section InitDevice\n"
                      "  x65 = 1\n"
                      "  $0 = \"a\"\n"
                      "  x1 = (2\n"
                      "  $1 = \"open\n"
                      "  frobnicate 3\n"
                      "  else\n"
                      "  break\n"
                      "  goto nowhere\n"
                      "  x1 = get voltage\n"
                      "  x1 = get range\n"
                      "  set rate = 5\n"
                      "  read y1\n"
                      "  read $1 until none\n"
                      "  write \"x\" lf cr\n"
                      "  store 1 + 2\n"
                      "  x1 = \"text\"\n"
                      "  $1 = x1 + 1\n"
                      "  $1 = mid($2)\n"
                      "  x1 = $2\n"
                      "  here:\n"
                      "  here:\n"
                      "  loop x1 = 1\n"
                      "  end\n"
                      "  if x1\n"
                      "end\n"
                      "section InitDevice\n"),
            (std::vector<std::string>{
                "1: statement outside a section",
                "2: section Setup is never run: its name must contain InitDevice, InitChan, ACQStart, ACQRead or "
                "ACQStop",
                "4: variable x65 outside x1..x64",
                "5: variable $0 outside $1..$64",
                "6: unbalanced parentheses: '(' without ')'",
                "7: unterminated string",
                "8: unknown statement 'frobnicate'",
                "9: else without if",
                "10: break outside a loop",
                "11: goto to unknown label nowhere",
                "12: unknown parameter 'voltage'",
                "13: parameter range needs a channel: range(CHANNEL)",
                "14: parameter rate cannot be set",
                "15: read needs a variable (xN or $N), not 'y1'",
                "16: read until none needs a length",
                "17: second line end in write",
                "18: store needs a format string or a text variable",
                "19: a numeric variable cannot take a string (use val(...) or a text variable $N)",
                "20: a text variable takes a string, a text variable, fixed(), concat(), mid() or chr()",
                "21: mid takes 2 to 3 arguments",
                "22: a text variable cannot stand in an expression",
                "24: label here defined twice",
                "25: loop needs: loop xN = START to LIMIT [step STEP]",
                "29: section inside section InitDevice (missing end?)",
                "29: section InitDevice defined twice (first on line 3)",
            }));
}

TEST(Compiler, UnclosedBlocksAndSectionsAtTheEnd) {
  EXPECT_EQ(errors_of("section ACQStop\n  repeat 2\n    if x1\n"),
            (std::vector<std::string>{"1: section ACQStop without end", "2: loop without end", "3: if without end"}));
  EXPECT_EQ(errors_of("section ACQStop\n  loop x1 = 1 to\n  end\nend\n"),
            (std::vector<std::string>{"2: loop needs: loop xN = START to LIMIT [step STEP]"}))
      << "a wrong loop line still opens its block";
}

TEST(Compiler, ImageLayoutAndSizeLimits) {
  Program p = ok("section InitChan\nx1 = 1\nend\nsection ACQStop\nend\n");
  const std::vector<uint8_t> image = driver_image(p);
  ASSERT_GE(image.size(), 192u);
  EXPECT_EQ(image[0] | image[1] << 8, 28002);
  EXPECT_EQ(image[2] | image[3] << 8, 2);
  const uint32_t p1 = image[80] | image[81] << 8 | image[82] << 16 | static_cast<uint32_t>(image[83]) << 24;
  const uint32_t p2 = image[144] | image[145] << 8 | image[146] << 16 | static_cast<uint32_t>(image[147]) << 24;
  EXPECT_EQ(p1, 193u);
  EXPECT_EQ(image[p1 - 1], 1) << "one statement";
  // type, "1", "1", eleven empty texts, an empty 14th, three words
  EXPECT_EQ(p2, p1 + 1 + 2 + (2 + 1) * 2 + 2 * 11 + 2 + 6 + 1);
  EXPECT_EQ(image[p2 - 1], 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&image[152])), "ACQStop");
  Program huge;
  huge.sections.push_back(Section{"InitDevice", 1, {}});
  Statement s;
  s.args[0] = std::string(70000, 'a');
  huge.sections[0].statements.push_back(s);
  EXPECT_THROW(driver_image(huge), std::length_error);
}

int run_drvc(const std::string& args, std::string* err) {
  const std::string cmd = std::string(DRVC_PROGRAM) + " " + args + " 2>&1";
  FILE* f = popen(cmd.c_str(), "r");
  char buf[512];
  err->clear();
  while (f && fgets(buf, sizeof buf, f)) *err += buf;
  const int status = f ? pclose(f) : -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Program, WritesTheFileOrReportsFileAndLine) {
  testkit::TempDir dir;
  testkit::write_file(dir.file("good.drs"), "section ACQStart\n  flush\nend\n");
  testkit::write_file(dir.file("bad.drs"), "section ACQStart\n  flush 2\nend\n");
  std::string out;
  EXPECT_EQ(run_drvc(dir.file("good.drs"), &out), 0) << out;
  EXPECT_EQ(testkit::read_file(dir.file("good.drv")).substr(0, 2), "bm") << "the default output name";
  EXPECT_EQ(run_drvc("--listing -o " + dir.file("x.bin") + " " + dir.file("good.drs"), &out), 0);
  EXPECT_EQ(out, "section ACQStart\n  1: 1003 [13]    (line 2)\n");
  EXPECT_EQ(run_drvc(dir.file("bad.drs") + " -o " + dir.file("bad.drv"), &out), 1);
  EXPECT_EQ(out, dir.file("bad.drs") + ":2: error: flush takes nothing after it\n");
  EXPECT_TRUE(testkit::read_file(dir.file("bad.drv")).empty()) << "no file for a source with errors";
  EXPECT_EQ(run_drvc(dir.file("missing.drs"), &out), 2);
  EXPECT_EQ(run_drvc("", &out), 2);
}

TEST(Program, TheExampleDriverCompiles) {
  testkit::TempDir dir;
  std::string out;
  EXPECT_EQ(run_drvc("-o " + dir.file("meter.drv") + " " DRVC_EXAMPLE, &out), 0) << out;
}

}  // namespace
}  // namespace drvc
