// Helpers of the database test fixture.
#include "db_fixture.h"

#include <fstream>
#include <iterator>

namespace dbtest {

std::vector<std::string>& messages() {
  static std::vector<std::string> list;
  return list;
}

void capture_message(const char*, const char* text) { messages().emplace_back(text); }

std::string file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void patch_file(const std::string& path, size_t offset, const void* data, size_t size) {
  std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
  f.seekp(static_cast<std::streamoff>(offset));
  f.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

}  // namespace dbtest
