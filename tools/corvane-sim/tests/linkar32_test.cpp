// The simulator behind the interface library, as the driver reaches it: COM1 is pointed at the
// pty slave; the line-speed switch opens at 9600, sends BDR, closes, and opens again at 19200.
#include <gtest/gtest.h>

#include <string>

#include "corvane_sim/engine.h"
#include "corvane_sim/server.h"
#include "linkar32.h"
#include "testkit/pty_pair.h"

namespace corvane_sim {
namespace {

std::string exchange(const char* command) {
  char buffer[1100] = {};
  int32_t status = 0;
  int32_t got = 0;
  if (QBX_WritePort(command) != 0) return "write failed";
  int32_t rc = QBX_ReadPort(buffer, 1024, &status, &got, 10);
  if (rc != 0) return "read failed " + std::to_string(rc);
  return std::string(buffer, static_cast<size_t>(got));
}

TEST(Linkar32, LineSpeedSwitchAndReopen) {
  Engine engine;
  PtyServer server(engine);
  testkit::ScopedEnv com1("LINKAR32_COM1", server.start());
  ASSERT_EQ(QBX_OpenPort(1, 9600, "e", 8, 1, 4096), 0);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(exchange("EST?\n"), "0\r\n");
  EXPECT_EQ(exchange("BDR1410\n"), "0\r\n");
  EXPECT_EQ(QBX_ClosePort(), 0);
  ASSERT_EQ(QBX_OpenPort(1, 19200, "e", 8, 1, 4096), 0);
  EXPECT_EQ(exchange("IDN?\n"), "QBX,Corvane,47110,P2.10\r\n");
  EXPECT_EQ(exchange("AID?\n"), "0,5051,1,5051,2,5052,3,5052,4,5053,5,5053,6,5053,7,5053,8,5055,9,5050\r\n");
  EXPECT_EQ(QBX_ClosePort(), 0);
  EXPECT_EQ(engine.device().baud_code, 1410);
}

}  // namespace
}  // namespace corvane_sim
