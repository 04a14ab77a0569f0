#include "engine/error.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "tests/support/error_of.h"

namespace xpconv {
namespace {

using testing::ErrorOf;

TEST(ErrorTest, TableNumbersCarryTheirGermanDescriptions) {
  EXPECT_EQ(StandardDescription(err::kOverflow), "Überlauf");
  EXPECT_EQ(StandardDescription(err::kBadFileNameOrNumber), "Dateiname oder -nummer falsch");
  EXPECT_EQ(StandardDescription(err::kFileNotFound), "Datei nicht gefunden");
  EXPECT_EQ(StandardDescription(err::kDiskFull), "Datenträger voll");
  EXPECT_EQ(StandardDescription(err::kInputPastEnd), "Einlesen hinter Dateiende");
  EXPECT_EQ(StandardDescription(err::kPermissionDenied), "Zugriff verweigert");
  EXPECT_EQ(StandardDescription(err::kPathFileAccess), "Fehler beim Zugriff auf Pfad/Datei");
  EXPECT_EQ(StandardDescription(err::kPathNotFound), "Pfad nicht gefunden");
  EXPECT_EQ(StandardDescription(0), "");
  EXPECT_EQ(StandardDescription(1234), "");
}

TEST(ErrorTest, MakeErrorAndSystemErrorsKeepNumberAndText) {
  VbError missing = MakeError(err::kFileNotFound);
  EXPECT_EQ(missing.number(), 53);
  EXPECT_EQ(missing.description(), "Datei nicht gefunden");
  EXPECT_STREQ(missing.what(), "Datei nicht gefunden");
  VbError system(1392, "Die Datei oder das Verzeichnis ist beschädigt.");
  EXPECT_EQ(system.number(), 1392);
  EXPECT_STREQ(system.what(), "Die Datei oder das Verzeichnis ist beschädigt.");
}

TEST(ErrorTest, NarrowingOverflowsExactlyPastTheTypesRange) {
  EXPECT_EQ(ToInt16(32767), 32767);
  EXPECT_EQ(ToInt16(-32768), -32768);
  EXPECT_EQ(ErrorOf([] { ToInt16(32768); }), err::kOverflow);
  EXPECT_EQ(ErrorOf([] { ToInt16(-32769); }), err::kOverflow);
  EXPECT_EQ(ToInt32(INT32_MAX), INT32_MAX);
  EXPECT_EQ(ToInt32(INT32_MIN), INT32_MIN);
  EXPECT_EQ(ErrorOf([] { ToInt32(int64_t{INT32_MAX} + 1); }), err::kOverflow);
  EXPECT_EQ(ErrorOf([] { ToInt32(int64_t{INT32_MIN} - 1); }), err::kOverflow);
}

}  // namespace
}  // namespace xpconv
