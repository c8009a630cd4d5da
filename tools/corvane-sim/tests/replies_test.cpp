// Exact reply bytes of the simulated amplifier for each command, its refusals with the error
// numbers that EST? reports and clears, and the amplifier rules it enforces.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "corvane_sim/engine.h"

namespace corvane_sim {
namespace {

// Sends a command that must be refused; returns the error number EST? then reports.
int32_t refusal(Engine& e, const std::string& command) {
  EXPECT_EQ(e.process(command), "?\r\n") << command;
  std::string est = e.process("EST?");
  EXPECT_EQ(e.process("EST?"), "0\r\n") << "EST? must clear the error";
  return std::stoi(est);
}

TEST(Replies, ErrorStatusReportsThenClears) {
  Engine e;
  EXPECT_EQ(e.process("EST?"), "0\r\n");
  EXPECT_EQ(e.process("XYZ"), "?\r\n");
  EXPECT_EQ(e.error_number(), kUnknownCommand);
  EXPECT_EQ(e.process("EST?"), "10003\r\n");
  EXPECT_EQ(e.process("EST?"), "0\r\n");
  EngineConfig reset;
  reset.initial_error = kAfterReset;
  Engine fresh(reset);
  EXPECT_EQ(fresh.process("EST?"), "10000\r\n");
  EXPECT_EQ(fresh.process("EST?"), "0\r\n");
}

TEST(Replies, IdentityOfOneDeviceAndOfTheChain) {
  EngineConfig config;
  config.devices = 3;
  config.serial_numbers = {"1001", "1002"};
  Engine e(config);
  EXPECT_EQ(e.process("IDN?"), "QBX,Corvane,1001,P2.10\r\n");
  EXPECT_EQ(e.process("IDN?100"), "QBX,Corvane,1001,P2.10,QBX,Corvane,1002,P2.10,QBX,Corvane,47112,P2.10\r\n");
  EXPECT_EQ(e.process("IDN?1"), "QBX,Corvane,1002,P2.10\r\n");
  EXPECT_EQ(refusal(e, "IDN?3"), kWrongParameterValue);
  EXPECT_EQ(refusal(e, "IDN?1,2"), kWrongParameterCount);
}

TEST(Replies, AmplifierIdsByDefaultSlotTypes) {
  Engine e;
  EXPECT_EQ(e.process("AID?"), "0,5051,1,5051,2,5052,3,5052,4,5053,5,5053,6,5053,7,5053,8,5055,9,5050\r\n");
  EXPECT_EQ(e.process("AID?8"), "5055\r\n");
  EXPECT_EQ(refusal(e, "AID?10"), kWrongChannel);
  EXPECT_EQ(refusal(e, "AID?-1"), kWrongChannel);

  EngineConfig config;
  config.devices = 2;
  config.slot_types = {5051, 5051, 5052, 5052, 5054, 5058, 5057, 5053, 5055, 5056};
  config.channel_types = {{14, 5053}};
  Engine chain(config);
  EXPECT_EQ(chain.channel_count(), 20);
  EXPECT_EQ(chain.process("AID?4"), "5054\r\n");
  EXPECT_EQ(chain.process("AID?14"), "5053\r\n");
  EXPECT_EQ(chain.process("AID?19"), "5056\r\n");
  std::string all = chain.process("AID?");
  EXPECT_EQ(all.substr(all.size() - 18), ",18,5055,19,5056\r\n");
}

TEST(Replies, PowerOnChannelSettings) {
  Engine e;
  EXPECT_EQ(e.process("ACT?0"), "6203\r\n");
  EXPECT_EQ(e.process("ASA?0"), "350,700\r\n");
  EXPECT_EQ(e.process("ACT?8"), "6201\r\n");
  EXPECT_EQ(e.process("ASA?8"), "528,765\r\n");
  EXPECT_EQ(e.process("ACT?9"), "6200\r\n");
  EXPECT_EQ(e.process("ASA?9"), "0,0\r\n");
  EXPECT_EQ(e.process("AFS?3"), "148\r\n");
  EXPECT_EQ(e.process("ASS?3"), "42\r\n");
  EXPECT_EQ(e.process("TAV?3"), "0\r\n");
  EXPECT_EQ(e.process("ICR?"), "6320\r\n");
  EXPECT_EQ(e.process("ASF?"), "140,971\r\n");
}

TEST(Replies, SetCommandsAnswerZeroAndTakeEffect) {
  EngineConfig config;
  config.slot_types = {5051, 5051, 5052, 5052, 5054, 5058, 5053, 5053, 5055, 5056};
  Engine e(config);
  EXPECT_EQ(e.process("ACT2,6201"), "0\r\n");
  EXPECT_EQ(e.process("ACT?2"), "6201\r\n");
  EXPECT_EQ(e.process("ASA4,501,730"), "0\r\n");
  EXPECT_EQ(e.process("ASA?4"), "501,730\r\n");
  EXPECT_EQ(e.process("TAV0,-1234"), "0\r\n");
  EXPECT_EQ(e.process("TAV?0"), "-1234\r\n");
  EXPECT_EQ(e.process("AFS1,149"), "0\r\n");
  EXPECT_EQ(e.process("AFS?1"), "149\r\n");
  EXPECT_EQ(e.process("DPI8,258"), "0\r\n");
  EXPECT_EQ(e.process("DPI?8"), "258\r\n");
  EXPECT_EQ(e.process("ASS5,43"), "0\r\n");
  EXPECT_EQ(e.process("ASS?5"), "43\r\n");
  EXPECT_EQ(e.process("ICR6305"), "10021\r\n");  // 971 is not allowed at 50 Hz without filter
  EXPECT_EQ(e.process("ASF?"), "140,935\r\n");
  EXPECT_EQ(e.process("ASF141,921"), "0\r\n");
  EXPECT_EQ(e.process("ASF?"), "141,921\r\n");
  EXPECT_EQ(e.process("ICR6304"), "0\r\n");  // 921 is still inside the 25 Hz window
  EXPECT_EQ(e.process("PRG?9,0"), "0\r\n");
  EXPECT_EQ(e.process("BDR1410"), "0\r\n");
  EXPECT_EQ(e.process("FMB1"), "0\r\n");
  EXPECT_EQ(e.process("STP"), "0\r\n");
  EXPECT_EQ(e.process("DTR3,6002,1000"), "0\r\n");
  ChannelSettings c4 = e.channel(4);
  EXPECT_EQ(c4.transducer, 501);
  EXPECT_EQ(c4.range, 730);
  EXPECT_EQ(e.device().rate, 6304);
  EXPECT_EQ(e.device().baud_code, 1410);
  EXPECT_EQ(e.error_number(), kNoError);
}

TEST(Replies, AcquisitionKernelForms) {
  Engine e;
  // Short state forms, the all-channels address, tare values with decimals, CR LF line ends.
  EXPECT_EQ(e.process("ACT100,0"), "0\r\n");
  for (int c = 0; c < 10; ++c) EXPECT_EQ(e.channel(c).state, 6200) << c;
  EXPECT_EQ(e.process("ACT3,1"), "0\r\n");
  EXPECT_EQ(e.channel(3).state, 6201);
  EXPECT_EQ(e.process("ACT100,6203"), "0\r\n");
  EXPECT_EQ(e.channel(0).state, 6203);
  EXPECT_EQ(e.channel(8).state, 6200) << "digital I/O has no tare state";
  EXPECT_EQ(e.channel(9).state, 6200) << "an empty slot stays passive";
  EXPECT_EQ(e.process("TAV2,1234.56\r"), "0\r\n");
  EXPECT_EQ(e.process("TAV?2"), "1235\r\n");
  EXPECT_EQ(e.process("TAV2,-0.00012"), "0\r\n");
  EXPECT_EQ(e.process("TAV?2"), "0\r\n");
}

TEST(Replies, UnknownCommandsAndWrongParameterCounts) {
  Engine e;
  EXPECT_EQ(refusal(e, "EST"), kUnknownCommand);
  EXPECT_EQ(refusal(e, "STP?"), kUnknownCommand);
  EXPECT_EQ(refusal(e, "ABC?1"), kUnknownCommand);
  EXPECT_EQ(refusal(e, "est?"), kUnknownCommand);
  EXPECT_EQ(refusal(e, "ESTX?"), kUnknownCommand);
  EXPECT_EQ(refusal(e, "\x01\x02"), kUnknownCommand);
  EXPECT_EQ(refusal(e, "ACT?"), kWrongParameterCount);
  EXPECT_EQ(refusal(e, "ASA1,350"), kWrongParameterCount);
  EXPECT_EQ(refusal(e, "ASA1,350,700,1"), kWrongParameterCount);
  EXPECT_EQ(refusal(e, "EST?1"), kWrongParameterCount);
  EXPECT_EQ(refusal(e, "MSV10,0"), kWrongParameterCount);
  EXPECT_EQ(refusal(e, "ICR"), kWrongParameterCount);
  EXPECT_EQ(refusal(e, "ACT1,x"), kWrongParameterValue);
  EXPECT_EQ(refusal(e, "ACT1,"), kWrongParameterValue);
  EXPECT_EQ(e.process(""), "") << "an empty line is no command";
  EXPECT_EQ(e.lines(), (std::vector<std::string>{"EST", "EST?", "EST?", "STP?", "EST?", "EST?", "ABC?1", "EST?", "EST?",
                                                  "est?", "EST?", "EST?", "ESTX?", "EST?", "EST?", "\x01\x02", "EST?",
                                                  "EST?", "ACT?", "EST?", "EST?", "ASA1,350", "EST?", "EST?",
                                                  "ASA1,350,700,1", "EST?", "EST?", "EST?1", "EST?", "EST?",
                                                  "MSV10,0", "EST?", "EST?", "ICR", "EST?", "EST?", "ACT1,x",
                                                  "EST?", "EST?", "ACT1,", "EST?", "EST?"}));
}

TEST(Replies, WrongChannels) {
  EngineConfig config;
  config.devices = 2;
  Engine e(config);
  EXPECT_EQ(e.process("ACT?19"), "6200\r\n");
  EXPECT_EQ(refusal(e, "ACT?20"), kWrongChannel);
  EXPECT_EQ(refusal(e, "ACT20,6201"), kWrongChannel);
  EXPECT_EQ(refusal(e, "ACT-1,6201"), kWrongChannel);
  EXPECT_EQ(refusal(e, "ASA?20"), kWrongChannel);
  EXPECT_EQ(refusal(e, "ASA1.5,350,700"), kWrongChannel);
  EXPECT_EQ(refusal(e, "TAV?25"), kWrongChannel);
  EXPECT_EQ(refusal(e, "AFS?-3"), kWrongChannel);
  EXPECT_EQ(refusal(e, "ASS?99"), kWrongChannel);
  EXPECT_EQ(refusal(e, "DPI?3"), kWrongChannel) << "only the digital I/O slot has a port";
  EXPECT_EQ(refusal(e, "DPI3,1"), kWrongChannel);
  EXPECT_EQ(refusal(e, "DTR9,6000,0"), kWrongChannel) << "an empty slot cannot trigger";
}

TEST(Replies, AmplifierRulesRefuseWithTheirErrorNumbers) {
  EngineConfig config;
  config.slot_types = {5051, 5051, 5052, 5052, 5054, 5058, 5053, 5053, 5055, 5056};
  Engine e(config);
  // Transducer not allowed for the amplifier: 10005; range not allowed for the pair: 10013.
  EXPECT_EQ(refusal(e, "ASA2,450,710"), kWrongParameterValue);
  EXPECT_EQ(refusal(e, "ASA4,350,700"), kWrongParameterValue);
  EXPECT_EQ(refusal(e, "ASA4,501,700"), kWrongRange);
  EXPECT_EQ(refusal(e, "ASA4,502,730"), kWrongRange);
  EXPECT_EQ(refusal(e, "ASA0,420,710"), kWrongRange);
  EXPECT_EQ(refusal(e, "ASA9,510,760"), kWrongRange);
  EXPECT_EQ(e.channel(4).transducer, 420) << "a refused ASA changes nothing";
  EXPECT_EQ(e.process("ASA0,522,750"), "0\r\n");
  EXPECT_EQ(e.process("ASA4,456,710"), "0\r\n");
  EXPECT_EQ(e.process("ASA4,503,731"), "0\r\n");
  EXPECT_EQ(e.process("ASA5,352,703"), "0\r\n");
  EXPECT_EQ(e.process("ASA9,525,760"), "0\r\n");
  EXPECT_EQ(e.process("ASA8,528,765"), "0\r\n");
  // States: digital I/O and aux measure only; an empty slot stays passive.
  EXPECT_EQ(refusal(e, "ACT8,6202"), kWrongParameterValue);
  EXPECT_EQ(refusal(e, "ACT9,6203"), kWrongParameterValue);
  EXPECT_EQ(refusal(e, "ACT1,6204"), kWrongParameterValue);
  EXPECT_EQ(refusal(e, "ACT1,4"), kWrongParameterValue);
  // Shunt only on 5057/5058; filter modes not on digital I/O and aux.
  EXPECT_EQ(refusal(e, "ASS0,43"), kWrongParameterValue);
  EXPECT_EQ(refusal(e, "ASS5,44"), kWrongParameterValue);
  EXPECT_EQ(refusal(e, "AFS8,148"), kWrongParameterValue);
  EXPECT_EQ(refusal(e, "AFS0,150"), kWrongParameterValue);
  // Tare values: not for digital I/O, and they must fit 16 bits.
  EXPECT_EQ(refusal(e, "TAV8,1"), kWrongParameterValue);
  EXPECT_EQ(refusal(e, "TAV0,32768"), kWrongParameterValue);
  EXPECT_EQ(refusal(e, "DPI8,65536"), kWrongParameterValue);
  // Device settings.
  EXPECT_EQ(refusal(e, "ICR6321"), kWrongParameterValue);
  EXPECT_EQ(refusal(e, "ASF143,971"), kWrongParameterValue);
  EXPECT_EQ(refusal(e, "ASF140,970"), kWrongParameterValue);
  EXPECT_EQ(refusal(e, "ASF141,914"), kWrongFilterFrequency) << "0.1 Hz is outside the 9600 Hz window";
  EXPECT_EQ(refusal(e, "BDR1399"), kWrongParameterValue);
  EXPECT_EQ(refusal(e, "FMB2"), kWrongParameterValue);
  EXPECT_EQ(refusal(e, "DTR0,6004,0"), kWrongParameterValue);
  EXPECT_EQ(refusal(e, "DTR0,6000,40000"), kWrongParameterValue);
}

TEST(Replies, FilterWindowsFollowTheRate) {
  Engine e;
  EXPECT_EQ(e.process("ICR6305"), "10021\r\n");
  for (const char* ok : {"ASF141,921", "ASF141,927", "ASF142,932", "ASF141,935", "ASF140,935", "ASF140,1199"}) {
    EXPECT_EQ(e.process(ok), "0\r\n") << ok;
  }
  for (const char* no : {"ASF141,918", "ASF141,941", "ASF140,932", "ASF141,1199"}) {
    EXPECT_EQ(refusal(e, no), kWrongFilterFrequency) << no;
  }
  EXPECT_EQ(e.process("ASF141,957"), "?\r\n");
  // At 9600 Hz with Butterworth the window is 957..971; moving there from 921 warns and moves.
  EXPECT_EQ(e.process("EST?"), "10006\r\n");
  EXPECT_EQ(e.process("ASF141,921"), "0\r\n");
  EXPECT_EQ(e.process("ICR6320"), "10021\r\n");
  EXPECT_EQ(e.process("ASF?"), "141,957\r\n");
  EXPECT_EQ(e.error_number(), kNoError) << "a warning is the reply itself, not a stored error";
}

TEST(Replies, TareValueOutsideTareStateWarns) {
  Engine e;
  EXPECT_EQ(e.process("ACT0,6201"), "0\r\n");
  EXPECT_EQ(e.process("TAV0,500"), "10022\r\n");
  EXPECT_EQ(e.process("TAV?0"), "500\r\n") << "the value is taken despite the warning";
  EXPECT_EQ(e.process("ACT0,6203"), "0\r\n");
  EXPECT_EQ(e.process("TAV0,400"), "0\r\n");
}

}  // namespace
}  // namespace corvane_sim
