#include "engine/file_helpers.h"

#include <exception>
#include <memory>

namespace xpconv {
namespace {

// Makes temp through make, which sets made once temp exists, and renames it
// over target. On a failure temp goes again where it was made, and with
// probe_failed_make also where a failed make may have left part of it;
// quietly, since the error that brought us here is the one to report.
template <typename Make>
void ReplaceThroughTemporary(FileSystem& fs, const std::string& temp, const std::string& target,
                             bool probe_failed_make, Make make) {
  bool made = false;
  try {
    make(made);
    fs.Replace(temp, target);
  } catch (...) {
    try {
      if (made || (probe_failed_make && FileExists(fs, temp))) fs.Remove(temp);
    } catch (...) {
    }
    throw;
  }
}

}  // namespace

bool FileExists(FileSystem& fs, const std::string& path) {
  try {
    fs.FileLength(path);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

std::string ReadWholeFile(FileSystem& fs, const std::string& path) {
  std::unique_ptr<InputFile> in = fs.OpenInput(path);
  std::string bytes = in->ReadAll();
  in->Close();
  return bytes;
}

std::optional<std::string> ReadFileIfThere(FileSystem& fs, const std::string& path) {
  if (!FileExists(fs, path)) return std::nullopt;
  return ReadWholeFile(fs, path);
}

void RemoveIfThere(FileSystem& fs, const std::string& path) {
  if (FileExists(fs, path)) fs.Remove(path);
}

void WriteAtomically(FileSystem& fs, const std::string& target, const std::string& temp,
                     std::string_view bytes) {
  WriteAtomically(fs, target, temp, [&](OutputFile& out) { out.Write(bytes); });
}

void WriteAtomically(FileSystem& fs, const std::string& target, const std::string& temp,
                     const std::function<void(OutputFile&)>& write) {
  ReplaceThroughTemporary(fs, temp, target, false, [&](bool& made) {
    std::unique_ptr<OutputFile> out = fs.OpenOutput(temp);
    made = true;
    write(*out);
    out->Close();
  });
}

void CopyAtomically(FileSystem& fs, const std::string& source, const std::string& target,
                    const std::string& temp) {
  ReplaceThroughTemporary(fs, temp, target, true, [&](bool& made) {
    fs.CopyOver(source, temp);
    made = true;
  });
}

}  // namespace xpconv
