// Decimal text of floating-point numbers, rounded correctly both ways. The engine's own number
// reading and writing (numbers.cpp), Round and the configuration file's sizes go through here.
//
// Where the C++ library has floating-point <charconv> it does the work. The web build's library
// lacks it (FABLEWICK_NO_FLOAT_CHARCONV); there the C library's strtod, strtof and snprintf,
// which also round correctly, give the same values and digits. Both forms are always compiled,
// so that tests can hold them against each other on the native build.
#pragma once

#include <string>
#include <string_view>
#include <system_error>

namespace fablewick {

// Reads a decimal number in the form "[-]digits[.digits][e[+|-]digits]", the whole text.
// Returns std::errc() with the nearest value, result_out_of_range when the value overflows to
// infinity or underflows to zero (value is then left as it was), invalid_argument when the text
// is not such a number.
std::errc ReadFloatingText(std::string_view text, double& value);
std::errc ReadFloatingText(std::string_view text, float& value);

// "[-]d.ddde[+|-]xx": the value rounded to `decimals` digits after the point.
std::string WriteScientific(double value, int decimals);
// "[-]ddd.ddd": the value rounded to `decimals` digits after the point.
std::string WriteFixed(double value, int decimals);
// The shortest plain decimal ("9000", "6000.5", "0.001") that reads back to the same float.
std::string WriteShortestFixed(float value);

// The same work through the C library, whatever the build has; for tests.
namespace c_library {
std::errc ReadFloatingText(std::string_view text, double& value);
std::errc ReadFloatingText(std::string_view text, float& value);
std::string WriteScientific(double value, int decimals);
std::string WriteFixed(double value, int decimals);
std::string WriteShortestFixed(float value);
}  // namespace c_library

}  // namespace fablewick
