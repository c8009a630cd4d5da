// A command line and its reply through the interface library.
#include "line_query.h"

#include <algorithm>

#include "linkar32.h"

namespace corvane_cli {
namespace {

constexpr int32_t kReplyBytes = 1024;

}  // namespace

int32_t query_line(const std::string& command, std::string* reply) {
  reply->clear();
  char text[kReplyBytes + 1] = {};
  int32_t status = 0, bytes = 0;
  int32_t r = QBX_WritePort(command.c_str());
  if (r == 0) r = QBX_ReadPort(text, kReplyBytes, &status, &bytes, '\n');
  if (r == 0) r = status;
  if (r != 0) return r;
  reply->assign(text, static_cast<size_t>(std::clamp<int32_t>(bytes, 0, kReplyBytes)));
  while (!reply->empty() && (reply->back() == '\n' || reply->back() == '\r')) reply->pop_back();
  return 0;
}

}  // namespace corvane_cli
