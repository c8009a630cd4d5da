// Loads one edition of the driver library privately (dlopen with RTLD_LOCAL), so that a test can
// hold the English and the German edition side by side, each with its own settings in memory.
#pragma once

#include <dlfcn.h>

#include <stdexcept>
#include <string>

#include "corvan32_measure.h"

struct Edition {
  void* handle = nullptr;
  decltype(&CV_OpenDevice) OpenDevice = nullptr;
  decltype(&CV_CloseDevice) CloseDevice = nullptr;
  decltype(&CV_GetChanSettings) GetChanSettings = nullptr;
  decltype(&CV_SetChanSettings) SetChanSettings = nullptr;
  decltype(&CV_GetDevSettings) GetDevSettings = nullptr;
  decltype(&CV_SetDevSettings) SetDevSettings = nullptr;
  decltype(&CV_WriteSettings) WriteSettings = nullptr;
  decltype(&CV_ReadSettings) ReadSettings = nullptr;

  explicit Edition(const char* path) {
    handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) throw std::runtime_error(std::string("cannot load ") + path + ": " + dlerror());
    bind(OpenDevice, "CV_OpenDevice");
    bind(CloseDevice, "CV_CloseDevice");
    bind(GetChanSettings, "CV_GetChanSettings");
    bind(SetChanSettings, "CV_SetChanSettings");
    bind(GetDevSettings, "CV_GetDevSettings");
    bind(SetDevSettings, "CV_SetDevSettings");
    bind(WriteSettings, "CV_WriteSettings");
    bind(ReadSettings, "CV_ReadSettings");
  }
  ~Edition() {
    if (CloseDevice != nullptr) CloseDevice();
    // Kept loaded: a library with static state is not worth unloading in a test process.
  }
  Edition(const Edition&) = delete;
  Edition& operator=(const Edition&) = delete;

 private:
  template <class F>
  void bind(F& f, const char* name) {
    f = reinterpret_cast<F>(dlsym(handle, name));
    if (f == nullptr) throw std::runtime_error(std::string("missing export ") + name);
  }
};

// The two editions, loaded once per process.
inline Edition& english() {
  static Edition e(CORVAN32_EN_PATH);
  return e;
}
inline Edition& german() {
  static Edition e(CORVAN32_DE_PATH);
  return e;
}
