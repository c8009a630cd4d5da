// Wire code of the Corvane family: command lines formatted without locale, written in one write,
// and reply lines read up to their LF and parsed in place.
#include "families/corvane/corvane_line.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>

#include "linkar32.h"
#include "parameter_texts.h"

namespace tallix::corvane {
namespace {

int32_t parse_field(const char* begin, const char* end) {
  while (begin < end && (*begin == ' ' || *begin == '\t')) ++begin;
  bool negative = false;
  if (begin < end && (*begin == '-' || *begin == '+')) negative = *begin++ == '-';
  int64_t v = 0;
  for (; begin < end && *begin >= '0' && *begin <= '9'; ++begin) {
    if (v <= std::numeric_limits<int32_t>::max()) v = v * 10 + (*begin - '0');
  }
  if (negative) v = -v;
  if (v > std::numeric_limits<int32_t>::max()) v = std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) v = std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

// Device error numbers and the parameter id a refusal with them reports.
struct RefusalReason {
  int32_t error;
  int32_t parameter;
};
constexpr RefusalReason kRefusalReasons[] = {
    {10003, kParNotSupported},  // unknown command
    {10004, kParIllegalValue},  // wrong number of parameters
    {10005, kParIllegalValue},  // wrong parameter value
    {10006, kParIllegalValue},  // wrong filter frequency
    {10013, kParIllegalValue},  // wrong range
};

}  // namespace

bool Reply::refused() const { return std::memchr(text, '?', static_cast<size_t>(length)) != nullptr; }

int32_t Reply::text_length() const {
  int32_t n = length;
  while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r')) --n;
  return n;
}

std::vector<int32_t> Reply::integers() const {
  std::vector<int32_t> values;
  const char* p = text;
  const char* const end = text + text_length();
  while (p < end) {
    const char* comma = static_cast<const char*>(std::memchr(p, ',', static_cast<size_t>(end - p)));
    const char* field_end = comma ? comma : end;
    values.push_back(parse_field(p, field_end));
    if (!comma) break;
    p = comma + 1;
  }
  return values;
}

int32_t Reply::integer(size_t index) const {
  std::vector<int32_t> v = integers();
  return index < v.size() ? v[index] : 0;
}

Line line(const char* format, ...) {
  Line l{};
  va_list args;
  va_start(args, format);
  std::vsnprintf(l.text, sizeof l.text, format, args);
  va_end(args);
  return l;
}

int32_t send(const Line& l) { return QBX_WritePort(l.text); }

int32_t receive(Reply* reply) { return receive_at_most(reply, kReplyLimit); }

int32_t receive_at_most(Reply* reply, int32_t limit) {
  int32_t status = 0;
  int32_t bytes = 0;
  reply->length = 0;
  if (limit < 1 || limit > kReplyLimit) limit = kReplyLimit;
  int32_t r = QBX_ReadPort(reply->text, limit, &status, &bytes, kLineFeed);
  if (r == 0) r = status;
  if (bytes < 0) bytes = 0;
  if (bytes > limit) bytes = limit;
  reply->length = bytes;
  reply->text[bytes] = '\0';
  return r;
}

int32_t exchange(const Line& l, Reply* reply) {
  int32_t r = send(l);
  if (r != 0) return r;
  return receive(reply);
}

int32_t error_status(int32_t* error) {
  Reply reply;
  int32_t r = exchange(line("EST?\n"), &reply);
  *error = r == 0 ? reply.integer(0) : 0;
  return r;
}

int32_t refusal_parameter(int32_t error) {
  for (const RefusalReason& reason : kRefusalReasons) {
    if (reason.error == error) return reason.parameter;
  }
  return kParNotAvailable;
}

}  // namespace tallix::corvane
