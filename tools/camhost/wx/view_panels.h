// The two drawn parts of the view: the picture, scaled to its panel with
// its aspect kept, and the histogram of the frame shown.
#pragma once

#include <wx/bitmap.h>
#include <wx/panel.h>

#include "view_picture.h"

namespace camhost::wxview {

class PicturePanel : public wxPanel {
 public:
  explicit PicturePanel(wxWindow* parent);
  // Shows `frame` (the view's front frame, valid until the next pick-up).
  void ShowFrame(const ViewFrame& frame);
  // Draws nothing until the next ShowFrame (the camera was reopened and
  // its frames resized), and counts from 0 again.
  void Forget();
  // Frames drawn since the window opened.
  long long Drawn() const { return _drawn; }
  // Frames handed to the panel and replaced before a paint drew them.
  long long Undrawn() const { return _undrawn; }

 private:
  void OnPaint(wxPaintEvent& event);

  const ViewFrame* _frame = nullptr;
  long long _given = 0;   // number of the frame last handed in
  long long _number = 0;  // of the frame in _bitmap
  wxBitmap _bitmap;
  long long _drawn = 0;
  long long _undrawn = 0;
};

class HistogramPanel : public wxPanel {
 public:
  explicit HistogramPanel(wxWindow* parent);
  void ShowHistogram(const Histogram& histogram);

 private:
  void OnPaint(wxPaintEvent& event);

  Histogram _histogram;
};

}  // namespace camhost::wxview
