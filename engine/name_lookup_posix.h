// The Windows-style name look-up of the POSIX file system. Engine paths
// become native ones by turning "\" into "/"; where those bytes name nothing,
// names are looked up again the way Windows would find them: ignoring letter
// case, and with the name converted from the projects' ANSI code page to the
// UTF-8 of the disk. A name that names nothing yet is created in UTF-8 the
// same way, as Wine creates it for a Windows program.
//
// The look-up owns the code-page converter and a cache of folder listings,
// which the file system keeps up to date with its own changes (OwnChange).
// POSIX only; the Windows file system leaves all of this to the system.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace xpconv {

class PosixNameLookup {
 public:
  // codepage is an iconv name such as "WINDOWS-1252". Raises VbError 5 when
  // it is unknown.
  explicit PosixNameLookup(const std::string& codepage);
  ~PosixNameLookup();
  PosixNameLookup(const PosixNameLookup&) = delete;
  PosixNameLookup& operator=(const PosixNameLookup&) = delete;

  // What an operation does with the path it resolves.
  enum class Purpose {
    // Opens, removes or lists what is there.
    kFind,
    // May create the file or folder the path names.
    kCreate,
  };

  // The native path for an engine path. When its exact bytes name nothing,
  // each component that does not exist exactly is matched against the
  // entries of its folder. A component nothing matches names something new:
  // it is converted to UTF-8 as Wine converts an ANSI name, so a new file
  // lands in the folder found under the name its original has. Raises 52
  // "Dateiname oder -nummer falsch" for such a name that does not convert,
  // when the purpose is kCreate; a look-up never raises.
  std::string Resolve(const std::string& path, Purpose purpose = Purpose::kFind);

  // Bytes of the code page (a path, a name) as UTF-8 for display: as they
  // are when they are valid UTF-8 already, a byte the code page does not
  // define as U+FFFD.
  std::string DisplayText(std::string_view ansi);

  // One of the file system's own changes to a folder's entries (a file
  // created, removed or renamed): made before the change, it notes whether
  // the folder's listing is up to date; afterwards, Added or Removed applies
  // the change to it and records the folder's new time. A listing that was
  // already out of date is dropped, so someone else's earlier change is
  // never taken for ours. (One made in the microseconds between the two
  // looks at the folder's time would be; nothing short of listing the folder
  // again after every change of ours tells those apart.)
  class OwnChange {
   public:
    // native is the path of the file or folder that changes.
    OwnChange(PosixNameLookup& lookup, const std::string& native);
    OwnChange(const OwnChange&) = delete;
    OwnChange& operator=(const OwnChange&) = delete;

    void Added() { Apply(true); }
    void Removed() { Apply(false); }

   private:
    void Apply(bool added);

    PosixNameLookup& lookup_;
    std::string folder_;
    std::string name_;
    bool up_to_date_ = false;
  };

 private:
  class Converter;

  // The entries of one folder, indexed by their folded names, and what tells
  // whether the folder has changed since they were read (see the .cpp).
  struct FolderListing {
    dev_t device = 0;
    ino_t inode = 0;
    struct timespec modified {};
    // False when the listing could not be read to its end, or when a later
    // change could leave the folder's time as it is: used once, then read
    // again.
    bool reusable = false;
    // The folder's file system gives every change after a read of its time
    // a later time (see FineChangeTimes).
    bool fine_times = false;
    // Folded name (UTF-8, small letters) -> the names on disk that fold to it.
    std::unordered_map<std::string, std::vector<std::string>> names;

    // True when the listing is reusable and st (the folder's, taken just
    // now) shows the folder unchanged since it was read.
    bool Shows(const struct stat& st) const;
    // False when a later change could give the folder the time modified
    // again (see the .cpp): then the listing is used once and read again.
    bool LaterChangesShow() const;
  };

  std::string NewName(std::string_view component, Purpose purpose);
  bool FineChangeTimes(const std::string& folder) const;
  std::optional<std::string> FoldedEntry(std::string_view entry_name);
  void AddName(FolderListing& listing, std::string_view entry_name);
  void RemoveName(FolderListing& listing, std::string_view entry_name);
  FolderListing* ListingOf(const std::string& folder, const struct stat& folder_stat);
  std::optional<std::string> FindInFolder(const std::string& folder, const struct stat& folder_stat,
                                          const std::string& name);
  std::optional<std::string> FindInFolder(const std::string& folder, const std::string& name);

  std::unique_ptr<Converter> converter_;
  const bool kernel_fine_times_;
  // Keyed by the folder's native path without the separators behind it.
  std::unordered_map<std::string, FolderListing> listings_;
};

}  // namespace xpconv
