// The grid window: draws a CPropertyGrid (sections with their items, the
// label in the left column, the value in the right one) and edits values in
// place: a click on a bool flips it, numbers and texts get an edit box, a
// combo a drop-down list, a file item the file-open dialog. Every finished
// edit goes into the model as the user's: set the value, then notify 1510.
// A click on a row focuses its item (1511), as do the Up and Down keys; a
// click on the value, F2 or Space edits it; a click on a section's title
// folds or unfolds it.
#pragma once

#include <windows.h>

#include <set>
#include <vector>

#include "ui/property_grid.h"

namespace ecocam::ui::win32 {

// Messages a test or the page can send to the grid window.
// wParam: item handle, lParam: POINT* filled with a client point inside the
// item's value cell (the item is scrolled into view first). TRUE on success.
inline constexpr UINT kGridGetValuePoint = WM_APP + 40;
// lParam: const char* label. Returns the live item's handle, or -1.
inline constexpr UINT kGridFindItem = WM_APP + 41;

class GridWindow {
 public:
  explicit GridWindow(CPropertyGrid& grid) : _grid(grid) {}
  GridWindow(const GridWindow&) = delete;
  GridWindow& operator=(const GridWindow&) = delete;

  // Creates the window as child `id` of `parent` over `rect`; the object
  // must outlive the window.
  HWND Create(HWND parent, const RECT& rect, int id, HFONT font);
  // Repaints after the model changed.
  void Refresh();

 private:
  struct Row {
    int section;
    int item;  // -1: the section's title
  };

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK EditorProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

  std::vector<Row> Rows() const;
  int RowHeight() const { return _rowHeight; }
  int LabelWidth() const;
  int VisibleRows() const;
  void UpdateScroll();
  void Scroll(int top);
  void EnsureVisible(int item);
  void Paint();
  void Click(int x, int y);
  // Up and Down move the focus between items; F2 or Space edits it.
  void Key(int key);
  void BeginEdit(int item);
  void CommitEdit();
  void EndEdit();
  // The user's edit reached the model: tell the owner, then redraw.
  void UserChanged(int item);

  CPropertyGrid& _grid;
  HWND _hwnd = nullptr;
  HWND _editor = nullptr;
  WNDPROC _editorBaseProc = nullptr;
  int _editItem = -1;
  bool _committing = false;
  HFONT _font = nullptr;
  int _rowHeight = 18;
  int _top = 0;  // first visible row
  std::set<int> _collapsed;
};

}  // namespace ecocam::ui::win32
