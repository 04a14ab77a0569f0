#include "tests/support/faulty_file_system.h"

#include <utility>

#include "engine/error.h"

namespace xpconv::testing {

namespace {

// The files hand every call to the real file after counting it. They refer
// to the FaultyFileSystem that opened them, which must outlive them.
class FaultyInputFile final : public InputFile {
 public:
  FaultyInputFile(FaultyFileSystem& owner, std::unique_ptr<InputFile> inner)
      : owner_(owner), inner_(std::move(inner)) {}

  std::string ReadLine() override {
    owner_.Count("ReadLine");
    return inner_->ReadLine();
  }
  // The same operation as ReadLine, only with the caller's buffer: counted
  // under that name so that a failure injected at the n-th line read means
  // the same whichever of the two the engine calls.
  void ReadLineInto(std::string& line) override {
    owner_.Count("ReadLine");
    inner_->ReadLineInto(line);
  }
  bool ReadLinePiece(std::string& part, size_t limit) override {
    owner_.Count("ReadLine");
    return inner_->ReadLinePiece(part, limit);
  }
  // Touches no file, like ToDisplayText: not counted.
  LineEnd LastLineEnd() const override { return inner_->LastLineEnd(); }
  bool AtEnd() override {
    owner_.Count("AtEnd");
    return inner_->AtEnd();
  }
  int64_t Position() override {
    owner_.Count("Position");
    return inner_->Position();
  }
  int64_t Length() override {
    owner_.Count("Length");
    return inner_->Length();
  }
  std::string ReadAll() override {
    owner_.Count("ReadAll");
    return inner_->ReadAll();
  }
  void Close() override {
    owner_.Count("Close");
    inner_->Close();
  }

 private:
  FaultyFileSystem& owner_;
  std::unique_ptr<InputFile> inner_;
};

class FaultyOutputFile final : public OutputFile {
 public:
  FaultyOutputFile(FaultyFileSystem& owner, std::unique_ptr<OutputFile> inner)
      : owner_(owner), inner_(std::move(inner)) {}

  void WriteLine(std::string_view line) override {
    owner_.Count("WriteLine");
    inner_->WriteLine(line);
  }
  void Write(std::string_view bytes) override {
    owner_.Count("Write");
    inner_->Write(bytes);
  }
  void Close() override {
    owner_.Count("Close");
    inner_->Close();
  }

 private:
  FaultyFileSystem& owner_;
  std::unique_ptr<OutputFile> inner_;
};

}  // namespace

FaultyFileSystem::FaultyFileSystem() : owned_(MakeNativeFileSystem()), inner_(*owned_) {}

FaultyFileSystem::FaultyFileSystem(FileSystem& inner) : inner_(inner) {}

FaultyFileSystem::~FaultyFileSystem() = default;

void FaultyFileSystem::FailAt(int n, int32_t error_number) {
  fail_at_ = n > 0 ? n : 0;
  error_number_ = error_number;
  failed_ = false;
}

void FaultyFileSystem::Reset() {
  count_ = 0;
  fail_at_ = 0;
  failed_ = false;
  log_.clear();
}

std::vector<std::string> FaultyFileSystem::log() const {
  return std::vector<std::string>(log_.begin(), log_.end());
}

void FaultyFileSystem::Count(const char* operation) {
  ++count_;
  log_.push_back(operation);
  if (count_ == fail_at_) {
    failed_ = true;
    std::string description = StandardDescription(error_number_);
    if (description.empty()) description = "Injected failure";
    throw VbError(error_number_, std::move(description));
  }
}

std::unique_ptr<InputFile> FaultyFileSystem::OpenInput(const std::string& path) {
  Count("OpenInput");
  return std::make_unique<FaultyInputFile>(*this, inner_.OpenInput(path));
}

std::unique_ptr<OutputFile> FaultyFileSystem::OpenOutput(const std::string& path) {
  Count("OpenOutput");
  return std::make_unique<FaultyOutputFile>(*this, inner_.OpenOutput(path));
}

int64_t FaultyFileSystem::FileLength(const std::string& path) {
  Count("FileLength");
  return inner_.FileLength(path);
}

void FaultyFileSystem::Remove(const std::string& path) {
  Count("Remove");
  inner_.Remove(path);
}

void FaultyFileSystem::CopyOver(const std::string& source, const std::string& target) {
  Count("CopyOver");
  inner_.CopyOver(source, target);
}

void FaultyFileSystem::Replace(const std::string& source, const std::string& target) {
  Count("Replace");
  inner_.Replace(source, target);
}

void FaultyFileSystem::CreateFolder(const std::string& path) {
  Count("CreateFolder");
  inner_.CreateFolder(path);
}

std::optional<std::string> FaultyFileSystem::FirstPlainFile(const std::string& folder) {
  Count("FirstPlainFile");
  return inner_.FirstPlainFile(folder);
}

std::string FaultyFileSystem::ToDisplayText(std::string_view ansi) {
  return inner_.ToDisplayText(ansi);
}

std::string FaultyFileSystem::FinalPath(const std::string& path) {
  Count("FinalPath");
  return inner_.FinalPath(path);
}

std::unique_ptr<RunLock> FaultyFileSystem::LockRun(const std::string& path) {
  Count("LockRun");
  return inner_.LockRun(path);
}

}  // namespace xpconv::testing
