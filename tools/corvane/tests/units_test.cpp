// The tool's own pieces that output depends on: number texts under a German locale, Latin-1 and
// UTF-8, JSON escaping, axis ticks, channel lists and port names.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

#include "channel_view.h"
#include "formula_text.h"
#include "json_mini.h"
#include "json_writer.h"
#include "plot_decimator.h"
#include "port_choice.h"
#include "session.h"
#include "svg_plot.h"
#include "text_codec.h"

namespace corvane_cli {
namespace {

TEST(Units, NumbersIgnoreTheLocale) {
  const char* old = std::setlocale(LC_ALL, nullptr);
  std::string saved = old ? old : "C";
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "de_DE.UTF-8 not installed";
  EXPECT_EQ(format_number(0.5), "0.5");
  EXPECT_EQ(format_number(1.2f), "1.2");
  EXPECT_EQ(format_fixed(-0.00001, 4), "0.0000");
  EXPECT_EQ(format_fixed(1234.5, 1), "1234.5");
  EXPECT_EQ(parse_double("2.5"), 2.5);
  EXPECT_FALSE(parse_double("2,5"));
  std::setlocale(LC_ALL, saved.c_str());
}

TEST(Units, IntegersAndTexts) {
  EXPECT_EQ(parse_integer("0xA5"), 165);
  EXPECT_EQ(parse_integer("-12"), -12);
  EXPECT_FALSE(parse_integer("12a"));
  EXPECT_FALSE(parse_integer(""));
  EXPECT_EQ(latin1_to_utf8("\xB0" "C"), "\xC2\xB0" "C");
  EXPECT_EQ(utf8_to_latin1("Halbbr\xC3\xBC" "cke"), "Halbbr\xFC" "cke");
  EXPECT_EQ(utf8_to_latin1("\xE2\x82\xAC"), "?");  // the euro sign has no Latin-1 byte
  EXPECT_EQ(fold("  125   mV/V "), "125 mv/v");
  EXPECT_EQ(fold("VOLLBR\xDC" "CKE"), "vollbr\xFC" "cke");
}

TEST(Units, JsonEscapesAndReadsBack) {
  JsonWriter j;
  j.begin_object().field("name", "a \"quoted\"\\ name\n\x01").field("nan", std::nan("")).field("n", 3);
  j.key("list").begin_array().value(1.5).value(false).null().end_array().end_object();
  json_mini::Value v = json_mini::parse(j.text());
  EXPECT_EQ(v["name"].string, "a \"quoted\"\\ name\n\x01");
  EXPECT_EQ(v["nan"].type, json_mini::Value::Type::kNull);
  EXPECT_EQ(v["list"].size(), 3u);
  EXPECT_EQ(v["list"][0].number, 1.5);
}

TEST(Units, TicksAreRoundAndEncloseTheData) {
  double step = 0;
  auto t = nice_ticks(-0.47, 1.53, 5, &step);
  EXPECT_DOUBLE_EQ(step, 0.5);
  EXPECT_DOUBLE_EQ(t.front(), -0.5);
  EXPECT_DOUBLE_EQ(t.back(), 2.0);
  t = nice_ticks(23.36, 23.86, 5, &step);
  EXPECT_NEAR(step, 0.1, 1e-12);
  EXPECT_LE(t.front(), 23.36);
  EXPECT_GE(t.back(), 23.86);
  t = nice_ticks(165, 165, 5, &step);  // a constant still gets an axis around it
  EXPECT_LT(t.front(), 165);
  EXPECT_GT(t.back(), 165);
  t = nice_ticks(0, 3.0, 10, &step);  // 0.3 per tick rounds up to 0.5
  EXPECT_EQ(step, 0.5);
  EXPECT_EQ(t.size(), 7u);
  EXPECT_EQ(t[3], 1.5);
}

TEST(Units, ChannelListsAndPorts) {
  EXPECT_EQ(parse_channel_list("7,0-2,2", 10), (std::vector<int32_t>{0, 1, 2, 7}));
  EXPECT_THROW(parse_channel_list("3-1", 10), CommandError);
  EXPECT_THROW(parse_channel_list("10", 10), CommandError);
  EXPECT_THROW(parse_channel_list("a", 10), CommandError);

  auto p = parse_port("tcp:192.168.1.20:5025");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->number, 100);
  EXPECT_EQ(p->host, "192.168.1.20");
  EXPECT_EQ(p->tcp_port, 5025);
  EXPECT_EQ(parse_port("lpt2")->number, 91);
  EXPECT_EQ(parse_port("usb:A1B2")->usb_serial, "A1B2");
  EXPECT_FALSE(parse_port("tcp:host:99999"));
  EXPECT_FALSE(parse_port("COM7"));
  EXPECT_EQ(parse_port("OFFLINE")->kind, PortChoice::Kind::kOffline);
}

TEST(Units, OverflowFloatsHaveTheirWords) {
  EXPECT_EQ(overflow_word(1e36f), "+overflow");
  EXPECT_EQ(overflow_word(-1e38f), "OVERFLOW");
  EXPECT_EQ(overflow_word(std::nextafter(1e36f, 2e36f)), "");
  ChannelView v;
  v.range = 700;
  v.unit = "mV/V";
  EXPECT_EQ(v.format(1.5f), "1.5000 mV/V");
  v.transducer = 451;
  v.unit = "\xC2\xB0" "C";
  EXPECT_EQ(v.format(23.46f), "23.5 \xC2\xB0" "C");
}

// JSON stays valid UTF-8 whatever bytes a text holds (file names in another encoding).
TEST(Units, JsonQuotesReplaceBytesThatAreNotUtf8) {
  EXPECT_EQ(json_quote("\xC2\xB0" "C"), "\"\xC2\xB0" "C\"");                        // degree sign passes
  EXPECT_EQ(json_quote("bad\xFF\xC3(name"), "\"bad\\ufffd\\ufffd(name\"");        // stray and cut bytes
  EXPECT_EQ(json_quote("\xC0\xAF"), "\"\\ufffd\\ufffd\"");                         // overlong "/"
  EXPECT_EQ(json_quote("\xED\xA0\x80"), "\"\\ufffd\\ufffd\\ufffd\"");              // a surrogate
  EXPECT_EQ(json_quote("\xF0\x9F\x98\x80"), "\"\xF0\x9F\x98\x80\"");              // four bytes pass
}

// Min/max buckets keep every peak of a long run in bounded memory.
TEST(Units, PlotDecimatorKeepsPeaksInBoundedMemory) {
  PlotDecimator d(2, 100);
  const long long n = 1000000;
  float v[2];
  for (long long i = 0; i < n; ++i) {
    v[0] = static_cast<float>(i % 1000);                 // a saw tooth 0..999
    v[1] = i == 654321 ? 5e3f : (i == 777 ? 1e36f : 1.0f);  // one spike, one overflow
    d.add(i, v);
  }
  EXPECT_LE(d.memory_cells(), 2u * 100u * 2u);
  std::vector<double> times;
  std::vector<std::vector<double>> values;
  d.points([](long long i) { return static_cast<double>(i); }, &times, &values);
  ASSERT_LE(times.size(), 400u);
  ASSERT_GE(times.size(), 200u);
  EXPECT_EQ(times.front(), 0.0);
  EXPECT_EQ(times.back(), static_cast<double>(n - 1));
  double lo = 1e9, hi = -1e9, spike = 0;
  for (double x : values[0]) lo = std::min(lo, x), hi = std::max(hi, x);
  for (double x : values[1]) spike = std::max(spike, x);
  EXPECT_EQ(lo, 0.0);
  EXPECT_EQ(hi, 999.0);
  EXPECT_EQ(spike, 5e3);  // the overflow is not a value
}

TEST(Units, FormulaChannelsAreRenumberedForTheKernel) {
  FormulaOption f = parse_formula_option("Power [W]=c3*c12+acos(c3)-x1c2+sec(1)*c12");
  EXPECT_EQ(f.name, "Power");
  EXPECT_EQ(f.unit, "W");
  // The c of acos( and of x1c2 names no channel; c3 and c12 are the tool's channels 3 and 12.
  EXPECT_EQ(formula_channels(f.text), (std::vector<int32_t>{3, 12}));
  EXPECT_EQ(translate_formula(f, {{3, 1}, {12, 2}}), "c1*c2+acos(c1)-x1c2+sec(1)*c2");
  f = parse_formula_option("S=c0+c1=2");  // only the first "=" splits
  EXPECT_EQ(f.text, "c0+c1=2");
  EXPECT_EQ(f.unit, "");
  try {
    translate_formula(f, {{0, 1}});
    ADD_FAILURE() << "c1 is not recorded";
  } catch (const CommandError& e) {
    EXPECT_EQ(e.status, kExitUsage);
    EXPECT_STREQ(e.what(), "The formula S uses c1, which is not recorded: add channel 1 to --channels.");
  }
  for (const char* bad : {"=c0", "S=", "noequals", "A,B=c0", "T [abcdefghijk]=c0", "[V]=c0"}) {
    EXPECT_THROW(parse_formula_option(bad), CommandError) << bad;
  }
  // A text that grows past the kernel's 255 characters in the kernel's numbering is refused.
  FormulaOption longest{"L", "", ""};
  for (int i = 0; i < 80; ++i) longest.text += "c0+";
  longest.text += "1";  // 241 characters with c0, 401 with c100
  EXPECT_EQ(translate_formula(longest, {{0, 1}}).size(), 241u);
  EXPECT_THROW(translate_formula(longest, {{0, 100}}), CommandError);
}

}  // namespace
}  // namespace corvane_cli
