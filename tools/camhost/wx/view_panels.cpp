#include "view_panels.h"

#include <wx/dcbuffer.h>
#include <wx/image.h>

#include <algorithm>
#include <vector>

#include "wx/view_wx.h"

namespace camhost::wxview {

PicturePanel::PicturePanel(wxWindow* parent)
    : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxSize(320, 240), wxFULL_REPAINT_ON_RESIZE, kPictureName) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  Bind(wxEVT_PAINT, &PicturePanel::OnPaint, this);
}

void PicturePanel::ShowFrame(const ViewFrame& frame) {
  // Only the frame handed in now may be read: the one before it belongs
  // to the callback again.
  if (_given != 0 && _given != _number) ++_undrawn;
  _given = frame.number;
  _frame = &frame;
  Refresh(false);
}

void PicturePanel::Forget() {
  _frame = nullptr;
  _given = 0;
  _number = 0;
  _drawn = 0;
  _undrawn = 0;
  Refresh(false);
}

// The frame is scaled when it is new or the panel's size changed; the
// panel's own pixels outside the picture are black.
void PicturePanel::OnPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  dc.SetBackground(*wxBLACK_BRUSH);
  dc.Clear();
  if (_frame == nullptr || _frame->number == 0) return;
  const wxSize area = GetClientSize();
  const Placement at = camhost::FitInside(_frame->width, _frame->height, area.GetWidth(), area.GetHeight());
  if (at.width <= 0 || at.height <= 0) return;
  if (_number != _frame->number || _bitmap.GetWidth() != at.width || _bitmap.GetHeight() != at.height) {
    std::vector<std::uint8_t> rgb = ScaleToRgb(*_frame, at.width, at.height);
    if (rgb.empty()) return;
    // wxImage borrows the bytes; the bitmap copies them.
    const wxImage image(at.width, at.height, rgb.data(), true);
    _bitmap = wxBitmap(image, 24);
    if (_number != _frame->number) ++_drawn;
    _number = _frame->number;
  }
  dc.DrawBitmap(_bitmap, at.x, at.y, false);
}

HistogramPanel::HistogramPanel(wxWindow* parent)
    : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxSize(256, 100), wxBORDER_SIMPLE, kHistogramName) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  SetMinSize(wxSize(256, 100));
  Bind(wxEVT_PAINT, &HistogramPanel::OnPaint, this);
}

void HistogramPanel::ShowHistogram(const Histogram& histogram) {
  _histogram = histogram;
  Refresh(false);
}

// One line per channel over the 256 values, scaled to the highest count.
void HistogramPanel::OnPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  dc.SetBackground(*wxWHITE_BRUSH);
  dc.Clear();
  const std::uint32_t peak = _histogram.Peak();
  if (_histogram.channels == 0 || peak == 0) return;
  const wxSize size = GetClientSize();
  const wxColour colours[3] = {_histogram.channels == 1 ? wxColour(64, 64, 64) : wxColour(220, 0, 0),
                               wxColour(0, 160, 0), wxColour(0, 0, 220)};
  for (int c = 0; c < _histogram.channels; ++c) {
    dc.SetPen(wxPen(colours[c]));
    std::vector<wxPoint> points;
    points.reserve(256);
    for (int v = 0; v < 256; ++v) {
      const double share = static_cast<double>(_histogram.counts[static_cast<std::size_t>(c)][v]) / peak;
      points.emplace_back(v * (size.GetWidth() - 1) / 255,
                          size.GetHeight() - 1 - static_cast<int>(share * (size.GetHeight() - 1)));
    }
    dc.DrawLines(static_cast<int>(points.size()), points.data());
  }
}

}  // namespace camhost::wxview
