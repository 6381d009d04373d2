// Spectral units: positions and widths given as a number and a unit name, to and from points.
#pragma once

namespace korim::spectral {

// Unit names are matched ignoring case (hasSpecLabel takes them exactly).
// Unit codes: 0 "Pts", 1 "Hz", 2 "ppm", 3 "%", 4 "WN" (cm^-1), 5 "cm", 6 "mm",
// 7 "mic", 8 "nm", 9 "WL-nm" (wavelength, nm).
int getSpecUnits(const char* name);
// Writes the unit name of a code into label (at least 6 bytes). Returns 0.
int getSpecLabel(int code, char* label);
// 1 when the text is a number followed by a known unit name.
int hasSpecLabel(const char* text);
// 1 when the last conversion met an unknown unit, or a number that is not finite or lies beyond
// the float range ("nan", "inf", "1e39"); its result was 0.
int getBadSpecUnits();

// Point position (1-based) of "value unit" along dimension dim of the header.
// clipMode 0 folds it into the dimension, 1 clips to it, other values leave it.
float spec2rPnt2(const float* fdata, int dim, const char* text, int clipMode);
float spec2rPnt(const float* fdata, int dim, const char* text);
// Rounded to the nearest point, halves away from zero.
int spec2iPnt(const float* fdata, int dim, const char* text);
// Rounded positions of count texts (tag "spec"); null when a unit is unknown.
int* specList2Pnt(char** texts, int count, const float* fdata, int dim);

// Value in a unit of a point position.
float rPnt2spec(const float* fdata, int dim, float point, const char* unit);
float iPnt2spec(const float* fdata, int dim, int point, const char* unit);
// Width in points of "value unit", and a width in points in a unit.
float specWidth2rPnt(const float* fdata, int dim, const char* text);
float rPnt2specWidth(const float* fdata, int dim, float width, const char* unit);

// Origin (Hz) from carrier (ppm) and centre point. Returns 0.
int updateOrig(float* fdata, int dim);

// Option readers: 1 when the option was found and converted; 0 when absent or
// without value (result unchanged), or after "SpecUnit Error: bad units.", "SpecUnit Error:
// <option> value <text> is not a finite number." or, for a result that is not finite (a width
// beyond the float range), "... gives no finite number of points." (result unchanged).
int specArgD(int argc, char** argv, const char* flag, int* value, const float* fdata, int dim);
int specFltArgD(int argc, char** argv, const char* flag, float* value, const float* fdata, int dim);
int wideArgD(int argc, char** argv, const char* flag, int* value, const float* fdata, int dim);
int wideFltArgD(int argc, char** argv, const char* flag, float* value, const float* fdata, int dim);

// Unit flag back to 0 (tests).
void specUnitReset();

}  // namespace korim::spectral
