// Bounds on what the library reads from files it does not control: workbooks, CSV files, tree
// description files, INI files and the tool's table files.
//
// The defaults read every real file users have and refuse hostile ones (compression bombs,
// endless or special files, absurd sizes) quickly and within bounded memory. A caller that must
// read larger files raises the limits once with SetLimits; every refusal names the file and the
// limit it reached.
#pragma once

#include <cstdint>

#include "tqtool/types.h"

namespace tq {

struct Limits {
    /// Bytes one part of a zip package (.xlsx, .docx) may inflate to.
    uint64_t maxPartBytes = uint64_t(1) << 30;
    /// Bytes all parts of one package may inflate to together.
    uint64_t maxPackageBytes = uint64_t(2) << 30;
    /// A part that inflates to more than this many times its compressed size ...
    uint32_t maxInflateRatio = 100;
    /// ... once it has inflated past this many bytes, is refused as a likely compression bomb.
    uint64_t inflateRatioFloorBytes = uint64_t(1) << 20;
    /// Cells one workbook may hold when it is read. Other records a workbook turns into count as
    /// cells too: rows, strings, merged areas, column runs, formats and sheets. A cell costs about
    /// 25 bytes, so the default bounds a workbook's cells at about 200 MB.
    uint64_t maxCells = 8'000'000;
    /// Bytes of text (shared and inline strings, names, format codes) one workbook may hold when
    /// it is read.
    uint64_t maxTextBytes = uint64_t(128) << 20;
    /// Bytes of the workbook stream of an .xls file (the whole file for a bare BIFF2-4 sheet).
    uint64_t maxXlsStreamBytes = uint64_t(1) << 30;
    /// Cells a reading member of CTqExcel walks in one call (the area of the range it reads).
    uint64_t maxReadCells = 50'000'000;
    /// Element nesting depth of an XML part.
    uint32_t maxXmlDepth = 1000;
    /// Bytes of a text file read whole: CSV, tree description and table JSON files.
    uint64_t maxTextFileBytes = uint64_t(256) << 20;
    /// Bytes of an INI file.
    uint64_t maxIniBytes = uint64_t(256) << 20;
    /// Nesting depth of the tool's JSON input.
    uint32_t maxJsonDepth = 256;
};

/// The limits in force (the defaults above until SetLimits is called).
TQTOOL_API Limits GetLimits();
/// Replaces the limits for every later read in the process. Not meant to be called while another
/// thread reads a file.
TQTOOL_API void SetLimits(const Limits& limits);

}  // namespace tq
