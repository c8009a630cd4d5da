/* A host program as a user builds it against an installed prefix: it calls the driver library
 * (which needs the interface library) and the math library (which needs the channel database),
 * but neither of those siblings directly, so each installed library must find its own. */
#include <stdio.h>
#include <string.h>

#include "corvan32.h"
#include "numera32_signal.h"

int main(void) {
  char version[16] = {0};
  if (CV_GetVersion(version) != 0) return 1;
  int32_t channels = 10;
  if (CV_OpenDevice(1, &channels) != 0 || channels != 10) return 2;
  CV_CloseDevice();
  const double x[3] = {1.0, 2.0, 3.0}, y[3] = {2.0, 4.0, 6.0};
  double r = 0.0, z = 0.0;
  if (ComputeLinCorrCof(3, x, y, &r, NULL, &z) != 0 || r < 0.999999) return 3;
  printf("driver %s, %d channels offline, r = %.6f\n", version, channels, r);
  return 0;
}
