// What a caller may learn about a batch run while it happens: which entry is
// being converted, what became of it, whether the project file got the
// library line, and an error that ended the run. The console program builds
// its preview and its reports on it; the wizard passes none.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace xpconv {

class RewriteLog;
class VbError;

// What one form job did. replaced counts the replaced control headers per
// kind (indexed like ControlKind), nested ones included.
struct FormJobDetails {
  int32_t result = 0;  // kFormUnchanged, kFormConverted or kFormFailed
  std::array<int32_t, 4> replaced{};
  // True once the converted text has taken the form's place (also when an
  // abort raised afterwards makes the job report 2).
  bool form_replaced = false;
  // The error the job reported; 0 when there was none (also after an abort).
  int32_t error_number = 0;
  std::string error_text;
};

class RunObserver {
 public:
  RunObserver() = default;
  RunObserver(const RunObserver&) = delete;
  RunObserver& operator=(const RunObserver&) = delete;
  virtual ~RunObserver() = default;

  // The project file has been handled: added tells whether the library line
  // was written; backup_folder is where its copy went ("" without backups).
  virtual void ProjectFileDone(bool added, const std::string& backup_folder) = 0;
  // Entry index (0-based, as the host numbers them) resolved to form_path.
  virtual void EntryStarted(int16_t index, const std::string& form_path) = 0;
  // The entry's job has ended; backup_folder is where the form was copied
  // before it ("" when no copy was made).
  virtual void EntryDone(int16_t index, const FormJobDetails& details,
                         const std::string& backup_folder) = 0;
  // Asked as a form job starts on the form at form_path (links followed): a
  // log the job's rewriter tells what it does with each line, or null. It
  // must live until the job has ended.
  virtual RewriteLog* RewriteLogFor(const std::string& form_path) {
    static_cast<void>(form_path);
    return nullptr;
  }
  // Asked as the code check's mend starts on the module at module_path
  // (links followed): a log the mend tells what it does with each line (a
  // mended line is one removed and one added), or null. It must live until
  // MendDone.
  virtual RewriteLog* MendLogFor(const std::string& module_path) {
    static_cast<void>(module_path);
    return nullptr;
  }
  // That mend has ended; replaced tells whether its text took the module's
  // place.
  virtual void MendDone(bool replaced) { static_cast<void>(replaced); }
  // An error the run trapped outside the form job (the project file, a
  // backup copy) and showed to the user, or ProjectBusyError() when another
  // command holds the project; the run ends with it.
  virtual void RunFailed(const VbError& error) = 0;
  // The run is about to show an error in a box of its own ("Fehler: " and
  // the number, then the text; msg::ErrorPrompt): the error of the form job
  // on the entry EntryStarted named (its EntryDone follows), or the one
  // RunFailed has just told. Every other box of the run (a question, the
  // summary, the message for a project another command holds) comes
  // without it.
  virtual void ShowingError(int32_t number, const std::string& text) {
    static_cast<void>(number);
    static_cast<void>(text);
  }
};

// An observer that passes everything on to another one. One that adds to a
// few of the calls (the programs' previews, say) derives from it and
// overrides those alone, calling the base.
class ForwardingObserver : public RunObserver {
 public:
  // inner must outlive this object.
  explicit ForwardingObserver(RunObserver& inner) : inner_(inner) {}

  void ProjectFileDone(bool added, const std::string& backup_folder) override {
    inner_.ProjectFileDone(added, backup_folder);
  }
  void EntryStarted(int16_t index, const std::string& form_path) override {
    inner_.EntryStarted(index, form_path);
  }
  void EntryDone(int16_t index, const FormJobDetails& details,
                 const std::string& backup_folder) override {
    inner_.EntryDone(index, details, backup_folder);
  }
  RewriteLog* RewriteLogFor(const std::string& form_path) override {
    return inner_.RewriteLogFor(form_path);
  }
  RewriteLog* MendLogFor(const std::string& module_path) override {
    return inner_.MendLogFor(module_path);
  }
  void MendDone(bool replaced) override { inner_.MendDone(replaced); }
  void RunFailed(const VbError& error) override { inner_.RunFailed(error); }
  void ShowingError(int32_t number, const std::string& text) override {
    inner_.ShowingError(number, text);
  }

 private:
  RunObserver& inner_;
};

}  // namespace xpconv
