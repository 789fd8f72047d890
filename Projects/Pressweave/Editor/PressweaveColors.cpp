#include "PressweaveColors.h"

namespace pressweave {

using weft::canvas::COLOR_RED;
using weft::canvas::COLOR_WHITE;

// Definition order is initialisation order: the derived colours follow the
// colours they are made from.
namespace Colors {
const IColor EQ_PANEL = IColor::FromColorCode(0x010101);
const IColor EQ_FG = IColor::FromColorCode(0x2A2E33);
const IColor EQ_PR = IColor::FromColorCode(0x06B2C4);
const IColor EQ_SH = IColor::FromColorCode(0x4A4A4A);
const IColor EQ_LABLE = EQ_PR.WithContrast(0.6f);
const IColor EQ1_line = IColor::FromColorCode(0x06B2C4);
} // namespace Colors

const IColor EQ_panel = IColor::FromColorCode(0x111111);
const IColor EQ_input_1 = IColor::FromColorCode(0xA0C4FF);
const IColor EQ_input_2 = IColor::FromColorCode(0xA3B18A);
const IColor EQ_output_1 = IColor::FromColorCode(0x8EECF5);
const IColor EQ_output_2 = IColor::FromColorCode(0xF1C0E8);
const IColor meter_IN_1 = IColor::FromColorCode(0x3D434D);
const IColor meter_IN_2 = IColor::FromColorCode(0x3D434D);
const IColor meter_OUT_1 = IColor::FromColorCode(0x3D3D4D);
const IColor meter_OUT_2 = IColor::FromColorCode(0x3D3D4D);
const IColor freqGrid = IColor::FromColorCode(0x262626);
const IColor decibelGrid = IColor::FromColorCode(0x4A4A4A);
const IColor gridText = decibelGrid.WithContrast(0.1f);

namespace Colors {
const IColor MODMIX_KX1 = COLOR_WHITE;
const IColor PWVE_KX1 = COLOR_RED;
} // namespace Colors

} // namespace pressweave
