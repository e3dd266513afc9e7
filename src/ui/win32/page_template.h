// The General page's dialog template, built in memory: 439 x 282 dialog
// units, "MS Shell Dlg" 8 point, caption "General", with the grid frame,
// the box under it and the two labels.
#pragma once

#include <windows.h>

#include <vector>

namespace ecocam::ui::win32 {

inline constexpr int kPageGridFrame = 1074;
inline constexpr int kPageLabelBox = 1075;
inline constexpr int kPageDescriptionLabel = 1076;
inline constexpr int kPageNameLabel = 1077;

// A DLGTEMPLATE with its items, DWORD-aligned from the vector's start.
std::vector<WORD> BuildPageTemplate();

}  // namespace ecocam::ui::win32
