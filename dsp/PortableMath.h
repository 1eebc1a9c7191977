#pragma once

// Elementary functions for the signal path.
//
// Window tables, transform tables and the modulation oscillator must give the
// same bits on every target, and the C runtimes of the targets (glibc, the
// MinGW runtime, the x87 code of 32-bit Windows runtimes) disagree in the
// last bit of sin, cos, exp, log, pow and atan. These are written in plain
// double arithmetic so that every target computes the same values.
//
// Errors stay below 0.6 ulp; exp, log and pow are correctly rounded but for
// rare near-halfway cases, and pow(x, -1) is exactly 1 / x. sin and cos
// reduce every finite argument by pi/2 to far more than double precision,
// however large.
namespace brisko::pmath {

double sin(double x);
double cos(double x);
double exp(double x);
double log(double x);
double pow(double x, double y);
double atan(double x);

}  // namespace brisko::pmath
