#pragma once

#include <cstddef>
#include <cstdint>

namespace brisko {

// Number texts fill the 8-character display fields of the host, plus the
// terminating zero.
constexpr size_t kNumberTextSize = 9;

// Writes `source` whole, terminator included; nothing for a null `text`.
void copyText(char* text, const char* source);
// Writes at most capacity - 1 characters of `source` and a terminator;
// nothing for a null `text` or a zero capacity. A null source writes "".
void copyTextCut(char* text, const char* source, size_t capacity);

// Fixed-point text of 8 characters whose digits are cut, never rounded.
// Magnitudes beyond 8 characters give "Huge!" / "-Huge!", NaN gives "NaN".
void formatFloat(float value, char* text);
// "%7d" text cut to 8 characters; "Huge!" from 100000000 up, "-Huge!" below
// -9999999 (whose text would not fit).
void formatInteger(int32_t value, char* text);
// "-oo" for gains of 0 or below, else the gain in decibels as formatFloat.
void formatDecibels(float gain, char* text);

}  // namespace brisko
