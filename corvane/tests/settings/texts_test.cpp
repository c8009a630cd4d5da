// Texts of the two editions: index strings of setting ids and error numbers, string resources, and
// the misses. The same source runs against libcorvan32.so and libcorvan32_de.so.
#include <cstring>

#include "offline_fixture.h"

namespace {

std::string index_string(int32_t id, int32_t expect = 0) {
  char out[256];
  std::memset(out, 'x', sizeof out);
  EXPECT_EQ(GetIDString(id, out), expect) << id;
  return out;
}

std::string resource(int32_t id) {
  char out[256];
  std::memset(out, 'x', sizeof out);
  EXPECT_EQ(CV_GetResString(id, out), 0) << id;
  return out;
}

// Expected text of the edition under test.
const char* ed(const char* english, const char* german) { return kGerman ? german : english; }

}  // namespace

TEST(Texts, IndexStringsOfSettingIds) {
  EXPECT_EQ(index_string(42), ed("measuring signal", "Me\xDF" "signal"));
  EXPECT_EQ(index_string(43), ed("shunt measuring", "Shunt Messung"));
  EXPECT_EQ(index_string(141), ed("butterworth", "Butterworth"));
  EXPECT_EQ(index_string(149), ed("const", "fest"));
  EXPECT_EQ(index_string(350), ed("full bridge", "Vollbr\xFC" "cke"));
  EXPECT_EQ(index_string(454), ed("thermocouple B", "Thermo B"));
  EXPECT_EQ(index_string(501), "PT100");
  EXPECT_EQ(index_string(525), ed("count", "Z\xE4hler"));
  EXPECT_EQ(index_string(700), "  3 mV/V");
  EXPECT_EQ(index_string(710), ed("  100 mV", "   0.1 V"));
  EXPECT_EQ(index_string(770), ed("temperature", "Temperatur"));
  EXPECT_EQ(index_string(957), " 150 Hz");
  EXPECT_EQ(index_string(1199), ed("averaging", "Mittelwert"));
  EXPECT_EQ(index_string(1351), "even Parity");
  EXPECT_EQ(index_string(1410), "19.2 KBaud");
  EXPECT_EQ(index_string(5051), ed("TF with f", "TF mit F"));
  EXPECT_EQ(index_string(6000), ed("greater equal", "gr\xF6\xDF" "er gleich"));
  EXPECT_EQ(index_string(6103), ed("internal", "intern"));
  EXPECT_EQ(index_string(6203), ed("measure/tare active", "Messen/Tara aktiv"));
  EXPECT_EQ(index_string(6300), "   1 Hz");
  EXPECT_EQ(index_string(6320), "9600 Hz");
  // The 76 KBaud label belongs to the English edition only.
  EXPECT_EQ(index_string(1415, kGerman ? kCvNoIndexString : 0), ed("  76 KBaud", ""));
}

TEST(Texts, IndexStringsOfErrorNumbers) {
  EXPECT_EQ(index_string(10000), ed("after reset", "Corvane im Reset-Zustand"));
  EXPECT_EQ(index_string(10001), ed("transmission error", "\xDC" "bertragungsfehler, Parity..."));
  EXPECT_EQ(index_string(10004), ed("wrong # of parms", "falsche Parameterzahl"));
  EXPECT_EQ(index_string(10007), ed("overload", "Verst\xE4rker\xFC" "bertsteuerung"));
  EXPECT_EQ(index_string(10013), ed("wrong range", "Fehler beim Me\xDF" "bereich"));
  EXPECT_EQ(index_string(10020), ed("flash mode", "Corvane im Flash-Zustand"));
  EXPECT_EQ(index_string(10022), ed("warning: tare state", "Warnung wegen Tarastatus"));
  // Ids with no text: empty out, -1.
  for (int32_t id : {999, 0, -1, 765, 10016, 10019, 10023, 6321})
    EXPECT_EQ(index_string(id, kCvNoIndexString), "") << id;
  char out[4] = "abc";
  EXPECT_EQ(CV_GetIndexString(10005, nullptr), kCvBadValue);
  EXPECT_EQ(CV_GetIndexString(12345, out), kCvNoIndexString);
  EXPECT_STREQ(out, "");
}

TEST(Texts, StringResources) {
  EXPECT_EQ(resource(10001), ed("Channel", "Kanal "));
  EXPECT_EQ(resource(3001), ed("Corvane Setup File", "Corvane Setup-Datei"));
  EXPECT_EQ(resource(3002), ed("Date", "Datum"));
  EXPECT_EQ(resource(2005), ed("An error occurs with the error number ",
                               "Es ist ein Fehler aufgetreten mit der Fehlernummer "));
  EXPECT_EQ(resource(1006), ed("Error! No Corvane found.\nIs the Corvane switched on?\nIs the connection cabel ok?",
                               "Fehler! Kein Corvane gefunden.\nIst der Corvane eingeschaltet?\n"
                               "Ist das Verbindungskabel in Ordnung?"));
  EXPECT_EQ(resource(501), ed("&File", "&Datei"));
  EXPECT_EQ(resource(550), " ");
  // Group headings carry the German group names in both editions.
  EXPECT_EQ(resource(500), "Men\xFC" "texte");
  EXPECT_EQ(resource(1000), "Fehlertexte");
  EXPECT_EQ(resource(2000), "Allgemeiner Text");
  EXPECT_EQ(resource(10000), "DLL Texte");
  // Every resource fits the 256-byte buffer the callers pass.
  for (int32_t id = 0; id < 11000; ++id) {
    char out[300];
    std::memset(out, 'x', sizeof out);
    if (CV_GetResString(id, out) == 0) {
      EXPECT_LT(std::strlen(out), 256u) << id;
    }
  }
  char out[256] = "abc";
  EXPECT_EQ(CV_GetResString(2012, out), kCvNoResource);
  EXPECT_STREQ(out, "");
  EXPECT_EQ(CV_GetResString(2012, nullptr), kCvBadValue);
}
