// TQTool: INI configuration store, workbook reading, table export to workbooks and documents,
// and string, number, file, process, message-box and naming utilities.
#pragma once

#include "tqtool/alert.h"
#include "tqtool/excel.h"
#include "tqtool/export.h"
#include "tqtool/fileutil.h"
#include "tqtool/inifile.h"
#include "tqtool/limits.h"
#include "tqtool/messagebox.h"
#include "tqtool/numutil.h"
#include "tqtool/strutil.h"
#include "tqtool/table.h"
#include "tqtool/treeutil.h"
#include "tqtool/types.h"
