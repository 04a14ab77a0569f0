#include "ui/win32/font.h"

#include <cmath>

namespace xpconv::ui {

namespace {

int CALLBACK NoteFontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;  // one match is enough
}

bool SystemHasFont(const wchar_t* face) {
  LOGFONTW query{};
  query.lfCharSet = DEFAULT_CHARSET;
  wcsncpy_s(query.lfFaceName, LF_FACESIZE, face, _TRUNCATE);
  bool found = false;
  HDC screen = ::GetDC(nullptr);
  ::EnumFontFamiliesExW(screen, &query, NoteFontFound, reinterpret_cast<LPARAM>(&found), 0);
  ::ReleaseDC(nullptr, screen);
  return found;
}

}  // namespace

UniqueFont CreateUiFont(UINT dpi, double points, int weight) {
  static const bool has_verdana = SystemHasFont(L"Verdana");
  LOGFONTW font{};
  if (has_verdana) {
    wcsncpy_s(font.lfFaceName, LF_FACESIZE, L"Verdana", _TRUNCATE);
    font.lfCharSet = ANSI_CHARSET;
  } else {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
      font = metrics.lfMessageFont;
    } else {
      wcsncpy_s(font.lfFaceName, LF_FACESIZE, L"Tahoma", _TRUNCATE);
    }
    font.lfCharSet = DEFAULT_CHARSET;
  }
  font.lfHeight = -static_cast<LONG>(std::lround(points * static_cast<double>(dpi) / 72.0));
  font.lfWidth = 0;
  font.lfWeight = weight;
  font.lfItalic = FALSE;
  font.lfUnderline = FALSE;
  font.lfStrikeOut = FALSE;
  font.lfQuality = CLEARTYPE_QUALITY;
  return UniqueFont(::CreateFontIndirectW(&font));
}

}  // namespace xpconv::ui
