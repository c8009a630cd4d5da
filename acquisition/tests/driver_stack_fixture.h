// What the driver-stack tests share: driver programs compiled from drvc source (or put together
// statement by statement for what drvc refuses to write), written to a temporary file, loaded into
// a slot and run section by section.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver_image.h"
#include "driver_stack/driver_program.h"
#include "kernel_fixture.h"
#include "linkar32.h"
#include "source_compiler.h"
#include "testkit/temp_dir.h"

namespace kernel_test {

inline constexpr int32_t kSlot = 5;

// The image of a drvc source; the test fails on compile errors.
inline std::string compile(const std::string& source) {
  std::vector<drvc::Diagnostic> errors;
  const drvc::Program program = drvc::compile_source(source, errors);
  for (const auto& e : errors) ADD_FAILURE() << "line " << e.line << ": " << e.message;
  const std::vector<uint8_t> image = drvc::driver_image(program);
  return std::string(image.begin(), image.end());
}

// One statement of a hand-made program.
inline drvc::Statement statement(int type, std::vector<const char*> args = {}) {
  drvc::Statement s;
  s.type = type;
  for (size_t k = 0; k < args.size(); ++k)
    if (args[k] != nullptr) s.args[k] = std::string(args[k]);
  return s;
}

inline std::string image_of(const std::string& section, std::vector<drvc::Statement> statements) {
  drvc::Program p;
  p.sections.push_back(drvc::Section{section, 1, std::move(statements)});
  const std::vector<uint8_t> image = drvc::driver_image(p);
  return std::string(image.begin(), image.end());
}

class DriverStackTest : public KernelTest {
 protected:
  void SetUp() override {
    KernelTest::SetUp();
    QBX_ACQInitDriverStacks();
    tallix::device(kSlot).port = kNullPort;
    QBX_SelectPort(kNullPort);
  }
  void TearDown() override {
    QBX_ACQSetMessageHandler(nullptr);
    QBX_ACQSetAbortFlag(0);
    QBX_ACQRemoveDriverStack(0);
    KernelTest::TearDown();
  }

  // Writes the image to a file and loads it into the slot.
  int32_t load(const std::string& image, int32_t slot = kSlot) {
    const std::string path = dir_.file("driver" + std::to_string(files_++) + ".drv");
    testkit::write_file(path, image);
    return QBX_ACQAllocDriverStack(slot, path.c_str());
  }

  // Compiles statements into an InitDevice section, loads and runs it.
  int32_t run(const std::string& body, tallix::StackCall call = {}) {
    QBX_ACQRemoveDriverStack(kSlot);
    if (load(compile("section InitDevice\n" + body + "\nend\n")) != 0) return 12345;
    return tallix::run_driver_stack(kSlot, tallix::StackSection::kInitDevice, call);
  }
  int32_t run_statements(std::vector<drvc::Statement> statements, tallix::StackCall call = {}) {
    QBX_ACQRemoveDriverStack(kSlot);
    if (load(image_of("InitDevice", std::move(statements))) != 0) return 12345;
    return tallix::run_driver_stack(kSlot, tallix::StackSection::kInitDevice, call);
  }

  tallix::DriverStack& stack() { return *tallix::stack_in_slot(kSlot); }
  double number(int n) { return stack().numbers[n]; }
  std::string text(int n) { return stack().texts[n] ? stack().texts[n] : ""; }

  testkit::TempDir dir_;
  int files_ = 0;
};

}  // namespace kernel_test
