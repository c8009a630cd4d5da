// The settings file on disk: the binary form byte for byte (offsets of header, version, device
// block and records), reading back offline under the amplifier-type rule, the older 16-bit form,
// damaged files, the text report against its layout in both editions and under a German locale,
// and files that cross from one edition to the other.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>

#include "edition.h"
#include "testkit/temp_dir.h"

namespace {

using testkit::read_file;
using testkit::TempDir;
using testkit::write_file;

int32_t le32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
  return static_cast<int32_t>(v);
}
float lef(const std::string& b, size_t at) {
  const int32_t bits = le32(b, at);
  float f;
  std::memcpy(&f, &bits, 4);
  return f;
}
// The zero-terminated text inside a fixed field of the file.
std::string text_at(const std::string& b, size_t at, size_t field) {
  const std::string f = b.substr(at, field);
  return f.substr(0, f.find('\0'));
}
void put16(std::string& b, size_t at, int16_t v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& b, size_t at, int32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
}

int32_t get_int(Edition& e, int32_t ch, int32_t sel) {
  int32_t v = 0;
  EXPECT_EQ(e.GetChanSettings(ch, sel, &v), 0);
  return v;
}
float get_float(Edition& e, int32_t ch, int32_t sel) {
  float v = 0;
  EXPECT_EQ(e.GetChanSettings(ch, sel, &v), 0);
  return v;
}
std::string get_text(Edition& e, int32_t ch, int32_t sel) {
  char buf[256] = {};
  EXPECT_EQ(e.GetChanSettings(ch, sel, buf), 0);
  return buf;
}
void set_int(Edition& e, int32_t ch, int32_t sel, int32_t v) { ASSERT_EQ(e.SetChanSettings(ch, sel, &v), 0); }
void set_float(Edition& e, int32_t ch, int32_t sel, float v) { ASSERT_EQ(e.SetChanSettings(ch, sel, &v), 0); }
int32_t dev_int(Edition& e, int32_t sel) {
  int32_t v = 0;
  EXPECT_EQ(e.GetDevSettings(sel, &v), 0);
  return v;
}

void open_offline(Edition& e, int32_t channels) {
  e.CloseDevice();
  int32_t n = channels;
  ASSERT_EQ(e.OpenDevice(1, &n), 0);
  ASSERT_EQ(n, channels);
}

// Settings that differ from every default, so that a read-back shows what was taken.
void make_distinct(Edition& e, int32_t count) {
  for (int32_t ch = 0; ch < count; ++ch) {
    const std::string ident = "id" + std::to_string(ch);
    ASSERT_EQ(e.SetChanSettings(ch, kCvChanIdent, ident.c_str()), 0);
    const std::string name = "name" + std::to_string(ch);
    ASSERT_EQ(e.SetChanSettings(ch, kCvChanName, name.c_str()), 0);
    set_int(e, ch, kCvChanState, 6201);
    set_int(e, ch, kCvChanFilterMode, 149);
    set_float(e, ch, kCvChanMeasured, 1.25f * static_cast<float>(ch));
    set_float(e, ch, kCvChanTare, -0.5f * static_cast<float>(ch));
    set_int(e, ch, kCvChanDigital, 1000 + ch);
  }
  int32_t rate = 6310, ftype = 141, ffreq = 948;
  ASSERT_EQ(e.SetDevSettings(kCvDevRate, &rate), 0);
  ASSERT_EQ(e.SetDevSettings(kCvDevFilterType, &ftype), 0);
  ASSERT_EQ(e.SetDevSettings(kCvDevFilterFrequency, &ffreq), 0);
}

// ---- Binary form -------------------------------------------------------------------------------

TEST(SettingsFileBinary, SixteenChannelFileLayoutByteForByte) {
  Edition& en = english();
  open_offline(en, 16);
  make_distinct(en, 16);
  set_int(en, 14, kCvChanRange, 702);
  TempDir dir;
  const std::string path = dir.file("chain.set");
  ASSERT_EQ(en.WriteSettings(path.c_str(), 0), 0);
  const std::string b = read_file(path);
  ASSERT_EQ(b.size(), 1243u);  // 91 + 16 x 72
  EXPECT_EQ(b.substr(0, 22), std::string("QBX Corvane structure\0", 22));
  EXPECT_EQ(b.substr(22, 5), std::string("2.00\0", 5));
  // Device block at 27.
  EXPECT_EQ(le32(b, 27), 16);
  EXPECT_EQ(le32(b, 31), 6310);
  EXPECT_EQ(le32(b, 35), 141);
  EXPECT_EQ(le32(b, 39), 948);
  EXPECT_EQ(text_at(b, 43, 10), "4711");
  EXPECT_EQ(text_at(b, 53, 24), "Pxx");
  EXPECT_EQ(text_at(b, 77, 10), "Corvane");
  EXPECT_EQ(le32(b, 87), 1);
  // Records from 91, 72 bytes each.
  for (int32_t ch = 0; ch < 16; ++ch) {
    const size_t r = 91 + 72 * static_cast<size_t>(ch);
    const int32_t p = ch % 10;
    const int32_t amp = p < 2 ? 5051 : p < 4 ? 5052 : p < 8 ? 5053 : p == 8 ? 5055 : 5050;
    EXPECT_EQ(le32(b, r + 0), amp) << ch;
    EXPECT_EQ(text_at(b, r + 4, 10), "id" + std::to_string(ch));
    EXPECT_EQ(text_at(b, r + 14, 20), "name" + std::to_string(ch));
    EXPECT_EQ(le32(b, r + 40), 6201);
    EXPECT_EQ(le32(b, r + 52), 149);
    EXPECT_EQ(lef(b, r + 60), 1.25f * static_cast<float>(ch));
    EXPECT_EQ(lef(b, r + 64), -0.5f * static_cast<float>(ch));
    EXPECT_EQ(le32(b, r + 68), 1000 + ch);
  }
  // Channel 14 (slot 4): KX4, full bridge, range 702 = 125 mV/V.
  const size_t r14 = 91 + 72 * 14;
  EXPECT_EQ(text_at(b, r14 + 34, 6), "mV/V");
  EXPECT_EQ(le32(b, r14 + 44), 350);
  EXPECT_EQ(le32(b, r14 + 48), 702);
  EXPECT_EQ(lef(b, r14 + 56), 125.0f);
  // Channel 9 (slot 9): not connected, unit one blank.
  EXPECT_EQ(text_at(b, 91 + 72 * 9 + 34, 6), " ");
}

TEST(SettingsFileBinary, OfflineReadTakesCountAndRecordsButNotNameOrDigital) {
  Edition& en = english();
  open_offline(en, 16);
  make_distinct(en, 16);
  set_int(en, 5, kCvChanAmplifier, 5054);  // memory only: taken back offline from the file
  set_int(en, 5, kCvChanTransducer, 501);
  set_int(en, 5, kCvChanRange, 730);
  TempDir dir;
  const std::string path = dir.file("chain.set");
  ASSERT_EQ(en.WriteSettings(path.c_str(), 0), 0);

  open_offline(en, 30);
  ASSERT_EQ(en.ReadSettings(path.c_str(), 0), 0);
  EXPECT_EQ(dev_int(en, kCvDevChannelCount), 16);
  EXPECT_EQ(dev_int(en, kCvDevRate), 6310);
  EXPECT_EQ(dev_int(en, kCvDevFilterType), 141);
  EXPECT_EQ(dev_int(en, kCvDevFilterFrequency), 948);
  for (int32_t ch = 0; ch < 16; ++ch) {
    EXPECT_EQ(get_text(en, ch, kCvChanIdent), "id" + std::to_string(ch));
    EXPECT_EQ(get_int(en, ch, kCvChanState), 6201);
    EXPECT_EQ(get_int(en, ch, kCvChanFilterMode), 149);
    EXPECT_EQ(get_float(en, ch, kCvChanMeasured), 1.25f * static_cast<float>(ch));
    EXPECT_EQ(get_float(en, ch, kCvChanTare), -0.5f * static_cast<float>(ch));
    EXPECT_EQ(get_text(en, ch, kCvChanName), "Channel" + std::to_string(ch)) << "name is not taken";
    EXPECT_EQ(get_int(en, ch, kCvChanDigital), 0) << "digital value is not taken";
  }
  EXPECT_EQ(get_int(en, 5, kCvChanAmplifier), 5054);
  EXPECT_EQ(get_int(en, 5, kCvChanTransducer), 501);
  EXPECT_EQ(get_int(en, 5, kCvChanRange), 730);
  EXPECT_EQ(get_float(en, 5, kCvChanRangeValue), 400.0f);
  EXPECT_EQ(get_text(en, 5, kCvChanUnit), "\xB0" "C");
}

TEST(SettingsFileBinary, FormsAndFileErrors) {
  Edition& en = english();
  open_offline(en, 4);
  TempDir dir;
  EXPECT_EQ(en.WriteSettings(dir.file("x").c_str(), 2), kCvBadValue);
  EXPECT_EQ(en.WriteSettings(dir.file("x").c_str(), -1), kCvBadValue);
  EXPECT_EQ(en.ReadSettings(dir.file("x").c_str(), 2), kCvUnknownReadForm);
  EXPECT_EQ(en.ReadSettings(dir.file("x").c_str(), 1), 0);
  EXPECT_EQ(en.ReadSettings(dir.file("missing").c_str(), 0), kCvFileOpenFailed);
  EXPECT_EQ(en.WriteSettings(dir.file("no/such/folder/x").c_str(), 0), kCvFileOpenFailed);
  EXPECT_EQ(en.WriteSettings(nullptr, 0), kCvFileOpenFailed);
  EXPECT_EQ(en.ReadSettings(nullptr, 0), kCvFileOpenFailed);
  // A full disk: the data cannot be written out.
  EXPECT_EQ(en.WriteSettings("/dev/full", 0), kCvFileWriteFailed);
  EXPECT_EQ(en.WriteSettings("/dev/full", 1), kCvFileWriteFailed);
}

// A current-form file for `count` channels of the default chain, made by the library.
std::string current_file(Edition& e, int32_t count, const TempDir& dir) {
  open_offline(e, count);
  make_distinct(e, count);
  const std::string path = dir.file("made.set");
  EXPECT_EQ(e.WriteSettings(path.c_str(), 0), 0);
  return read_file(path);
}

TEST(SettingsFileBinary, DamagedFilesGiveTheirStatusAndKeepWhatWasTaken) {
  Edition& en = english();
  TempDir dir;
  const std::string good = current_file(en, 16, dir);
  const std::string path = dir.file("bad.set");

  // Header text missing: -15 (from the older-form reader), nothing taken.
  std::string bad = good;
  bad[0] = 'X';
  write_file(path, bad);
  open_offline(en, 16);
  EXPECT_EQ(en.ReadSettings(path.c_str(), 0), kCvFileNotSettings);
  EXPECT_EQ(dev_int(en, kCvDevRate), 6320);

  // The header text may stand anywhere within the first 22 bytes.
  bad = good;
  bad.replace(0, 22, std::string("\0QBX Corvane structure", 22));
  write_file(path, bad);
  open_offline(en, 16);
  EXPECT_EQ(en.ReadSettings(path.c_str(), 0), 0);
  EXPECT_EQ(dev_int(en, kCvDevRate), 6310);

  // Cut inside the record of channel 10: channels 0..9 taken, the rest as it was, -13.
  write_file(path, good.substr(0, 91 + 72 * 10 + 30));
  open_offline(en, 16);
  EXPECT_EQ(en.ReadSettings(path.c_str(), 0), kCvFileTooShort);
  EXPECT_EQ(get_text(en, 9, kCvChanIdent), "id9");
  EXPECT_EQ(get_text(en, 10, kCvChanIdent), "4711");
  EXPECT_EQ(get_int(en, 10, kCvChanState), 6203);
  EXPECT_EQ(dev_int(en, kCvDevRate), 6310);
  EXPECT_EQ(dev_int(en, kCvDevChannelCount), 16);

  // Every shorter cut gives a status; none crashes.
  for (size_t len = 0; len < good.size(); len += 7) {
    write_file(path, good.substr(0, len));
    open_offline(en, 16);
    const int32_t r = en.ReadSettings(path.c_str(), 0);
    EXPECT_TRUE(r == kCvFileTooShort || r == kCvFileNotSettings) << len << ": " << r;
  }

  // Channel counts outside 0..100.
  for (int32_t count : {101, 1000, -1, 0x7FFF0065}) {
    bad = good;
    put32(bad, 27, count);
    write_file(path, bad);
    open_offline(en, 16);
    EXPECT_EQ(en.ReadSettings(path.c_str(), 0), kCvFileTooShort) << count;
    EXPECT_EQ(dev_int(en, kCvDevChannelCount), 16);
    EXPECT_EQ(get_text(en, 0, kCvChanIdent), "4711");
  }
}

// ---- Older form --------------------------------------------------------------------------------

std::string older_file(int16_t count) {
  std::string b(22 + 5 + 54 + 60 * static_cast<size_t>(count < 0 ? 0 : count), '\0');
  std::memcpy(&b[0], "QBX Corvane structure", 21);
  std::memcpy(&b[22], "1.10", 4);
  put16(b, 27, count);
  put16(b, 29, 6305);
  put16(b, 31, 142);
  put16(b, 33, 935);
  for (int16_t ch = 0; ch < count; ++ch) {
    const size_t r = 81 + 60 * static_cast<size_t>(ch);
    const int p = ch % 10;
    put16(b, r + 0, static_cast<int16_t>(p < 2 ? 5051 : p < 4 ? 5052 : p < 8 ? 5053 : p == 8 ? 5055 : 5050));
    const std::string ident = "old" + std::to_string(ch);
    const std::string name = "oldname" + std::to_string(ch);
    std::memcpy(&b[r + 2], ident.data(), ident.size());
    std::memcpy(&b[r + 12], name.data(), name.size());
    std::memcpy(&b[r + 32], "mV/V", 4);
    put16(b, r + 38, 6202);
    put16(b, r + 40, 351);
    put16(b, r + 42, 701);
    put16(b, r + 44, 149);
    std::memset(&b[r + 46], 0x5A, 14);  // not read
  }
  return b;
}

TEST(SettingsFileOlderForm, TakesNamesAndDerivesTheRangeValue) {
  Edition& en = english();
  TempDir dir;
  const std::string path = dir.file("old.set");
  write_file(path, older_file(12));
  open_offline(en, 40);
  ASSERT_EQ(en.ReadSettings(path.c_str(), 0), 0);
  EXPECT_EQ(dev_int(en, kCvDevChannelCount), 12);
  EXPECT_EQ(dev_int(en, kCvDevRate), 6305);
  EXPECT_EQ(dev_int(en, kCvDevFilterType), 142);
  EXPECT_EQ(dev_int(en, kCvDevFilterFrequency), 935);
  for (int32_t ch = 0; ch < 12; ++ch) {
    EXPECT_EQ(get_text(en, ch, kCvChanIdent), "old" + std::to_string(ch));
    EXPECT_EQ(get_text(en, ch, kCvChanName), "oldname" + std::to_string(ch));
    EXPECT_EQ(get_int(en, ch, kCvChanState), 6202);
    EXPECT_EQ(get_int(en, ch, kCvChanTransducer), 351);
    EXPECT_EQ(get_int(en, ch, kCvChanRange), 701);
    EXPECT_EQ(get_float(en, ch, kCvChanRangeValue), 12.0f);
    EXPECT_EQ(get_int(en, ch, kCvChanFilterMode), 149);
  }
}

TEST(SettingsFileOlderForm, CountAboveOneHundredIsRefused) {
  Edition& en = english();
  TempDir dir;
  const std::string path = dir.file("old.set");
  std::string b = older_file(3);
  put16(b, 27, 101);  // would overrun the 100 records
  b.resize(b.size() + 60 * 110, '\0');
  write_file(path, b);
  open_offline(en, 16);
  EXPECT_EQ(en.ReadSettings(path.c_str(), 0), kCvFileTooShort);
  EXPECT_EQ(dev_int(en, kCvDevChannelCount), 16);
  put16(b, 27, -5);
  write_file(path, b);
  EXPECT_EQ(en.ReadSettings(path.c_str(), 0), kCvFileTooShort);
  // A record cut short: those before it stay taken.
  write_file(path, older_file(5).substr(0, 81 + 60 * 3 + 10));
  open_offline(en, 16);
  EXPECT_EQ(en.ReadSettings(path.c_str(), 0), kCvFileTooShort);
  EXPECT_EQ(get_text(en, 2, kCvChanIdent), "old2");
  EXPECT_EQ(get_text(en, 3, kCvChanIdent), "4711");
}

// ---- Text report -------------------------------------------------------------------------------

// Label padded to 30 characters ("%-30s" of "label:"), value, CR LF.
std::string line(const std::string& label, const std::string& value) {
  std::string head = label + ":";
  head.resize(30, ' ');
  return head + value + "\r\n";
}

// True when text has the form "Www Mmm dd hh:mm:ss yyyy" with English names.
bool is_date_text(const std::string& t) {
  static const std::string kDays = "SunMonTueWedThuFriSat";
  static const std::string kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
  auto digit = [&](size_t i) { return t[i] >= '0' && t[i] <= '9'; };
  if (t.size() != 24 || kDays.find(t.substr(0, 3)) % 3 != 0 || kMonths.find(t.substr(4, 3)) % 3 != 0) return false;
  if (kDays.find(t.substr(0, 3)) == std::string::npos || kMonths.find(t.substr(4, 3)) == std::string::npos) return false;
  if (t[3] != ' ' || t[7] != ' ' || !(t[8] == ' ' || digit(8)) || !digit(9) || t[10] != ' ') return false;
  return digit(11) && digit(12) && t[13] == ':' && digit(14) && digit(15) && t[16] == ':' && digit(17) &&
         digit(18) && t[19] == ' ' && digit(20) && digit(21) && digit(22) && digit(23);
}

// Replaces the date text of the report (24 characters after the padded date label on the fourth
// line) by "<date>" after checking its form.
std::string without_date(std::string report, const char* date_label) {
  const std::string head = std::string("\r\n\r\n") + date_label + ":";
  const size_t at = report.find(head);
  EXPECT_NE(at, std::string::npos) << report.substr(0, 200);
  if (at == std::string::npos) return report;
  const size_t date = at + 4 + 30;
  EXPECT_TRUE(is_date_text(report.substr(date, 24))) << report.substr(date, 24);
  report.replace(date, 24, "<date>");
  return report;
}

// Ten default channels with a few changes: overflow and negative tare values, a voltage range, and
// an auxiliary channel that the report leaves out.
void report_setup(Edition& e) {
  open_offline(e, 10);
  set_float(e, 1, kCvChanTare, -1e38f);
  set_float(e, 2, kCvChanTare, -0.05f);
  set_int(e, 3, kCvChanAmplifier, 5056);
  set_int(e, 4, kCvChanRange, 710);
  set_float(e, 4, kCvChanTare, 1234.5f);
  set_float(e, 5, kCvChanTare, 1e36f);
  set_float(e, 6, kCvChanTare, -1e37f);
  int32_t ffreq = 957;
  ASSERT_EQ(e.SetDevSettings(kCvDevFilterFrequency, &ffreq), 0);
}

TEST(SettingsFileReport, EnglishReportMatchesTheLayout) {
  Edition& en = english();
  report_setup(en);
  TempDir dir;
  const std::string path = dir.file("report.txt");
  ASSERT_EQ(en.WriteSettings(path.c_str(), 1), 0);
  const std::string got = without_date(read_file(path), "Date");

  std::string want = "Corvane Setup File\r\n\r\n";
  want += line("Date", "<date>\r\n") + "\r\n";
  want += line("Device name", "Corvane") + line("Serial number", "4711") + line("Software version", "Pxx") +
          line("Number of channels", "10") + line("Measuring rate", "9600 Hz") + line("Filter type", "no filter") +
          line("Filter frequency", " 150 Hz");
  auto channel = [&](int ch, const char* type, const char* status, const char* unit, const char* range,
                     const char* range_value, const char* tare, const char* transducer = "full bridge",
                     const char* filter = "variable") {
    want += "\r\n" + line("Channel number", std::to_string(ch)) + line("Channel type", type) +
            line("Channel name", "Channel" + std::to_string(ch)) + line("Unit", unit) + line("Status", status) +
            line("Amplifier type", transducer) + line("Measuring range", range) + line("Filter", filter) +
            line("Range value", range_value) + line("Tare value", tare);
  };
  channel(0, "TF with f", "measure/tare active", "mV/V", "  3 mV/V", "3.0000", "0.0000");
  channel(1, "TF with f", "measure/tare active", "mV/V", "  3 mV/V", "3.0000", "OVERFLOW");
  channel(2, "TF", "measure/tare active", "mV/V", "  3 mV/V", "3.0000", "-0.0500");
  channel(4, "KX4", "measure/tare active", "V", "  100 mV", "0.1000", "1234.5000");
  channel(5, "KX4", "measure/tare active", "mV/V", "  3 mV/V", "3.0000", "+overflow");
  channel(6, "KX4", "measure/tare active", "mV/V", "  3 mV/V", "3.0000", "-OVERFLOW");
  channel(7, "KX4", "measure/tare active", "mV/V", "  3 mV/V", "3.0000", "0.0000");
  channel(8, "digital I/O", "-", "", "", "-", "-", "", "-");
  channel(9, "n.c.", "-", " ", "", "-", "-", "", "-");
  EXPECT_EQ(got, want);
  // One line spelled out, so the padding itself is pinned down.
  EXPECT_NE(got.find("\r\nSerial number:                4711\r\n"), std::string::npos);
}

TEST(SettingsFileReport, DateIsTheLocalTimeOfWriting) {
  Edition& en = english();
  report_setup(en);
  TempDir dir;
  const std::string path = dir.file("report.txt");
  const std::time_t before = std::time(nullptr);
  ASSERT_EQ(en.WriteSettings(path.c_str(), 1), 0);
  const std::time_t after = std::time(nullptr);
  const std::string report = read_file(path);
  char a[32], b[32];
  std::tm tm{};
  std::strftime(a, sizeof a, "%a %b %e %H:%M:%S %Y", localtime_r(&before, &tm));
  std::strftime(b, sizeof b, "%a %b %e %H:%M:%S %Y", localtime_r(&after, &tm));
  const std::string date = report.substr(22 + 30, 24);
  EXPECT_TRUE(date == a || date == b) << date;
}

TEST(SettingsFileReport, GermanEditionLabelsAndNames) {
  Edition& de = german();
  report_setup(de);
  TempDir dir;
  const std::string path = dir.file("bericht.txt");
  ASSERT_EQ(de.WriteSettings(path.c_str(), 1), 0);
  const std::string got = read_file(path);
  EXPECT_EQ(got.rfind("Corvane Setup-Datei\r\n\r\nDatum:", 0), 0u) << got.substr(0, 60);
  EXPECT_NE(got.find(line("Ger\xe4tename", "Corvane")), std::string::npos);
  EXPECT_NE(got.find("Kanal 0\r\n"), std::string::npos);
  EXPECT_NE(got.find(line("Tarawert", "OVERFLOW")), std::string::npos);
  EXPECT_NE(got.find("Messen/Tara aktiv\r\n"), std::string::npos);
  EXPECT_EQ(got.find("Kanal 3\r\n"), std::string::npos) << "auxiliary channel left out";
}

TEST(SettingsFileReport, NumbersIgnoreAGermanLocale) {
  const std::string old = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "locale de_DE.UTF-8 not installed";
  Edition& en = english();
  report_setup(en);
  TempDir dir;
  const std::string path = dir.file("report.txt");
  const int32_t r = en.WriteSettings(path.c_str(), 1);
  const std::string date_check = read_file(path);
  std::setlocale(LC_ALL, old.c_str());
  ASSERT_EQ(r, 0);
  EXPECT_NE(date_check.find(line("Range value", "3.0000")), std::string::npos);
  EXPECT_NE(date_check.find(line("Tare value", "-0.0500")), std::string::npos);
  EXPECT_NE(date_check.find(line("Tare value", "1234.5000")), std::string::npos);
  EXPECT_EQ(date_check.find("3,0000"), std::string::npos);
  // English day and month names whatever the locale.
  EXPECT_TRUE(is_date_text(date_check.substr(22 + 30, 24))) << date_check.substr(22 + 30, 24);
}

// ---- Across editions ---------------------------------------------------------------------------

TEST(SettingsFileEditions, FileOfOneEditionReadsBackIdenticallyInTheOther) {
  Edition& en = english();
  Edition& de = german();
  TempDir dir;
  const std::string from_en = dir.file("en.set");
  open_offline(en, 20);
  make_distinct(en, 20);
  set_int(en, 6, kCvChanAmplifier, 5058);
  ASSERT_EQ(en.WriteSettings(from_en.c_str(), 0), 0);

  open_offline(de, 20);
  ASSERT_EQ(de.ReadSettings(from_en.c_str(), 0), 0);
  // Names are not taken from the file: give the German side the English ones, then the file it
  // writes must be the English file byte for byte.
  for (int32_t ch = 0; ch < 20; ++ch) {
    ASSERT_EQ(de.SetChanSettings(ch, kCvChanName, get_text(en, ch, kCvChanName).c_str()), 0);
    set_int(de, ch, kCvChanDigital, get_int(en, ch, kCvChanDigital));
  }
  const std::string from_de = dir.file("de.set");
  ASSERT_EQ(de.WriteSettings(from_de.c_str(), 0), 0);
  EXPECT_EQ(read_file(from_de), read_file(from_en));

  // And back: the English edition reads the German file into the same settings.
  open_offline(en, 3);
  ASSERT_EQ(en.ReadSettings(from_de.c_str(), 0), 0);
  EXPECT_EQ(dev_int(en, kCvDevChannelCount), 20);
  for (int32_t ch = 0; ch < 20; ++ch) {
    EXPECT_EQ(get_text(en, ch, kCvChanIdent), get_text(de, ch, kCvChanIdent));
    EXPECT_EQ(get_int(en, ch, kCvChanAmplifier), get_int(de, ch, kCvChanAmplifier));
    EXPECT_EQ(get_float(en, ch, kCvChanTare), get_float(de, ch, kCvChanTare));
    EXPECT_EQ(get_int(en, ch, kCvChanState), get_int(de, ch, kCvChanState));
  }
}

}  // namespace
