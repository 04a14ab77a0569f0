#include "cli/console_host.h"

#include <algorithm>
#include <cctype>
#include <istream>
#include <ostream>
#include <utility>

#include "engine/messages.h"
#include "engine/paths.h"

namespace xpconv::cli {
namespace {

constexpr size_t kBarWidth = 20;
constexpr size_t kMaxFileColumns = 32;

// Columns a UTF-8 text takes, counting each code point as one.
size_t Columns(const std::string& text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// Keeps the end of a long name (the part that tells files apart), cut at a
// code point boundary.
std::string FitColumns(const std::string& text, size_t columns) {
  if (Columns(text) <= columns) return text;
  size_t start = text.size();
  size_t kept = 0;
  while (start > 0 && kept < columns - 3) {
    --start;
    if ((static_cast<unsigned char>(text[start]) & 0xC0) != 0x80) ++kept;
  }
  std::string fitted = "...";
  fitted.append(text, start);
  return fitted;
}

std::string Bar(int64_t value, int64_t max) {
  size_t filled = 0;
  if (max > 0) {
    const int64_t clamped = std::clamp<int64_t>(value, 0, max);
    filled = static_cast<size_t>(clamped * static_cast<int64_t>(kBarWidth) / max);
  }
  std::string bar;
  bar.reserve(kBarWidth + 2);
  bar += '[';
  bar.append(filled, '#');
  bar.append(kBarWidth - filled, '-');
  bar += ']';
  return bar;
}

// Message boxes break lines with CR LF; the terminal wants plain newlines.
std::string TerminalLines(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string Trimmed(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  return AsciiLower(std::string_view(text).substr(begin, end - begin));
}

const char* AnswerName(int32_t answer) {
  switch (answer) {
    case mb::kAnswerYes:
      return "Ja";
    case mb::kAnswerNo:
      return "Nein";
    case mb::kAnswerCancel:
      return "Abbrechen";
    default:
      return "OK";
  }
}

}  // namespace

std::string RenderProgressLine(const ProgressView& view) {
  std::string line;
  if (view.with_total) {
    line += view.count_caption;
    line += ' ';
    line += Bar(view.total_bar, view.total_bar_max);
    line += "  ";
  }
  line += FitColumns(view.file_caption, kMaxFileColumns);
  line += ' ';
  line += Bar(view.file_bar, 100);
  const std::string number = std::to_string(std::clamp(view.file_bar, 0, 100));
  line.append(5 - number.size(), ' ');
  line += number;
  line += " %";
  return line;
}

ConsoleHost::ConsoleHost(ConsoleSettings settings, std::istream& in, std::ostream& out,
                         std::ostream& err, Terminal& terminal, AbortFlag& abort)
    : settings_(std::move(settings)),
      in_(in),
      out_(out),
      err_(err),
      terminal_(terminal),
      abort_(abort),
      draw_progress_(terminal.ErrorIsTerminal()) {
  settings_.selected.resize(settings_.entries.size(), false);
}

ConsoleHost::~ConsoleHost() {
  ClearProgressLine();
}

void ConsoleHost::ShowFileProgressOnly() {
  view_ = ProgressView{};
  view_.with_total = false;
  progress_shown_ = true;
}

void ConsoleHost::ClearProgressLine() {
  if (drawn_width_ == 0) return;
  err_ << '\r' << std::string(drawn_width_, ' ') << '\r' << std::flush;
  drawn_width_ = 0;
}

void ConsoleHost::Redraw() {
  if (!draw_progress_ || !progress_shown_) return;
  const std::string line = RenderProgressLine(view_);
  const size_t width = Columns(line);
  err_ << '\r' << line;
  // A shorter line must wipe what is left of the longer one before it.
  if (width < drawn_width_) err_ << std::string(drawn_width_ - width, ' ');
  err_ << std::flush;
  drawn_width_ = std::max(width, drawn_width_);
}

std::string ConsoleHost::ProjectPath() {
  return settings_.project_path;
}
std::string ConsoleHost::ProjectFolder() {
  return settings_.project_folder;
}

int32_t ConsoleHost::EntryCount() {
  return static_cast<int32_t>(settings_.entries.size());
}

int32_t ConsoleHost::SelectedCount() {
  return static_cast<int32_t>(
      std::count(settings_.selected.begin(), settings_.selected.end(), true));
}

bool ConsoleHost::IsEntrySelected(int16_t index) {
  return index >= 0 && static_cast<size_t>(index) < settings_.selected.size() &&
         settings_.selected[static_cast<size_t>(index)];
}

std::string ConsoleHost::EntryText(int16_t index) {
  if (index < 0 || static_cast<size_t>(index) >= settings_.entries.size()) return {};
  return settings_.entries[static_cast<size_t>(index)];
}

int32_t ConsoleHost::BackupOption() {
  return settings_.backup;
}
void ConsoleHost::SwitchBackupOn() {
  settings_.backup = 1;
}

// A console has nothing to disable: no second run can start while this one
// holds the process.
void ConsoleHost::SetWizardEnabled(bool) {}

int32_t ConsoleHost::ReplaceOption(int16_t kind) {
  if (kind < 0 || kind > 3) return 0;
  return settings_.replace[static_cast<size_t>(kind)];
}

int32_t ConsoleHost::XPStyleOption() {
  return settings_.xp_style;
}

void ConsoleHost::LoadProgress() {
  ClearProgressLine();
  view_ = ProgressView{};
  progress_shown_ = false;
}

void ConsoleHost::SetCountCaption(const std::string& text) {
  if (text == view_.count_caption) return;
  view_.count_caption = text;
  Redraw();
}

void ConsoleHost::SetFileCaption(const std::string& text) {
  if (text == view_.file_caption) return;
  view_.file_caption = text;
  Redraw();
}

void ConsoleHost::SetFileBar(int32_t value) {
  if (value == view_.file_bar) return;
  view_.file_bar = value;
  Redraw();
}

void ConsoleHost::SetTotalBar(int32_t value) {
  if (value == view_.total_bar) return;
  view_.total_bar = value;
  Redraw();
}

void ConsoleHost::SetTotalBarMax(int32_t value) {
  if (value == view_.total_bar_max) return;
  view_.total_bar_max = value;
  Redraw();
}

void ConsoleHost::ShowProgress() {
  progress_shown_ = true;
  Redraw();
}

void ConsoleHost::UnloadProgress() {
  ClearProgressLine();
  progress_shown_ = false;
}

int32_t ConsoleHost::ShowMessage(const std::string& prompt, int32_t buttons,
                                 const std::string& title) {
  // The low bits choose the buttons: 3 Ja/Nein/Abbrechen, 4 Ja/Nein. Every
  // other box of ours has a single OK button.
  const int32_t button_set = buttons & 0xF;
  if (button_set == 3 || button_set == 4) return Ask(prompt, buttons, title, false);

  ClearProgressLine();
  const bool summary = (buttons & 0x70) == mb::kOkInformation;
  std::ostream& stream = summary && !settings_.reports_to_stderr ? out_ : err_;
  if (!title.empty()) stream << title << '\n';
  stream << TerminalLines(prompt) << '\n' << std::flush;
  if (summary) summary_reported_ = true;
  Redraw();
  return mb::kAnswerOk;
}

void ConsoleHost::PumpMessages() {
  if (!terminal_.TakeInterrupt()) return;
  const int32_t answer = Ask(msg::kAbortPrompt, mb::kYesNoQuestion, msg::kAbortTitle, true);
  if (answer == mb::kAnswerYes) {
    abort_.Raise();
    user_aborted_ = true;
  }
}

int32_t ConsoleHost::Ask(const std::string& prompt, int32_t buttons, const std::string& title,
                         bool abort_question) {
  const bool has_cancel = (buttons & 0xF) == 3;
  const char* choices = has_cancel ? "[j]a / [n]ein / [a]bbrechen? " : "[j]a / [n]ein? ";
  ClearProgressLine();
  if (!title.empty()) err_ << title << '\n';
  err_ << TerminalLines(prompt) << '\n' << choices;

  int32_t answer = TakeScriptedAnswer(has_cancel);
  const char* source = answer == 0 ? nullptr : settings_.yes ? "--yes" : "--answer";
  if (answer == 0 && terminal_.InputIsTerminal()) {
    answer = AnswerFromTerminal(has_cancel, abort_question);
  }

  if (answer == 0) {
    answer = has_cancel ? mb::kAnswerCancel : mb::kAnswerNo;
    err_ << AnswerName(answer) << '\n'
         << "xpconvert: keine Antwort von der Konsole, daher \"" << AnswerName(answer)
         << "\"; beantworten mit --yes oder --answer ja|nein" << (has_cancel ? "|abbrechen" : "")
         << '\n';
  } else if (source != nullptr) {
    err_ << AnswerName(answer) << " (" << source << ")\n";
  }
  err_ << std::flush;
  Redraw();
  return answer;
}

int32_t ConsoleHost::TakeScriptedAnswer(bool has_cancel) {
  if (settings_.yes) return mb::kAnswerYes;
  if (settings_.answers.empty()) return 0;
  const Answer scripted = settings_.answers.front();
  settings_.answers.pop_front();
  if (scripted == Answer::kYes) return mb::kAnswerYes;
  if (scripted == Answer::kCancel && has_cancel) return mb::kAnswerCancel;
  // A Ja/Nein box cannot be cancelled; Nein is the answer that lets nothing
  // further happen.
  return mb::kAnswerNo;
}

std::deque<Answer> ConsoleHost::TakeRemainingAnswers() {
  return std::exchange(settings_.answers, {});
}

// 0 when the input ended before an answer came.
int32_t ConsoleHost::AnswerFromTerminal(bool has_cancel, bool abort_question) {
  std::string line;
  while (std::getline(in_, line)) {
    const std::string word = Trimmed(line);
    if (word == "j" || word == "ja") return mb::kAnswerYes;
    // The abort question goes on with anything but a Ja, like the window's
    // question does with anything but its Ja button.
    if (abort_question) return mb::kAnswerNo;
    if (word == "n" || word == "nein") return mb::kAnswerNo;
    if (has_cancel && (word == "a" || word == "abbrechen")) return mb::kAnswerCancel;
    err_ << (has_cancel ? "Bitte j, n oder a eingeben: " : "Bitte j oder n eingeben: ")
         << std::flush;
  }
  // Without this a later question would read nothing but a failed stream.
  in_.clear();
  return 0;
}

}  // namespace xpconv::cli
