// Dense linear solvers for the small normal-equation systems of the fits and smoothing filters.
#ifndef NUMERA32_SPECTRA_LINEAR_SOLVE_H
#define NUMERA32_SPECTRA_LINEAR_SOLVE_H

#include <cstddef>
#include <vector>

namespace numera::signal {

// Solves a x = b for the n x n row-major matrix a by LU decomposition with partial pivoting; b
// receives x. False (b unspecified) when a pivot is exactly zero.
bool lu_solve(std::vector<double> a, std::size_t n, std::vector<double>& b);

// Solves the symmetric positive semi-definite system a x = b (normal equations) by Gauss-Jordan
// elimination with full pivoting, after scaling rows and columns to a unit diagonal so that the
// rank test does not depend on the units of the basis functions. False (b unspecified) when the
// system is singular: a zero diagonal, or a scaled pivot below 1e-12.
bool gauss_jordan_normal(std::vector<double> a, std::size_t n, std::vector<double>& b);

}  // namespace numera::signal

#endif
