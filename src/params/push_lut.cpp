// CameraParameters::Push_LUT: the lookup table of a file sent to the camera.
#include <new>
#include <string>
#include <vector>

#include "params/camera_parameters.h"
#include "params/lut_table_file.h"
#include "sdk/sdk.h"

namespace ecocam {

namespace {

namespace pn = param_name;

// The camera's table has this many entries at both pixel depths it takes
// (0, 8 bit, and 2, 12 bit); each entry is the 8-bit output of one raw value.
constexpr int kLutEntries = 4096;
// Lookup-table mode "table in force".
constexpr int kLutModeTable = 2;

bool SupportedPixelDepth(long long depth) { return depth == 0 || depth == 2; }

}  // namespace

// Runs on the caller's thread with the camera's connection open. Every
// failure is logged and gives false; nothing is thrown (a parameter missing
// from the set is logged by Get and gives false too).
bool CameraParameters::Push_LUT(sdk::CameraHandle handle) {
  try {
    const std::string path = Get(pn::LUTtable).get_val<std::string>();
    const std::string column = Get(pn::LUTtableRow).get_val<std::string>();
    if (!Get(pn::UseLUT).get_val<bool>()) return true;

    // The mode comes first: after a later failure the camera keeps mode 2
    // with the table it had.
    const int modeResult = sdk::Camera_setLookupTableMode(handle, kLutModeTable);
    if (modeResult != 0) {
      ECOCAM_LOG(1, "Error setting camera parameter: Camera_setLUTMode error code=" + std::to_string(modeResult));
      return false;
    }
    if (column.empty()) {
      ECOCAM_LOG(1, "CameraParameters::Push_LUT: ERROR: LUT_row not defined \n");
      return false;
    }

    LutTableFile file(path);
    if (!file.SelectColumn(column)) {
      ECOCAM_LOG(1,
                 "CameraParameters::Push_LUT: Could not parse LUT row (" + column + ") from LUT table (" + path + ")");
      return false;
    }

    const long long depth = Get(pn::PixelDepth).currEnumVal();
    if (!SupportedPixelDepth(depth)) {
      ECOCAM_LOG(1, "CameraParameters::Push_LUT: ERROR: Unsupported PIXEL_DEPTH parameter: " + std::to_string(depth));
      return false;
    }

    // Sent as ints, one per entry, as the SDK reads them.
    std::vector<int> table;
    try {
      table.assign(kLutEntries, 255);
    } catch (const std::bad_alloc&) {
      ECOCAM_LOG(
          1, "CameraParameters::Push_LUT: ERROR: Could not allocate LUT table, size=" + std::to_string(kLutEntries));
      return false;
    }
    // Later rows overwrite earlier ones; inputs outside the table are skipped.
    for (int j = 0; j < file.EntryCount() && j < kLutEntries; ++j) {
      const int in = file.InputAt(j);
      if (in >= 0 && in < kLutEntries)
        table[in] = static_cast<int>(static_cast<unsigned int>(file.OutputAt(j)) & 0xFFu);
    }

    const int tableResult = sdk::Camera_setLookupTable(handle, table.data(), kLutEntries);
    if (tableResult != 0) {
      ECOCAM_LOG(1, "Error setting camera parameter: Camera_setLookupTable LUT file=" + path +
                        " error code=" + std::to_string(tableResult));
      return false;
    }
    return true;
  } catch (...) {
    // Get and currEnumVal have logged the reason; a failure to compose a
    // message leaves nothing to report.
    return false;
  }
}

}  // namespace ecocam
