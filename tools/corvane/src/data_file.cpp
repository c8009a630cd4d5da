// Temporary file beside the target, flushed block by block and renamed over the target at the
// end (see data_file.h).
#include "data_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "messages.h"
#include "session.h"

namespace corvane_cli {

DataFile::DataFile(std::string path, std::string what) : path_(std::move(path)), what_(std::move(what)) {
  if (path_ == "-") {
    file_ = stdout;
    return;
  }
  std::string pattern = path_ + ".XXXXXX.part";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkstemps(name.data(), 5);
  if (fd < 0) {
    throw CommandError(tr("The {} {} cannot be created: {}.", tr(what_), path_, std::strerror(errno)));
  }
  temp_ = name.data();
  // mkstemps makes the file private; the result gets the permissions of any new file.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  file_ = fdopen(fd, "wb");
  if (file_ == nullptr) {
    const int e = errno;
    close(fd);
    unlink(temp_.c_str());
    throw CommandError(tr("The {} {} cannot be created: {}.", tr(what_), path_, std::strerror(e)));
  }
}

DataFile::~DataFile() {
  if (file_ != nullptr && file_ != stdout) std::fclose(file_);
  if (!finished_ && !temp_.empty()) unlink(temp_.c_str());
}

void DataFile::fail(int error_number) const {
  std::string kept = finished_ && !temp_.empty() ? tr("; what was written is in {}", temp_) : "";
  if (file_ == stdout) throw CommandError(tr("Writing to standard output failed: {}{}.", std::strerror(error_number), kept));
  throw CommandError(tr("Writing the {} {} failed: {}{}.", tr(what_), path_, std::strerror(error_number), kept));
}

void DataFile::write(std::string_view text) {
  if (text.empty()) return;
  if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) fail(errno);
}

void DataFile::flush() {
  if (std::fflush(file_) != 0 || std::ferror(file_)) fail(errno ? errno : EIO);
}

void DataFile::finish(bool keep) {
  if (finished_) return;
  if (file_ == stdout) {
    finished_ = true;
    flush();
    return;
  }
  if (!keep) {
    std::fclose(file_);
    file_ = nullptr;
    unlink(temp_.c_str());
    finished_ = true;
    return;
  }
  // From here on the temporary file is never removed: whatever fails, it holds the data.
  finished_ = true;
  flush();
  if (fsync(fileno(file_)) != 0 && errno != EINVAL) fail(errno);
  std::FILE* f = file_;
  file_ = nullptr;
  if (std::fclose(f) != 0) fail(errno);
  if (std::rename(temp_.c_str(), path_.c_str()) != 0) {
    const int e = errno;
    finished_ = true;
    throw CommandError(tr("Renaming {} to {} failed: {}; the measured data are in {}.", temp_, path_, std::strerror(e), temp_));
  }
}

}  // namespace corvane_cli
