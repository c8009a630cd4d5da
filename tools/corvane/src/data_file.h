// Output files for measured data that never lose what was measured: the text goes to a temporary
// file beside the target ("FILE.XXXXXX.part"), is flushed to the system block by block, and only
// replaces the target when the run ends with data, whether it ended normally, on a failure or
// after a signal. Until then an existing target is left as it was; a run that measured nothing
// leaves it untouched. The name "-" is standard output, written and flushed the same way.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace corvane_cli {

class DataFile {
 public:
  // Creates the temporary file beside path (or takes standard output for "-"). Throws
  // CommandError naming the file when it cannot be created. `what` names the file in messages
  // ("CSV file", "plot file").
  DataFile(std::string path, std::string what);
  // Removes a temporary file that finish() did not take over.
  ~DataFile();
  DataFile(const DataFile&) = delete;
  DataFile& operator=(const DataFile&) = delete;

  // Appends text; a failed write throws CommandError ("Writing the CSV file X failed: ...").
  void write(std::string_view text);
  // Hands everything written so far to the system; throws CommandError on a write error
  // (a full disk, a closed pipe).
  void flush();
  // Ends the output. keep: flush, sync and rename the temporary file over the target;
  // otherwise remove it, leaving an existing target as it was. Throws CommandError on failure
  // (the temporary file is then left in place, holding the data).
  void finish(bool keep);

  const std::string& path() const { return path_; }
  bool is_stdout() const { return file_ == stdout; }
  // The temporary file's name ("" for standard output).
  const std::string& temporary_path() const { return temp_; }

 private:
  [[noreturn]] void fail(int error_number) const;
  std::string path_;
  std::string what_;
  std::string temp_;
  std::FILE* file_ = nullptr;
  bool finished_ = false;
};

}  // namespace corvane_cli
