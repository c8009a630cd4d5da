// A private temporary folder that is removed with everything in it when the object goes away.
#pragma once

#include <string>

namespace testkit {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // Path of a file inside the folder.
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Reads a whole file as bytes; empty when it cannot be read.
std::string read_file(const std::string& path);
// Writes bytes to a file, replacing it.
void write_file(const std::string& path, const std::string& bytes);

}  // namespace testkit
