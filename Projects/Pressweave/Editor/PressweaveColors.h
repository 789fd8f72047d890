#pragma once
// The product's palette: process-wide colours, all opaque, set once when the
// component loads. Contrast +c adds int(255 c) to red, green and blue.

#include "IColor.h"

namespace pressweave {

using weft::canvas::IColor;

namespace Colors {
extern const IColor EQ_PANEL;   // window background
extern const IColor EQ_FG;      // base style foreground, corner resizer
extern const IColor EQ_PR;      // accent: goniometer, "RINGMOD", pressed
extern const IColor EQ_SH;      // frames and shadows
extern const IColor EQ_LABLE;   // EQ_PR contrast +0.6
extern const IColor EQ1_line;   // scope constructor colour
extern const IColor MODMIX_KX1; // white
extern const IColor PWVE_KX1;   // red
} // namespace Colors

extern const IColor EQ_panel;
extern const IColor EQ_input_1;
extern const IColor EQ_input_2;
extern const IColor EQ_output_1;
extern const IColor EQ_output_2;
extern const IColor meter_IN_1;
extern const IColor meter_IN_2;
extern const IColor meter_OUT_1;
extern const IColor meter_OUT_2;
extern const IColor freqGrid;
extern const IColor decibelGrid;
extern const IColor gridText; // decibelGrid contrast +0.1

} // namespace pressweave
