// The acquisition kernel as this library sees it: the IO-buffer functions, looked up by name in the
// process at their first use. The kernel links this library, so this library cannot link the kernel;
// a lookup that fails is tried again at the next use, so a kernel loaded later is found.
#ifndef NUMERA32_EVALUATE_KERNEL_LINK_H
#define NUMERA32_EVALUATE_KERNEL_LINK_H

#include <cstdint>

namespace numera32::evaluate::kernel {

// The kernel's IO-buffer exports, with the kernel's argument types.
using GetIOBufFn = int32_t (*)(int32_t channel, int32_t index, int32_t count, double* destination);
using SetIOBufExFn = int32_t (*)(int32_t n, const int32_t* channels, const int32_t* counts, const double* source,
                                 int32_t start);
using ResetIOBufFn = int32_t (*)(int32_t channel);
using GetIOBufCurrLenFn = int32_t (*)(int32_t channel);

// Each returns the kernel's function, or nullptr while no kernel is loaded.
GetIOBufFn get_iobuf();
SetIOBufExFn set_iobuf_ex();
ResetIOBufFn reset_iobuf();
GetIOBufCurrLenFn iobuf_length();

}  // namespace numera32::evaluate::kernel

#endif
