// Cell texts against the rules they follow, the hand-off file's layout and length checks, the
// older setup files' frequency table, the instrument definition's naming rules and the driver
// version rule of the device test.
#include <QTest>
#include <cmath>
#include <cstring>
#include <limits>

#include "cell_texts.h"
#include "instrument_definition.h"
#include "old_setup_file.h"
#include "setup_session.h"

using namespace setup;

class LogicTest : public QObject {
  Q_OBJECT

 private slots:
  void overflowWordsByExactValue() {
    QCOMPARE(value_text(1e36f, 4), std::string("+overflow"));
    QCOMPARE(value_text(1e37f, 4), std::string("+OVERFLOW"));
    QCOMPARE(value_text(-1e36f, 4), std::string("-overflow"));
    QCOMPARE(value_text(-1e37f, 4), std::string("-OVERFLOW"));
    QCOMPARE(value_text(-1e38f, 4), std::string("OVERFLOW"));
    // One unit in the last place above 1e36 is an ordinary number.
    const float above = std::nextafter(1e36f, 1e37f);
    QVERIFY(!is_overflow(above));
    QCOMPARE(value_text(above, 0).size(), size_t(37));
    QCOMPARE(value_text(above, 0)[0], '1');
  }

  void valuesWithTheirDecimalsUnderEveryLocale() {
    QCOMPARE(value_text(1.5f, 4), std::string("1.5000"));
    QCOMPARE(value_text(-0.75f, 3), std::string("-0.750"));
    QCOMPARE(value_text(1234.56789f, 6).substr(0, 9), std::string("1234.5678"));
    QCOMPARE(value_text(-0.00001f, 2), std::string("0.00"));
    QCOMPARE(value_text(1.0f, 7), std::string());
    QCOMPARE(value_text(1.0f, -1), std::string());
  }

  void decimalsFromRangeAndTransducer() {
    const int expected[][3] = {{700, 350, 4}, {711, 420, 4}, {740, 520, 4}, {743, 520, 4}, {752, 520, 4},
                               {701, 350, 3}, {712, 420, 3}, {720, 421, 3}, {742, 520, 3}, {750, 520, 3},
                               {753, 520, 3}, {710, 420, 5}, {731, 475, 1}, {760, 525, 0}, {761, 520, 0},
                               {702, 350, 2}, {730, 475, 2}, {770, 510, 2}, {710, 451, 1}, {731, 503, 1},
                               {730, 501, 1}, {710, 456, 1}};
    for (const auto& e : expected) QCOMPARE(decimals_for(e[0], e[1]), e[2]);
  }

  void transducerPictures() {
    QCOMPARE(transducer_picture(5051, 523), 16);
    QCOMPARE(transducer_picture(5052, 520), -1);
    QCOMPARE(transducer_picture(5054, 454), 18);
    QCOMPARE(transducer_picture(5054, 350), -1);
    QCOMPARE(transducer_picture(5055, 0), 0);
    QCOMPARE(transducer_picture(5058, 352), 17);
    QCOMPARE(transducer_picture(5053, 352), -1);
    QCOMPARE(transducer_picture(5050, 0), -1);
  }

  void digitalForms() {
    QCOMPARE(digital_text(165, kDigitalDecimal), std::string(" 165"));
    QCOMPARE(digital_text(-2, kDigitalDecimal), std::string("-2"));
    QCOMPARE(digital_text(0xA5, kDigitalHex), std::string("A5"));
    QCOMPARE(digital_text(0, kDigitalHex), std::string("0"));
    QCOMPARE(digital_text(-1, kDigitalHex), std::string("FFFF"));
    QCOMPARE(digital_text(0x1FFFF, kDigitalHex), std::string("FFFF"));
    QCOMPARE(digital_text(0x80A7, kDigitalBinary), std::string("10000000 \r10100111"));
    QCOMPARE(digital_text(5, 4), std::string());
    QCOMPARE(binary_digit_bit(0, 0), 15);
    QCOMPARE(binary_digit_bit(1, 6), 1);
    QCOMPARE(binary_digit_bit(1, 8), -1);
    QCOMPARE(signed_number(0), std::string(" 0"));
    QCOMPARE(signed_number(-12), std::string("-12"));
  }

  void leadingNumbers() {
    QCOMPARE(leading_number(" 0.25abc"), 0.25);
    QCOMPARE(leading_number("-1.5e2"), -150.0);
    QCOMPARE(leading_number("+3"), 3.0);
    QCOMPARE(leading_number("1,5"), 1.0);
    QCOMPARE(leading_number("abc"), 0.0);
    QCOMPARE(leading_number(""), 0.0);
  }

  void handOffFileLayout() {
    InstrumentDefinition d;
    d.name = "Rig_2";
    d.port = kPortUsb;
    d.baud = 2;
    d.parity = 2;
    d.timeout_ms = 2500;
    d.usb_address = "CV0042";
    const std::string bytes = hand_off_bytes(d);
    // 2 + (2+5) + 2+2+2 + 4 + 2+2+2 + 4 + 2 + 10 + 4 + 8 + 2 + (2+6) + 2
    QCOMPARE(bytes.size(), size_t(65));
    uint16_t name_length = 0;
    std::memcpy(&name_length, bytes.data() + 2, 2);
    QCOMPARE(name_length, uint16_t(5));
    QCOMPARE(bytes.substr(4, 5), std::string("Rig_2"));
    int16_t port = 0;
    std::memcpy(&port, bytes.data() + 11, 2);
    QCOMPARE(port, int16_t(200));
    int32_t timeout = 0;
    std::memcpy(&timeout, bytes.data() + 41, 4);
    QCOMPARE(timeout, 2500);
    std::string problem;
    const auto parsed = parse_hand_off(bytes, &problem);
    QVERIFY(parsed.has_value());
    QCOMPARE(parsed->name, std::string("Rig_2"));
    QCOMPARE(parsed->port, int16_t(200));
    QCOMPARE(parsed->baud, 2);
    QCOMPARE(parsed->parity, int16_t(2));
    QCOMPARE(parsed->timeout_ms, 2500);
    QCOMPARE(parsed->usb_address, std::string("CV0042"));
    QCOMPARE(parsed->reserved3[4], int16_t(1));
    // Trailing bytes are ignored.
    QVERIFY(parse_hand_off(bytes + "xyz", &problem).has_value());
  }

  void olderFilterFrequenciesByExactValue() {
    QCOMPARE(old_filter_frequency_id(0.01), 901);
    QCOMPARE(old_filter_frequency_id(0.012), 902);
    QCOMPARE(old_filter_frequency_id(0.015), 903);
    QCOMPARE(old_filter_frequency_id(0.02), 904);
    QCOMPARE(old_filter_frequency_id(0.1), 914);
    QCOMPARE(old_filter_frequency_id(0.25), 918);
    QCOMPARE(old_filter_frequency_id(1.0), 927);
    QCOMPARE(old_filter_frequency_id(2.5), 932);
    QCOMPARE(old_filter_frequency_id(double(2.5f)), 932);  // as the 16560 layout stores it
    QCOMPARE(old_filter_frequency_id(75), 952);
    QCOMPARE(old_filter_frequency_id(1200), 971);
    QCOMPARE(old_filter_frequency_id(12000), 983);
    QCOMPARE(old_filter_frequency_id(15000), 1100);
    QCOMPARE(old_filter_frequency_id(25000), 1150);
    QCOMPARE(old_filter_frequency_id(0.011), 0);
    QCOMPARE(old_filter_frequency_id(1.01), 0);
    QCOMPARE(old_filter_frequency_id(-1), 0);
    // Every id of the driver's filter-frequency index strings has its frequency in the table.
    const std::pair<double, int32_t> driver[] = {{0.5, 921}, {5, 935}, {10, 941}, {20, 945}, {40, 948},
                                                 {150, 957}, {300, 960}, {600, 964}};
    for (const auto& [hertz, id] : driver) QCOMPARE(old_filter_frequency_id(hertz), id);
  }

  void olderFilesRefusedWithTheirReason() {
    int32_t status = 0;
    std::string problem;
    QVERIFY(!parse_old_setup("", &status, &problem));
    QCOMPARE(status, kOldSetupTooShort);
    std::string bytes("\xB1\x40", 2);  // 16561
    QVERIFY(!parse_old_setup(bytes, &status, &problem));
    QCOMPARE(status, int32_t(-114));
    QVERIFY(problem.find("16561") != std::string::npos);
    // A 16560 file with one channel: 2 + 12 + 24 bytes; every shorter cut is refused.
    std::string one("\xB0\x40\x01\x00", 4);
    one.resize(2 + 12 + 24, '\0');
    QVERIFY(parse_old_setup(one, &status, &problem).has_value());
    QCOMPARE(parse_old_setup(one, &status, &problem)->channels.size(), size_t(1));
    for (size_t n = 0; n < one.size(); ++n) {
      QVERIFY(!parse_old_setup(one.substr(0, n), &status, &problem).has_value());
      QCOMPARE(status, kOldSetupTooShort);
    }
    // A negative channel count.
    std::string negative = one;
    negative[2] = '\xff';
    negative[3] = '\xff';
    QVERIFY(!parse_old_setup(negative, &status, &problem).has_value());
  }

  void definitionRules() {
    QCOMPARE(name_without_blanks("   "), std::string("___"));
    QCOMPARE(name_without_blanks("A B  C"), std::string("A_B__C"));
    QCOMPARE(port_for_interface("COM4"), int16_t(4));
    QCOMPARE(port_for_interface("LPT2"), kPortLpt2);
    QCOMPARE(port_for_interface("GPIB"), kPortGpib);
    QCOMPARE(port_for_interface("OFFLINE"), kPortOffline);
    QCOMPARE(port_for_interface("COM5"), kPortOffline);
    InstrumentDefinition d;
    d.port = kPortLpt1;
    d.baud = 4;  // EPP mode stays
    fit_parallel_mode(&d);
    QCOMPARE(d.baud, 4);
    d.baud = 5;
    fit_parallel_mode(&d);
    QCOMPARE(d.baud, 1);
    d.port = kPortCom1;
    d.baud = 9600;
    fit_parallel_mode(&d);
    QCOMPARE(d.baud, 9600);
    // Typed numbers: leading numbers, clamped into their fields.
    SerialEntries e{"19200 Baud", 7, "2", "8", "1e12", "0.0004", true};
    store_serial_entries(e, &d);
    QCOMPARE(d.baud, 19200);
    QCOMPARE(d.parity, int16_t(2));
    QCOMPARE(d.receive_buffer, std::numeric_limits<int32_t>::max());
    QCOMPARE(d.timeout_ms, 0);
  }

  void driverVersionRule() {
    QVERIFY(reports_every_device("2.00"));
    QVERIFY(reports_every_device("1.32"));
    QVERIFY(reports_every_device("1.31a"));
    QVERIFY(!reports_every_device("1.31"));
    QVERIFY(!reports_every_device("1.30"));
    QVERIFY(!reports_every_device("1.3"));
    QVERIFY(!reports_every_device(""));
    QVERIFY(setup::port_busy(-5009));
    QVERIFY(!setup::port_busy(0));
    QVERIFY(!setup::port_busy(-1));
  }

  void damagedHandOffFilesAreRefused() {
    InstrumentDefinition d;
    d.name = "Bench";
    d.usb_address = "A";
    const std::string bytes = hand_off_bytes(d);
    // Every cut inside the file is refused.
    for (size_t n = 0; n < bytes.size(); ++n) {
      std::string problem;
      QVERIFY2(!parse_hand_off(bytes.substr(0, n), &problem).has_value(), std::to_string(n).c_str());
      QVERIFY(!problem.empty());
    }
    // A name length that runs past the end of the file.
    std::string long_name = bytes;
    long_name[2] = '\xff';
    long_name[3] = '\x7f';
    std::string problem;
    QVERIFY(!parse_hand_off(long_name, &problem).has_value());
    QVERIFY(problem.find("name") != std::string::npos);
  }
};

QTEST_APPLESS_MAIN(LogicTest)
#include "logic_test.moc"
