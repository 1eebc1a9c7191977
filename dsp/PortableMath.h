#pragma once

// Elementary functions for the signal path.
//
// Window tables, transform tables and the modulation oscillator must give the
// same bits on every target, and the C runtimes of the targets (glibc, the
// MinGW runtime, the x87 code of 32-bit Windows runtimes) disagree in the
// last bit of sin, cos, exp, log, pow and atan. These are written in plain
// double arithmetic so that every target computes the same values.
namespace brisko::pmath {

double sin(double x);
double cos(double x);
double exp(double x);
double log(double x);
double pow(double x, double y);
double atan(double x);

}  // namespace brisko::pmath
