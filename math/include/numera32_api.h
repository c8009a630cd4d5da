/*
 * NUMERA32 export marker, shared by the library's public headers: every function declared with it
 * is exported from libnumera32.so; everything else stays hidden.
 */
#ifndef NUMERA32_API_H
#define NUMERA32_API_H

#ifndef NUMERA32_API
#if defined(_WIN32)
#define NUMERA32_API __declspec(dllexport)
#else
#define NUMERA32_API __attribute__((visibility("default")))
#endif
#endif

#endif /* NUMERA32_API_H */
