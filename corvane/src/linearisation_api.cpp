// Exported entry point of the linearisation.
#include "corvan32_measure.h"
#include "linearisation.h"

extern "C" CORVAN32_API int32_t CV_DoLinCalc(float* value, int32_t transducer, int32_t direction) {
  if (value == nullptr) return kCvBadValue;
  return corvan::linearise(value, transducer, direction != 0);
}
