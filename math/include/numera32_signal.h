/*
 * NUMERA32 transforms, filters and fits: fast Fourier transforms and what is built on them
 * (correlation, convolution, an amplitude periodogram), a finite-impulse-response filter,
 * Savitzky-Golay smoothing coefficients, straight-line, exponential, logarithmic and polynomial
 * fits, interpolation, normalisation, a histogram and Pearson's correlation coefficient.
 *
 * Every function is stateless and returns a signed 32-bit status: 0 success, negative failure.
 *
 * Array conventions (they hold for every function below):
 *  - "1-based": the caller passes a pointer p whose elements p[1] .. p[n] are used; p[0] is never
 *    read or written. So an array of n values needs n + 1 doubles of storage.
 *  - "0-based": elements p[0] .. p[n - 1].
 *
 * Channel functions read their input from the open channel database (STORIX32) row by row from
 * row 1 and append their results to the end of the target channel (FIRFilter empties its target
 * first). A failed database write ends the function with the database's own status (-99 no open
 * database, -106 channel full, -114 bad channel, ...), so a result is never reported as complete
 * when it is not.
 *
 * Transform sign convention: sign +1 computes X_k = sum_j x_j * exp(+2*pi*i*j*k/N); sign -1 uses
 * exp(-2*pi*i*j*k/N). Neither direction normalises, so a forward and an inverse transform give
 * N times the input.
 */
#ifndef NUMERA32_SIGNAL_H
#define NUMERA32_SIGNAL_H

#include <stdint.h>

#include "numera32_api.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Status codes of these functions (database statuses -99 and below pass through). */
enum {
  kSpectraOk = 0,
  kSpectraFailed = -1,        /* bad arguments, out of memory, singular system, empty channel,
                                 value outside a model's domain; for interpolation: x channel
                                 shorter than 4 rows */
  kSpectraShortY = -2,        /* interpolation: y channel shorter than 4 rows */
  kSpectraGridFailed = -3,    /* interpolation: grid channel empty, out of memory, failed read */
  kSpectraBadMethod = -4,     /* interpolation method not supported by this function */
  kSpectraPole = -5,          /* rational interpolation: the rational function has a pole at x */
  kSpectraEqualX = -6,        /* interpolation window holds two points with the same x */
  kSpectraOutsideRange = -7   /* x or grid value outside the measured x range */
};

/* Interpolation methods (16-bit codes). */
enum {
  kInterpPolynomial = 1, /* polynomial through the window's points (Neville's scheme) */
  kInterpRational = 2,   /* diagonal rational function through them (Bulirsch-Stoer) */
  kInterpSpline = 3,     /* natural cubic spline (second derivative 0 at both ends) */
  kInterpLinear = 4      /* straight line between the two points around x (Interpolate only) */
};

/* Four1: in-place complex FFT. data is 1-based with 2n doubles: data[2k+1], data[2k+2] are the
 * real and imaginary parts of value k (k = 0 .. n-1). n must be a power of 2 (1, 2, 4, ...).
 * sign 1: forward transform; sign -1: n times the inverse. No allocation per call.
 * Returns 0, or -1 for a null pointer, n not a power of 2, or sign not +1/-1 (data untouched). */
NUMERA32_API int32_t Four1(double* data, int32_t n, int32_t sign);

/* RealFFT: transform of 2n real values (1-based data[1..2n]); n, half the number of values, is a
 * power of 2. sign 1: data receives the positive-frequency half F_0 .. F_{n-1} of the 2n-point
 * complex transform as (re, im) pairs, except that data[1] = F_0 and data[2] = F_n (both real).
 * sign -1: such a packed transform is turned back into n times the input values (divide by n).
 * Returns 0, or -1 for bad arguments (data untouched). */
NUMERA32_API int32_t RealFFT(double* data, int32_t n, int32_t sign);

/* TwoFFT: forward transforms (sign 1) of two real arrays data1[1..n], data2[1..n] (1-based) with
 * one complex transform of length n. fft1 and fft2 (1-based, 2n doubles each) receive the full
 * complex transforms. n a power of 2. The outputs must not overlap the inputs.
 * Returns 0, or -1 for bad arguments. */
NUMERA32_API int32_t TwoFFT(const double* data1, const double* data2, double* fft1,
                                    double* fft2, int32_t n);

/* Correl: circular correlation c_j = sum_k data1[k+j] * data2[k] (indices modulo n) of two real
 * arrays (1-based, n values, n a power of 2, at least 2). ans (1-based, 2n doubles) receives
 * c_0 .. c_{n/2} in ans[1 .. n/2+1] and the negative lags in wrap-around order (c_{-1} in ans[n]);
 * ans[n+1 .. 2n] is scratch. Returns 0; -1 for bad arguments or out of memory. */
NUMERA32_API int32_t Correl(const double* data1, const double* data2, int32_t n, double* ans);

/* Convolution: circular convolution (sign 1) or deconvolution (any other sign) of data[1..n] with
 * a response of m values in wrap-around order (response[1] lag 0, then lags 1 .. (m-1)/2, then
 * lags -(m-1)/2 .. -1). m odd and at most n; n a power of 2, at least 2. The response is not
 * modified. ans (1-based, 2n doubles) receives the n results in ans[1..n]; ans[n+1 .. 2n] is
 * scratch. Returns 0; -1 for bad arguments, out of memory, or deconvolution where the response
 * transform is exactly 0. */
NUMERA32_API int32_t Convolution(const double* data, int32_t n, const double* response,
                                         int32_t m, int32_t sign, double* ans);

/* PSDPeriodogram: amplitude periodogram of a complex transform re[0..n-1], im[0..n-1] (0-based):
 * out[0] = 2|X_0|/n, out[k] = 2*sqrt(|X_k|^2 + |X_{n-k}|^2)/n for k = 1 .. n/2-1 (n/2 values).
 * Returns 0; -1 for null pointers or n < 2. */
NUMERA32_API int32_t PSDPeriodogram(const double* re, const double* im, double* out,
                                            int32_t n);

/* FIRFilter: filters the source channel into the target channel (emptied first). For source row r
 * the output is sum_k coeffs[k] * v(r - nl + k), k = 0 .. nl+nr (coeffs 0-based), where rows before
 * 1 take row 1's value and rows after the last take the last row's value.
 * Returns 0; -1 when source = target, nl or nr negative, nl+nr+1 > 255, a null coefficient pointer,
 * or a source of fewer than 2 rows; database statuses on a failed read or write. */
NUMERA32_API int32_t FIRFilter(int32_t source, int32_t target, int32_t nl, int32_t nr,
                                       const double* coeffs);

/* SavGol: Savitzky-Golay coefficients for a least-squares polynomial of order m over nl points to
 * the left and nr to the right, for the derivative of order ld (0 smooths). The coefficients give
 * the derivative itself (d^ld/dx^ld for unit point spacing), as in the published tables.
 * c (1-based, np values) is cleared and the coefficient for offset k (-nl .. nr) is stored at
 * c[1 + ((np - k) mod np)], the wrap-around order Convolution expects.
 * Returns 0; -1 when np < nl+nr+1, nl < 0, nr < 0, ld < 0, m < 0, ld > m, nl+nr < m, c is null, or
 * the system is singular. */
NUMERA32_API int32_t SavGol(double* c, int32_t np, int32_t nl, int32_t nr, int32_t ld,
                                    int32_t m);

/* LinFit: straight line y = a + b*x over the rows common to both channels; sig_a, sig_b are the
 * standard errors for unit measurement errors (not scaled by the scatter).
 * Returns 0; -1 for an empty channel, a null output, a failed read, or all x equal. */
NUMERA32_API int32_t LinFit(int32_t x_channel, int32_t y_channel, double* a, double* b,
                                    double* sig_a, double* sig_b);

/* SimpleFit over rows 1 .. n, n the length of the y channel. mode 1: y = a*exp(b*x) (every y > 0);
 * mode 2: y = a*ln(b*x) (every x > 0). Other modes return 0 and write nothing.
 * Returns 0; -1 for an empty or unreadable channel, a value outside the model's domain, a null
 * output, or data that determine no fit (all x equal; mode 2: y independent of ln x). */
NUMERA32_API int32_t SimpleFit(int32_t mode, int32_t x_channel, int32_t y_channel,
                                       double* a, double* b);

/* PolyFit: least-squares polynomial of the given degree (>= 0) over the x channel's rows; coeffs
 * (1-based, degree+1 values) receives the constant term first. The normal equations are formed in
 * x centred on the middle of its range and scaled to [-1, 1], so fits far from the origin (x from
 * 1e8, or a quadratic over 1000 ... 1010) are as well-posed as near it; the coefficients are then
 * turned back to powers of x.
 * Returns 0; -1 for a singular system (fewer distinct x than coefficients), a bad degree, a null
 * pointer, an empty channel or a failed read. */
NUMERA32_API int32_t PolyFit(int32_t x_channel, int32_t y_channel, int32_t degree,
                                     double* coeffs);

/* ComputeLinCorrCof: Pearson's r of x[0..n-1], y[0..n-1] (0-based) and Fisher's
 * z = 0.5*ln((1+r)/((1-r)+1e-20)). unused is never read or written (may be null).
 * Returns 0; -1 for null pointers, n < 2, or a series with no variation (r undefined). */
NUMERA32_API int32_t ComputeLinCorrCof(int32_t n, const double* x, const double* y,
                                               double* r, double* unused, double* z);

/* Interpolate_Pt: y at x from the channels' common length n (x ascending). With r the first row
 * whose x is >= x: the window is rows r-2 .. r+1 when 2 < r < n, rows 1 and 2 when r <= 2 (this
 * extrapolates below the first x), rows n-1 and n when r = n. Methods 1 .. 3.
 * Returns 0; -1 x channel shorter than 4; -2 y channel shorter than 4; -3 failed read;
 * -4 method other than 1 .. 3; -5 pole; -6 two window points with the same x;
 * -7 x beyond the last measured x (nothing written); -1 for a null y. */
NUMERA32_API int32_t Interpolate_Pt(int32_t x_channel, int32_t y_channel, double x,
                                            double* y, int16_t method);

/* Interpolate: grid < 0 densifies by k = |grid|: between each kept row and the next (rows closer
 * than 1e-8 in x to the last kept row are dropped) k-1 points are inserted (2(k-1) for the last
 * pair); x values are appended to output_channel and y values to output_channel + 1, so n rows
 * without drops give n*k points. The window of a pair is rows r-2 .. r+1 (r the row of the pair's
 * second point) when 2 < r < n and those four rows have distinct x, else the pair's two rows.
 * grid >= 0: channel grid holds new x values; for each the method is applied to measured rows
 * j-1, j, j+1 (j the first row with x >= the grid value; only two rows at either end of the data)
 * and y is appended to output_channel.
 * Methods 1 .. 4 (4: straight line between the two window points around x; when they have the
 * same x the first is taken 1e-8 smaller).
 * Returns 0; -1, -2 as Interpolate_Pt; -3 grid channel empty or missing, out of memory, failed read;
 * -4 unknown method; -5, -6 as Interpolate_Pt; -7 a grid value outside [first x, last x] (values
 * before it stay appended); database statuses on a failed write. x and y values go in together:
 * when a target channel cannot take all its values (-106), or is not a numeric channel, nothing
 * is appended to either. */
NUMERA32_API int32_t Interpolate(int32_t x_channel, int32_t y_channel, int32_t grid,
                                         int32_t output_channel, int16_t method);

/* Normalize: appends the y channel's L values, reduced by a baseline and optionally scaled, to the
 * output channel. baseline 0: y_max - (y - y_o); 1: line through the first and last point;
 * 2: LinFit regression line, y - y_o - (a + b(x - x_o)); 3: line through points[0..3] =
 * (x1, y1, x2, y2), y - y_o - (y1 - b*x1 + b(x - x_o)); 4: line through the first point and the
 * point at the row of the largest x. offset_flag: x_o, y_o are the first x and y (else 0).
 * scale_mode 0: no scaling; 1: divide by y_max (the channel maximum minus y_o); 2: by
 * y_last - y_o (baseline 4: the y at the row of the largest x minus y_o); other: by scale. A
 * scaled value is multiplied by the unit factor (unit_mode 1: 100, 2: 1000, 3: 1000000, else 1).
 * Returns 0; -1 when the output is the y channel, L < 2, a nonzero baseline without an x channel
 * of at least L rows, an unknown baseline, baseline 3 without points, a scale of 0, or a baseline
 * line through two points of the same x; database statuses on a failed read or write. */
NUMERA32_API int32_t Normalize(int32_t x_channel, int32_t y_channel, int32_t output_channel,
                                       int16_t baseline, const double* points, int16_t offset_flag,
                                       int16_t scale_mode, double scale, int16_t unit_mode);

/* Histogram: bins of width w = (upper - lower)/bins; v counts in bin k when
 * lower + k*w <= v < lower + (k+1)*w, the last bin also takes v = upper; values outside are not
 * counted. For each bin in order the count is appended to count_channel and its lower edge to
 * count_channel + 1, both or neither: when either channel cannot take all bins (-106), nothing is
 * appended. Returns 0; -1 when upper <= lower, bins outside 2 .. 128, count_channel = source, or a
 * source of fewer than 2 rows; database statuses on a failed read or write. */
NUMERA32_API int32_t Histogram(int32_t source, int32_t count_channel, double upper,
                                       double lower, int32_t bins);

#ifdef __cplusplus
}
#endif

#endif /* NUMERA32_SIGNAL_H */
