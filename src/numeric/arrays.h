// One-based arrays and the single exit for unrecoverable conditions.
//
// Every numerical routine indexes its arrays from 1, as the formulas are written. A vector
// requested with bounds nl..nh is one heap block of nh - nl + 2 elements: a spare element
// first, then the valid ones, so that p[nl] .. p[nh] are the elements. With nl = 1 (the only
// low bound the tool uses) p is the start of the block itself and may be resized directly.
#pragma once

namespace dinc {

// Writes "Run-time error...", the message and "...now exiting to system..." to standard
// error, one line each (the message gets its own newline even when it ends in one), and
// ends the process with exit status 1: the standard streams are flushed, atexit handlers do
// not run. Nothing is released on this path.
[[noreturn]] void fatal_error(const char* message);

// Returns p with p[nl..nh] valid doubles (uninitialised), in a block of nh - nl + 2.
// A negative element count, a byte size that cannot be represented, or a refused request
// ends the process with "allocation failure in vector()". Never returns null.
double* vector(int nl, int nh);

// As vector(), for ints; the failure message is "allocation failure in ivector()".
int* ivector(int nl, int nh);

// Returns m with m[nrl..nrh][ncl..nch] valid doubles (uninitialised): a row-pointer array
// of nrow + 1 pointers and one element block of nrow * ncol + 1 doubles, rows contiguous.
// Ends the process with "allocation failure 1 in matrix()" when the row pointers are
// refused and "allocation failure 2 in matrix()" when the element block is.
double** matrix(int nrl, int nrh, int ncl, int nch);

// Release what the matching routine made; the low bounds must be those it was given and
// the high bounds are not used.
void release_vector(double* p, int nl, int nh);
void release_ivector(int* p, int nl, int nh);
void release_matrix(double** m, int nrl, int nrh, int ncl, int nch);

}  // namespace dinc
