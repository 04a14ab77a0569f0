#include "engine/error.h"

#include <utility>

#include "engine/messages.h"

namespace xpconv {

VbError::VbError(int32_t number, std::string description)
    : number_(number), description_(std::move(description)) {}

std::string StandardDescription(int32_t number) {
  switch (number) {
    case err::kOverflow: return "Überlauf";
    case err::kBadFileNameOrNumber: return "Dateiname oder -nummer falsch";
    case err::kFileNotFound: return "Datei nicht gefunden";
    case err::kDiskFull: return "Datenträger voll";
    case err::kInputPastEnd: return "Einlesen hinter Dateiende";
    case err::kPermissionDenied: return "Zugriff verweigert";
    case err::kPathFileAccess: return "Fehler beim Zugriff auf Pfad/Datei";
    case err::kPathNotFound: return "Pfad nicht gefunden";
    default: return {};
  }
}

VbError MakeError(int32_t number) { return VbError(number, StandardDescription(number)); }

VbError ProjectBusyError() { return VbError(err::kPermissionDenied, msg::kProjectBusy); }

int16_t ToInt16(int64_t value) {
  if (value < INT16_MIN || value > INT16_MAX) throw MakeError(err::kOverflow);
  return static_cast<int16_t>(value);
}

int32_t ToInt32(int64_t value) {
  if (value < INT32_MIN || value > INT32_MAX) throw MakeError(err::kOverflow);
  return static_cast<int32_t>(value);
}

}  // namespace xpconv
