// drvc: compiles a driver source text into a driver file for the acquisition kernel's driver
// stacks. Errors go to standard error as "FILE:LINE: error: MESSAGE"; the exit status is 0 when
// the file was written, 1 for errors in the source, 2 for a bad command line or unusable files.
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "driver_image.h"
#include "source_compiler.h"

namespace {

constexpr const char* kUsage =
    "usage: drvc [-o OUTPUT] [--listing] SOURCE\n"
    "Compiles a driver source (SOURCE) into a driver file (OUTPUT; default: SOURCE with the\n"
    "extension .drv). --listing also prints the numbered statements of every section.\n";

std::string default_output(const std::string& source) {
  const size_t slash = source.find_last_of('/');
  const size_t dot = source.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) return source.substr(0, dot) + ".drv";
  return source + ".drv";
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string source_path, output_path;
  bool show_listing = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-o" && i + 1 < args.size()) {
      output_path = args[++i];
    } else if (args[i] == "--listing") {
      show_listing = true;
    } else if (args[i] == "-h" || args[i] == "--help") {
      std::cout << kUsage;
      return 0;
    } else if (!args[i].empty() && args[i][0] != '-' && source_path.empty()) {
      source_path = args[i];
    } else {
      std::cerr << "drvc: unexpected argument '" << args[i] << "'\n" << kUsage;
      return 2;
    }
  }
  if (source_path.empty()) {
    std::cerr << kUsage;
    return 2;
  }
  if (output_path.empty()) output_path = default_output(source_path);

  std::ifstream in(source_path, std::ios::binary);
  if (!in) {
    std::cerr << "drvc: cannot read " << source_path << "\n";
    return 2;
  }
  const std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

  std::vector<drvc::Diagnostic> errors;
  const drvc::Program program = drvc::compile_source(source, errors);
  for (const drvc::Diagnostic& d : errors) std::cerr << source_path << ":" << d.line << ": error: " << d.message << "\n";
  if (!errors.empty()) return 1;

  std::vector<uint8_t> image;
  try {
    image = drvc::driver_image(program);
  } catch (const std::length_error& e) {
    std::cerr << source_path << ": error: " << e.what() << "\n";
    return 1;
  }
  std::ofstream out(output_path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  out.close();
  if (!out) {
    std::cerr << "drvc: cannot write " << output_path << "\n";
    return 2;
  }
  if (show_listing) std::cout << drvc::listing(program);
  return 0;
}
