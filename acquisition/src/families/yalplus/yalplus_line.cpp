// Wire code of the YALPLUS family.
#include "families/yalplus/yalplus_line.h"

#include "families/ascii_line.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "linkar32.h"
#include "tallix32.h"
#include "tallix32_yalplus.h"

namespace tallix::yalplus {

namespace {
constexpr int32_t kLeadInBytes = 4;
constexpr char kBlockMark = '#';
}  // namespace

std::string line(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string text(n > 0 ? static_cast<size_t>(n) : 0, '\0');
  if (n > 0) std::vsnprintf(text.data(), text.size() + 1, format, args);
  va_end(args);
  return text;
}

int32_t send(const std::string& text) { return QBX_WritePort(text.c_str()); }

int32_t receive_reply(Reply* reply) { return corvane::receive(reply); }

int32_t exchange(const std::string& text, Reply* reply) {
  const int32_t r = send(text);
  if (r != 0) return r;
  return receive_reply(reply);
}

int32_t device_error(int32_t* error) {
  Reply reply;
  const int32_t r = exchange("ESR?\n", &reply);
  *error = r == 0 && !reply.refused() ? reply.integer(0) : 0;
  return r;
}

int32_t set(const std::string& text, int32_t refused_status) {
  Reply reply;
  const int32_t r = exchange(text, &reply);
  if (r != 0) return r;
  return reply.refused() ? refused_status : kAcqOk;
}

std::string text_of(const Reply& reply) {
  std::string t(reply.text, static_cast<size_t>(reply.text_length()));
  if (t.size() >= 2 && t.front() == '"' && t.back() == '"') t = t.substr(1, t.size() - 2);
  return t;
}

std::string number_text(double value) { return ascii::number_text(value).text; }

int32_t read_exact(uint8_t* area, int32_t count) {
  int32_t status = 0;
  int32_t got = 0;
  int32_t r = QBX_ReadPort(reinterpret_cast<char*>(area), count, &status, &got, 0);
  if (r == 0) r = status;
  if (r == 0 && got != count) r = kAcqBlockTooLarge;
  return r;
}

int32_t read_block(uint8_t* area, int32_t capacity, int32_t* payload) {
  *payload = 0;
  uint8_t lead[kLeadInBytes + 1] = {};
  int32_t r = read_exact(lead, kLeadInBytes);
  const int32_t count = static_cast<int32_t>(lead[1]) << 16 | static_cast<int32_t>(lead[2]) << 8 | lead[3];
  if (r == 0 && count > capacity) r = kYalDeviceError;
  if (r == 0 && count > 0) r = read_exact(area, count);
  // A damaged mark: the announced bytes were taken off the line, the block is not used.
  if (r == 0 && lead[0] != kBlockMark) r = kYalDeviceError;
  if (r != 0) {
    // What is left of a bad block must not pass for the reply of the next exchange.
    QBX_FlushInQueue();
    return r;
  }
  *payload = count;
  return kAcqOk;
}

}  // namespace tallix::yalplus
