#include "ui/open_dialog.h"

// clang-format off
// <windows.h> first: the dialog header builds on it.
#include <windows.h>
#include <commdlg.h>
// clang-format on

#include <algorithm>
#include <cstddef>
#include <vector>

#include "engine/error.h"
#include "ui/win32/text_conversion.h"

namespace xpconv::ui {

namespace {

// The record without the three fields later platform versions append
// (pvReserved, dwReserved, FlagsEx): 76 bytes in a 32-bit build.
constexpr DWORD kRecordSize =
    static_cast<DWORD>(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR));
static_assert(sizeof(void*) != 4 || kRecordSize == 76);

// The filter list converted piece by piece, so the NULs between the pieces
// survive the code-page conversion and no multi-byte character is split.
std::string FilterListToAnsi(const std::string& list) {
  std::string result;
  size_t start = 0;
  while (start < list.size()) {
    size_t end = list.find('\0', start);
    if (end == std::string::npos) end = list.size();
    result += Utf8ToAnsi(std::string_view(list).substr(start, end - start));
    result.push_back('\0');
    start = end + 1;
  }
  return result;
}

}  // namespace

std::string MakeDialogFilter(const std::string& filter) {
  std::string result;
  int16_t p = 1;
  for (;;) {
    size_t found = filter.find('|', static_cast<size_t>(p - 1));
    if (found == std::string::npos) {
      if (static_cast<size_t>(p) <= filter.size())
        result.append(filter, static_cast<size_t>(p - 1));
      result.push_back('\0');
      return result;
    }
    const int64_t q = static_cast<int64_t>(found) + 1;
    result.append(filter, static_cast<size_t>(p - 1), static_cast<size_t>(q - p));
    result.push_back('\0');
    p = ToInt16(q + 1);
  }
}

std::string ShowOpenDialog(const std::string& filter, const std::string& initial_folder) {
  const std::string filter_list = FilterListToAnsi(MakeDialogFilter(filter));
  const std::string title = Utf8ToAnsi(kOpenDialogTitle);
  std::vector<char> file(kOpenDialogFileBuffer, '\0');
  std::vector<char> file_title(kOpenDialogTitleBuffer, '\0');

  OPENFILENAMEA record{};
  record.lStructSize = kRecordSize;
  record.hwndOwner = ::GetActiveWindow();
  record.lpstrFilter = filter_list.c_str();  // its own terminator closes the list
  record.lpstrFile = file.data();
  record.nMaxFile = kOpenDialogFileBuffer;
  record.lpstrFileTitle = file_title.data();
  record.nMaxFileTitle = kOpenDialogTitleBuffer;
  record.lpstrInitialDir = initial_folder.empty() ? nullptr : initial_folder.c_str();
  record.lpstrTitle = title.c_str();
  record.Flags = kOpenDialogFlags;

  if (!::GetOpenFileNameA(&record)) return {};
  const auto end = std::find(file.begin(), file.end(), '\0');
  // A buffer without NUL was overrun; an empty name was no choice.
  if (end == file.end() || end == file.begin()) return {};
  return std::string(file.begin(), end);
}

}  // namespace xpconv::ui
