// The boundary between the driver and its wxWidgets dialog library
// (libecocam-ui-wx.so). The driver never links wx or GTK: it loads the
// library the first time a sheet is needed and resolves one C entry point,
// which hands back a SheetWindow. The two sides then talk through the
// pure-virtual classes below, with plain C types only: no exception, no
// std type and no run-time type information crosses, and neither side
// deletes an object of the other (SheetWindow::Release ends the window).
//
// Texts returned by a SheetModel stay valid until the next call on it.
// Everything runs on the host's thread that called configureCamera.
#pragma once

namespace ecocam::ui::wxview {

// Raised whenever a class below changes shape.
inline constexpr int kBoundaryVersion = 2;
inline constexpr char kLibraryName[] = "libecocam-ui-wx.so";
inline constexpr char kEntryPointName[] = "ecocam_ui_wx_open";

// Item kinds, in the order of CPropertyGrid::ItemType.
enum ItemKind : int { kBoolItem, kIntegerItem, kDoubleItem, kStringItem, kComboItem, kFileItem };

// The driver's log, as the dialog library writes into it.
class LogSink {
 public:
  virtual void Log(int level, const char* text) = 0;

 protected:
  ~LogSink() = default;
};

// The sheet's model, implemented by the driver over the General page and
// its grid. Reads of an unknown or removed item give empty values. The
// Edit* calls are the user's edits: each sets the item's value and then
// notifies the page (1510); false when the item refused the value.
class SheetModel {
 public:
  // Fills the grid and validates once; called when the sheet's windows exist.
  virtual void InitPage() = 0;

  virtual int SectionCount() = 0;
  virtual const char* SectionTitle(int section) = 0;

  // Item handles run from 0 to ItemCount() - 1, removed ones included.
  virtual int ItemCount() = 0;
  virtual bool ItemLive(int item) = 0;
  virtual int ItemSection(int item) = 0;
  virtual int ItemKindOf(int item) = 0;
  virtual const char* ItemLabel(int item) = 0;
  virtual bool ItemEditable(int item) = 0;
  // The value as shown (numbers in their display format).
  virtual const char* ItemText(int item) = 0;
  virtual bool ItemBool(int item) = 0;
  virtual long long ItemInteger(int item) = 0;
  virtual double ItemDouble(int item) = 0;
  virtual int ItemOptionCount(int item) = 0;
  virtual const char* ItemOption(int item, int index) = 0;
  virtual int ItemSelection(int item) = 0;       // combo: -1 for none
  virtual const char* ItemFilter(int item) = 0;  // file: "Text (*.ext)|*.ext"

  // The focused item, -1 for none.
  virtual int SelectedItem() = 0;
  virtual bool OkEnabled() = 0;

  virtual bool EditBool(int item, bool value) = 0;
  virtual bool EditInteger(int item, long long value) = 0;
  virtual bool EditDouble(int item, double value) = 0;
  virtual bool EditText(int item, const char* value) = 0;  // string and file items
  virtual bool EditSelection(int item, int index) = 0;     // combo items
  // The user focused `item` (-1: none); the page is told (1511).
  virtual void Focus(int item) = 0;

 protected:
  ~SheetModel() = default;
};

// The sheet's window, implemented by the dialog library.
class SheetWindow {
 public:
  virtual void EnableOk(bool enable) = 0;
  virtual void SetStatusText(const char* text) = 0;
  virtual void SetNameLabel(const char* text) = 0;
  virtual void SetDescriptionLabel(const char* text) = 0;
  // OK/Cancel question with a warning icon; true for OK.
  virtual bool AskOkCancel(const char* text, const char* caption) = 0;
  // A message with an OK button and an error icon, owned by the sheet while
  // it is shown, else by the parent; returns when it was closed.
  virtual void ShowMessage(const char* text, const char* caption) = 0;
  // Shows the sheet modally; true only when it ended with OK.
  virtual bool RunModal(const char* title, SheetModel& model) = 0;
  // Ends this object; the driver calls it once, last.
  virtual void Release() = 0;

 protected:
  ~SheetWindow() = default;
};

// The entry point. `parent` is the host's X11 window id cast to a pointer,
// or null. `log` stays valid until the window's Release. Returns 0 and
// the window in *window, or non-zero after logging why (no display, wx
// could not start, a call from a thread other than wx's, another version).
extern "C" {
typedef int (*OpenFunction)(int version, void* parent, LogSink* log, SheetWindow** window);
}

}  // namespace ecocam::ui::wxview
