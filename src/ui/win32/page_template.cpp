// The General page's in-memory dialog template.
#include "ui/win32/page_template.h"

namespace ecocam::ui::win32 {

namespace {

void PutText(std::vector<WORD>& out, const char* text) {
  for (const char* c = text; *c != '\0'; ++c) out.push_back(static_cast<WORD>(static_cast<unsigned char>(*c)));
  out.push_back(0);
}

void PutDword(std::vector<WORD>& out, DWORD value) {
  out.push_back(LOWORD(value));
  out.push_back(HIWORD(value));
}

void AlignDword(std::vector<WORD>& out) {
  if (out.size() % 2 != 0) out.push_back(0);
}

void PutStatic(std::vector<WORD>& out, DWORD style, short x, short y, short cx, short cy, WORD id, const char* text) {
  AlignDword(out);
  PutDword(out, style | WS_CHILD);
  PutDword(out, 0);  // extended style
  for (short v : {x, y, cx, cy}) out.push_back(static_cast<WORD>(v));
  out.push_back(id);
  out.push_back(0xFFFF);  // predefined class...
  out.push_back(0x0082);  // ...static
  PutText(out, text);
  out.push_back(0);  // no creation data
}

}  // namespace

std::vector<WORD> BuildPageTemplate() {
  std::vector<WORD> out;
  PutDword(out, WS_CHILD | WS_DISABLED | WS_CAPTION | DS_SETFONT | DS_3DLOOK);
  PutDword(out, 0);
  out.push_back(4);  // controls
  for (short v : {0, 0, 439, 282}) out.push_back(static_cast<WORD>(v));
  out.push_back(0);  // no menu
  out.push_back(0);  // default class
  PutText(out, "General");
  out.push_back(8);
  PutText(out, "MS Shell Dlg");
  PutStatic(out, SS_BLACKFRAME, 3, 3, 431, 223, kPageGridFrame, "");
  PutStatic(out, WS_VISIBLE | SS_ETCHEDFRAME, 3, 227, 431, 51, kPageLabelBox, "");
  PutStatic(out, WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 10, 232, 424, 9, kPageNameLabel, "(Name)");
  PutStatic(out, WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 10, 242, 424, 33, kPageDescriptionLabel, "(Description)");
  return out;
}

}  // namespace ecocam::ui::win32
