#include "engine/name_lookup_posix.h"

#include <dirent.h>
#include <iconv.h>
#include <sys/utsname.h>
#ifdef __linux__
#include <sys/vfs.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "engine/error.h"
#include "engine/utf8.h"

namespace xpconv {
namespace {

// What a conversion does with a byte the code page does not define.
enum class Undefined {
  // The conversion fails.
  kFail,
  // The byte becomes U+FFFD: for text shown to a person.
  kMark,
  // As Windows and Wine convert a file name: in a single-byte code page the
  // unassigned bytes 0x80 to 0x9F become the C1 control characters of the
  // same value (Windows-1252's 0x81 becomes U+0081), so the name converts
  // back to the bytes it came from. Any other such byte fails.
  kAsWindows,
};

bool Exists(const std::string& native) {
  struct stat st;
  return ::lstat(native.c_str(), &st) == 0;
}

// The key under which a folder is listed: its native path without the
// separators behind it ("." for the current folder). path_end is the
// position of the separator in front of a name, or npos.
std::string FolderKey(const std::string& native, size_t path_end) {
  if (path_end == std::string::npos) return ".";
  size_t end = path_end;
  while (end > 0 && native[end - 1] == '/') --end;
  if (end == 0) return "/";
  return native.substr(0, end);
}

// Whether the kernel gives changes times finer than the clock tick once a
// time has been read: Linux 6.13 and later.
bool KernelHasFineChangeTimes() {
  struct utsname names;
  if (::uname(&names) != 0 || std::strcmp(names.sysname, "Linux") != 0) return false;
  int major = 0;
  int minor = 0;
  if (std::sscanf(names.release, "%d.%d", &major, &minor) != 2) return false;
  return major > 6 || (major == 6 && minor >= 13);
}

// How many folders' listings are kept at most, whatever the project's
// shape; each takes memory in proportion to its folder's entries (a
// hundred bytes or so per name), never to the size of the files.
constexpr size_t kMaxListings = 64;

}  // namespace

// ----------------------------------------------------------- code pages ---

class PosixNameLookup::Converter {
 public:
  explicit Converter(const std::string& codepage) : cd_(::iconv_open("UTF-8", codepage.c_str())) {
    if (ok()) single_byte_ = IsSingleByte();
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  ~Converter() {
    if (ok()) ::iconv_close(cd_);
  }

  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // The bytes converted to UTF-8; nullopt when a byte the code page does
  // not define fails the conversion (see Undefined).
  std::optional<std::string> ToUtf8(std::string_view bytes, Undefined undefined) {
    std::string out;
    out.reserve(bytes.size() * 2 + 8);
    ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(bytes.data());
    size_t in_left = bytes.size();
    char chunk[512];
    while (in_left > 0) {
      char* put = chunk;
      size_t put_left = sizeof(chunk);
      size_t done = ::iconv(cd_, &in, &in_left, &put, &put_left);
      out.append(chunk, static_cast<size_t>(put - chunk));
      if (done != static_cast<size_t>(-1)) continue;
      if (errno == E2BIG) continue;
      // EILSEQ, or EINVAL for a lead byte cut off at the end.
      const auto byte = static_cast<unsigned char>(*in);
      if (undefined == Undefined::kMark) {
        out += "\xEF\xBF\xBD";
      } else if (undefined == Undefined::kAsWindows && single_byte_ && byte >= 0x80 &&
                 byte <= 0x9F) {
        out += static_cast<char>(0xC2);
        out += static_cast<char>(byte);
      } else {
        return std::nullopt;
      }
      ++in;
      --in_left;
      ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
  }

 private:
  // True when no byte starts a longer sequence: every byte converts alone
  // or is undefined, and none is reported as a sequence cut off.
  bool IsSingleByte() {
    for (int value = 0x80; value <= 0xFF; ++value) {
      char byte = static_cast<char>(value);
      char* in = &byte;
      size_t in_left = 1;
      char out[8];
      char* put = out;
      size_t put_left = sizeof(out);
      ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      if (::iconv(cd_, &in, &in_left, &put, &put_left) == static_cast<size_t>(-1) &&
          errno == EINVAL) {
        return false;
      }
    }
    return true;
  }

  iconv_t cd_;
  bool single_byte_ = false;
};

// --------------------------------------------------------------- names ---

PosixNameLookup::PosixNameLookup(const std::string& codepage)
    : converter_(std::make_unique<Converter>(codepage)),
      kernel_fine_times_(KernelHasFineChangeTimes()) {
  if (!converter_->ok()) {
    throw VbError(5, "Unzulässiger Prozeduraufruf oder unzulässiges Argument (Codepage \"" +
                         codepage + "\")");
  }
}

PosixNameLookup::~PosixNameLookup() = default;

std::string PosixNameLookup::DisplayText(std::string_view ansi) {
  if (IsValidUtf8(ansi)) return std::string(ansi);
  return *converter_->ToUtf8(ansi, Undefined::kMark);
}

std::string PosixNameLookup::Resolve(const std::string& path, Purpose purpose) {
  std::string native = path;
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  if (native.empty() || Exists(native)) return native;

  // Nearly always the folder exists exactly and only the last name needs
  // looking up (a new temporary file, a form named in another case).
  const size_t last_slash = native.find_last_of('/');
  const std::string_view last = last_slash == std::string::npos
                                    ? std::string_view(native)
                                    : std::string_view(native).substr(last_slash + 1);
  if (!last.empty() && last != "." && last != "..") {
    const std::string folder = FolderKey(native, last_slash);
    struct stat folder_stat;
    if (::stat(folder.c_str(), &folder_stat) == 0 && S_ISDIR(folder_stat.st_mode)) {
      std::optional<std::string> found = FindInFolder(folder, folder_stat, std::string(last));
      if (!found) found = NewName(last, purpose);
      native.replace(native.size() - last.size(), last.size(), *found);
      return native;
    }
  }

  std::string result;
  size_t start = 0;
  while (start < native.size() && native[start] == '/') ++start;
  result.assign(native, 0, start);
  bool found_so_far = true;
  while (start < native.size()) {
    size_t slash = native.find('/', start);
    if (slash == std::string::npos) slash = native.size();
    std::string component = native.substr(start, slash - start);
    if (!component.empty() && component != "." && component != "..") {
      std::optional<std::string> found;
      // Once a component names nothing, nothing further down can exist;
      // the operation creates the next level or reports what is missing.
      if (found_so_far && !Exists(result + component)) {
        found = FindInFolder(result.empty() ? "." : result, component);
        found_so_far = found.has_value();
      }
      if (found) {
        component = std::move(*found);
      } else if (!found_so_far) {
        component = NewName(component, purpose);
      }
    }
    result += component;
    if (slash < native.size()) result += '/';
    start = slash + 1;
  }
  return result;
}

// The name on disk for a component that names nothing yet: as it is when
// it is ASCII or valid UTF-8 already (the rule of DisplayText), else
// converted from the code page, which is how Wine names every file a
// Windows program creates. A name that does not convert cannot be
// created: 52 "Dateiname oder -nummer falsch" rather than a name that is
// not UTF-8. For a look-up it stays as it is, and names nothing.
std::string PosixNameLookup::NewName(std::string_view component, Purpose purpose) {
  if (IsValidUtf8(component)) return std::string(component);
  std::optional<std::string> utf8 = converter_->ToUtf8(component, Undefined::kAsWindows);
  if (utf8) return std::move(*utf8);
  if (purpose == Purpose::kCreate) throw MakeError(err::kBadFileNameOrNumber);
  return std::string(component);
}

// ------------------------------------------------------ folder listings ---
//
// A look-up that lists a folder for every new file is quadratic over a run
// (each form's temporary file and backup copy go into folders that hold
// thousands of files). So each folder's entries are kept, indexed by their
// folded names, and reused while the folder is unchanged: the same device,
// inode and modification time to the nanosecond. Our own changes are
// applied to the listing as they are made, together with the folder's new
// time, so they do not throw it away; a change by anyone else does.
//
// Every change to a folder sets its time, but that only tells changes
// apart when the next one cannot get the same time. Since 6.13 Linux gives
// a change on ext4, XFS, Btrfs and tmpfs a later time than any time read
// before it (and each validation reads it). Elsewhere times come from the
// clock tick, or are whole seconds: there a listing whose time is still
// the current tick, or a whole second of the last two, is used once and
// then read again.

// False when a later change could give the folder this same time again:
// on a file system without fine change times, while modified is still the
// current clock tick; anywhere, for a whole second (a file system that
// keeps no finer times) of the last two.
bool PosixNameLookup::FolderListing::LaterChangesShow() const {
  struct timespec now;
  if (::clock_gettime(CLOCK_REALTIME_COARSE, &now) != 0) return false;
  if (modified.tv_nsec == 0) return now.tv_sec > modified.tv_sec + 2;
  if (fine_times) return true;
  return modified.tv_sec != now.tv_sec || modified.tv_nsec != now.tv_nsec;
}

bool PosixNameLookup::FolderListing::Shows(const struct stat& st) const {
  return reusable && device == st.st_dev && inode == st.st_ino &&
         modified.tv_sec == st.st_mtim.tv_sec && modified.tv_nsec == st.st_mtim.tv_nsec;
}

// Whether a change to folder gets a later time than any read before it:
// the kernel does so for the file systems that opted in.
bool PosixNameLookup::FineChangeTimes(const std::string& folder) const {
#ifdef __linux__
  if (!kernel_fine_times_) return false;
  struct statfs info;
  if (::statfs(folder.c_str(), &info) != 0) return false;
  switch (static_cast<unsigned long>(info.f_type)) {
    case 0xEF53:      // ext2/3/4
    case 0x58465342:  // XFS
    case 0x9123683E:  // Btrfs
    case 0x01021994:  // tmpfs
      return true;
    default:
      return false;
  }
#else
  (void)folder;
  return false;
#endif
}

// The folded form of a name on disk; nullopt when it is neither UTF-8 nor
// text of the projects' code page, so that nothing can match it.
std::optional<std::string> PosixNameLookup::FoldedEntry(std::string_view entry_name) {
  if (IsValidUtf8(entry_name)) return FoldCaseUtf8(entry_name);
  // A name written by a tool that kept the ANSI bytes.
  std::optional<std::string> entry_utf8 = converter_->ToUtf8(entry_name, Undefined::kAsWindows);
  if (!entry_utf8) return std::nullopt;
  return FoldCaseUtf8(*entry_utf8);
}

void PosixNameLookup::AddName(FolderListing& listing, std::string_view entry_name) {
  std::optional<std::string> folded = FoldedEntry(entry_name);
  if (!folded) return;
  std::vector<std::string>& same = listing.names[*folded];
  for (const std::string& known : same) {
    if (known == entry_name) return;
  }
  same.emplace_back(entry_name);
}

void PosixNameLookup::RemoveName(FolderListing& listing, std::string_view entry_name) {
  std::optional<std::string> folded = FoldedEntry(entry_name);
  if (!folded) return;
  auto it = listing.names.find(*folded);
  if (it == listing.names.end()) return;
  std::vector<std::string>& same = it->second;
  for (size_t i = 0; i < same.size(); ++i) {
    if (same[i] == entry_name) {
      same.erase(same.begin() + static_cast<std::ptrdiff_t>(i));
      break;
    }
  }
  if (same.empty()) listing.names.erase(it);
}

// The listing of folder as folder_stat (taken just now) shows it, read
// again when the one kept is out of date; nullptr when it cannot be read.
PosixNameLookup::FolderListing* PosixNameLookup::ListingOf(const std::string& folder,
                                                           const struct stat& folder_stat) {
  auto it = listings_.find(folder);
  if (it != listings_.end() && it->second.Shows(folder_stat)) return &it->second;
  if (it == listings_.end()) {
    if (listings_.size() >= kMaxListings) listings_.clear();
    it = listings_.emplace(folder, FolderListing()).first;
  }
  FolderListing& listing = it->second;
  listing.names.clear();
  // The time is the one taken before the reading: a change while it reads
  // leaves a newer time on the folder, so the listing is read again later.
  listing.device = folder_stat.st_dev;
  listing.inode = folder_stat.st_ino;
  listing.modified = folder_stat.st_mtim;
  listing.reusable = false;
  listing.fine_times = FineChangeTimes(folder);
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
  if (!dir) {
    listings_.erase(it);
    return nullptr;
  }
  for (;;) {
    errno = 0;
    struct dirent* entry = ::readdir(dir.get());
    if (!entry) {
      listing.reusable = errno == 0 && listing.LaterChangesShow();
      break;
    }
    std::string_view entry_name = entry->d_name;
    if (entry_name == "." || entry_name == "..") continue;
    AddName(listing, entry_name);
  }
  return &listing;
}

// The entry of folder that Windows would open for name: one whose name,
// converted to UTF-8, equals name's ANSI bytes converted to UTF-8 (or
// name as it is, when that is UTF-8 already) ignoring letter case. An
// entry that equals exactly comes first; among the others, the smallest.
std::optional<std::string> PosixNameLookup::FindInFolder(const std::string& folder,
                                                         const struct stat& folder_stat,
                                                         const std::string& name) {
  FolderListing* listing = ListingOf(folder, folder_stat);
  if (!listing) return std::nullopt;
  std::optional<std::string> converted = converter_->ToUtf8(name, Undefined::kAsWindows);
  std::optional<std::string> best;
  auto consider = [&](const std::string& folded) {
    auto it = listing->names.find(folded);
    if (it == listing->names.end()) return false;
    for (const std::string& entry_name : it->second) {
      if (converted && entry_name == *converted) {
        best = entry_name;
        return true;
      }
      if (!best || entry_name < *best) best = entry_name;
    }
    return false;
  };
  if (converted && consider(FoldCaseUtf8(*converted))) return best;
  if (IsValidUtf8(name)) consider(FoldCaseUtf8(name));
  return best;
}

std::optional<std::string> PosixNameLookup::FindInFolder(const std::string& folder,
                                                         const std::string& name) {
  std::string key = FolderKey(folder + "/", folder.size());
  struct stat folder_stat;
  if (::stat(key.c_str(), &folder_stat) != 0 || !S_ISDIR(folder_stat.st_mode)) {
    return std::nullopt;
  }
  return FindInFolder(key, folder_stat, name);
}

// ---------------------------------------------------------- own changes ---

PosixNameLookup::OwnChange::OwnChange(PosixNameLookup& lookup, const std::string& native)
    : lookup_(lookup) {
  const size_t slash = native.find_last_of('/');
  folder_ = FolderKey(native, slash);
  name_ = slash == std::string::npos ? native : native.substr(slash + 1);
  auto it = lookup_.listings_.find(folder_);
  if (it == lookup_.listings_.end()) return;
  struct stat st;
  if (::stat(folder_.c_str(), &st) == 0 && it->second.Shows(st)) {
    up_to_date_ = true;
  } else {
    lookup_.listings_.erase(it);
  }
}

void PosixNameLookup::OwnChange::Apply(bool added) {
  if (!up_to_date_) return;
  up_to_date_ = false;
  auto it = lookup_.listings_.find(folder_);
  if (it == lookup_.listings_.end()) return;
  struct stat st;
  if (::stat(folder_.c_str(), &st) != 0 || st.st_dev != it->second.device ||
      st.st_ino != it->second.inode) {
    lookup_.listings_.erase(it);
    return;
  }
  if (added) {
    lookup_.AddName(it->second, name_);
  } else {
    lookup_.RemoveName(it->second, name_);
  }
  it->second.modified = st.st_mtim;
  it->second.reusable = it->second.LaterChangesShow();
}

}  // namespace xpconv
