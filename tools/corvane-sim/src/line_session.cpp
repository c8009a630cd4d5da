// Line framing of the servers: the device says where a command ends (LF by default; a CR before
// it is the device's to judge).
#include "line_session.h"

namespace corvane_sim {

IoResult LineSession::feed(const char* data, size_t size, int write_fd) {
  return feed(data, size, [&](std::string_view bytes) { return write_all(write_fd, bytes, stop_); });
}

IoResult LineSession::feed(const char* data, size_t size, const ReplySink& sink) {
  engine_.note_received(std::string_view(data, size));
  pending_.append(data, size);
  size_t start = 0;
  while (true) {
    size_t text_length = 0;
    const size_t taken = engine_.next_command(std::string_view(pending_).substr(start), &text_length);
    if (taken == 0) break;
    std::string line = pending_.substr(start, text_length);
    start += taken;
    Reply reply = engine_.handle_line(line);
    if (reply.delay_ms > 0 && stop_.wait_ms(reply.delay_ms)) return IoResult::kStopped;
    if (!reply.bytes.empty()) {
      IoResult r = sink(reply.bytes);
      if (r != IoResult::kOk) {
        pending_.erase(0, start);
        return r;
      }
    }
    if (reply.hang_up) {
      pending_.clear();
      return IoResult::kBroken;
    }
  }
  pending_.erase(0, start);
  if (pending_.size() > kMaxLine) pending_.clear();
  return IoResult::kOk;
}

}  // namespace corvane_sim
