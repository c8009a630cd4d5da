// The setup program's contact with the operating system: loading libraries by name, the
// single-instance lock, the program folder, and turning SIGTERM/SIGINT into an event the window
// loop can read. Everything else of the program is plain C++ and Qt.
#pragma once

#include <string>
#include <vector>

namespace setup {

// An opened shared library; the handle stays open for the life of the process (the driver's and
// the interface library's static state must outlive every call).
struct LoadedLibrary {
  void* handle = nullptr;
  std::string path;  // the file that was opened
};

// Opens the first of `candidates` (full paths) that exists, else `file_name` along the system's
// search path. On failure returns a null handle and puts the loader's reason into *error.
LoadedLibrary open_library(const std::vector<std::string>& candidates, const std::string& file_name,
                           std::string* error);
// The address of `symbol` in an opened library, or null.
void* find_symbol(const LoadedLibrary& library, const char* symbol);

// Folder of the running executable (no trailing slash); empty when it cannot be found.
std::string executable_folder();
// True when the folder exists and the program may create files in it.
bool folder_writable(const std::string& folder);
// Creates the folder and its parents; true when it exists afterwards.
bool make_folders(const std::string& folder);

// Takes an exclusive lock on `path` (created when missing) that the system releases when the
// process ends in any way. Returns the descriptor (kept open while the program runs), or -1 when
// another process holds the lock or the file cannot be opened (*busy tells which).
int take_instance_lock(const std::string& path, bool* busy);
void release_instance_lock(int fd);

// Installs handlers for SIGTERM and SIGINT that write one byte into a pipe. Returns the pipe's
// read end (non-blocking), or -1 when it cannot be set up. A second call returns the same pipe.
int termination_signal_fd();
// Reads and discards what the handlers wrote; returns the number of signals seen.
int drain_termination_signals(int fd);

}  // namespace setup
