// The record types, substream kinds and alignment codes of a BIFF workbook stream: one table that
// the reader and the writer share.
#pragma once

#include <cstdint>

#include "office/spreadsheet/model/workbook_model.h"

namespace tq::office::xls {

namespace rec {
// The record layer.
inline constexpr uint16_t kContinue = 0x003C;
inline constexpr uint16_t kEof = 0x000A;
inline constexpr uint16_t kBof2 = 0x0009, kBof3 = 0x0209, kBof4 = 0x0409, kBof8 = 0x0809;
inline bool IsBof(uint16_t t) {
    return t == kBof2 || t == kBof3 || t == kBof4 || t == kBof8;
}

// Workbook globals.
inline constexpr uint16_t kFilePass = 0x002F, kCodePage = 0x0042, kDateMode = 0x0022;
inline constexpr uint16_t kWindow1 = 0x003D, kStyle = 0x0293;
inline constexpr uint16_t kFont = 0x0031, kFont34 = 0x0231;
inline constexpr uint16_t kFormat = 0x041E, kFormat23 = 0x001E;
inline constexpr uint16_t kXf = 0x00E0, kXf2 = 0x0043, kXf3 = 0x0243, kXf4 = 0x0443;
inline constexpr uint16_t kPalette = 0x0092, kBoundSheet = 0x0085, kSst = 0x00FC;
inline constexpr uint16_t kExtSst = 0x00FF;

// Cells (the BIFF2 forms end in 2).
inline constexpr uint16_t kBlank2 = 0x0001, kInteger2 = 0x0002, kNumber2 = 0x0003;
inline constexpr uint16_t kLabel2 = 0x0004, kBoolErr2 = 0x0005, kString2 = 0x0007;
inline constexpr uint16_t kBlank = 0x0201, kNumber = 0x0203, kLabel = 0x0204, kBoolErr = 0x0205;
inline constexpr uint16_t kFormula = 0x0006 /* BIFF2, 5, 8 */, kFormula3 = 0x0206;
inline constexpr uint16_t kFormula4 = 0x0406, kString = 0x0207;
inline constexpr uint16_t kRk = 0x027E, kMulRk = 0x00BD, kMulBlank = 0x00BE;
inline constexpr uint16_t kLabelSst = 0x00FD, kRString = 0x00D6;

// Sheet layout.
inline constexpr uint16_t kRow2 = 0x0008, kRow = 0x0208, kColInfo = 0x007D;
inline constexpr uint16_t kColWidth2 = 0x0024, kDefColWidth = 0x0055, kStandardWidth = 0x0099;
inline constexpr uint16_t kDefRowHeight = 0x0225, kDefRowHeight2 = 0x0025;
inline constexpr uint16_t kMergedCells = 0x00E5, kWsBool = 0x0081, kDimensions = 0x0200;
inline constexpr uint16_t kWindow2 = 0x023E;
}  // namespace rec

// The kind a BOF record gives its substream.
namespace substream {
inline constexpr uint16_t kGlobals = 0x0005, kWorksheet = 0x0010, kChart = 0x0020;
inline constexpr uint16_t kWorkspace = 0x0100;
}  // namespace substream

// A cell format's alignment codes, by their position here: horizontal 0-7, vertical 0-4.
inline constexpr int32_t kHAligns[8] = {kAlignGeneral,      kAlignLeft,       kAlignCenter,
                                        kAlignRight,        kAlignFill,       kAlignJustify,
                                        kAlignCenterAcross, kAlignDistributed};
inline constexpr int32_t kVAligns[5] = {kAlignTop, kAlignCenter, kAlignBottom, kAlignJustify,
                                        kAlignDistributed};

}  // namespace tq::office::xls
