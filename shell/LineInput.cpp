#include "LineInput.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef IE_HAVE_LIBEDIT
#include <editline/readline.h>
#endif

namespace ie {
namespace {

// SIGINT stays blocked from the look at the flag until ppoll waits, so a
// Ctrl-C that comes between the two still ends the wait. False when Ctrl-C
// or another signal came before input did.
bool WaitForInput(const volatile sig_atomic_t& Interrupted) {
  sigset_t Interrupt;
  sigset_t Former;
  sigemptyset(&Interrupt);
  sigaddset(&Interrupt, SIGINT);
  sigprocmask(SIG_BLOCK, &Interrupt, &Former);
  int Ready = 0;
  if (Interrupted == 0) {
    pollfd Input{STDIN_FILENO, POLLIN, 0};
    Ready = ppoll(&Input, 1, nullptr, &Former);
  }
  sigprocmask(SIG_SETMASK, &Former, nullptr);
  return Interrupted == 0 && (Ready > 0 || errno != EINTR);
}

#ifdef IE_HAVE_LIBEDIT
// libedit calls back through plain functions; one input per process.
const volatile sig_atomic_t* GInterrupted = nullptr;
TLineInput::TCompleter GCompleter;
std::vector<std::string> GMatches;
size_t GNextMatch = 0;

extern "C" char* NextMatch(const char* Text, int State) {
  if (State == 0) {
    GMatches = GCompleter(Text);
    GNextMatch = 0;
  }
  if (GNextMatch >= GMatches.size()) return nullptr;
  return strdup(GMatches[GNextMatch++].c_str());
}

// libedit's reads: a Ctrl-C that comes after libedit showed its prompt but
// before it reads still ends the read (as the end of input, which Read
// tells apart by the flag). Other signals (a resized window) do not.
extern "C" int ReadKey(FILE*) {
  for (;;) {
    if (WaitForInput(*GInterrupted)) {
      unsigned char Key = 0;
      const ssize_t Count = ::read(STDIN_FILENO, &Key, 1);
      if (Count == 1) return Key;
      if (Count == 0 || errno != EINTR) return EOF;
    }
    if (*GInterrupted != 0) return EOF;
  }
}

// Words of the language only: never file names.
extern "C" char** Complete(const char* Text, int, int) {
  rl_attempted_completion_over = 1;
  return rl_completion_matches(Text, NextMatch);
}
#endif

// Entries kept in the history file.
constexpr int SHistorySize = 1000;

}  // namespace

TLineInput::TLineInput(bool Editing, const volatile sig_atomic_t& Interrupted)
    : FEditing(Editing), FInterrupted(Interrupted) {
#ifdef IE_HAVE_LIBEDIT
  GInterrupted = &FInterrupted;
  if (FEditing) rl_getc_function = ReadKey;
#else
  FEditing = false;
#endif
}

TReadResult TLineInput::Read(const std::string& Prompt, std::string& Line) {
  std::fflush(stdout);
#ifdef IE_HAVE_LIBEDIT
  if (FEditing) {
    errno = 0;
    char* Text = readline(Prompt.c_str());
    if (Text == nullptr) return FInterrupted != 0 || errno == EINTR ? rrInterrupted : rrEnd;
    Line = Text;
    std::free(Text);
    ++FLineNumber;
    return rrLine;
  }
#endif
  if (!Prompt.empty()) {
    std::fputs(Prompt.c_str(), stdout);
    std::fflush(stdout);
  }
  const TReadResult Result = ReadPlain(Line);
  if (Result == rrLine) ++FLineNumber;
  return Result;
}

void TLineInput::StartEditing(const std::string& FileName, TCompleter Completer) {
#ifdef IE_HAVE_LIBEDIT
  if (!FEditing) return;
  FHistoryFile = FileName;
  using_history();
  stifle_history(SHistorySize);
  if (!FHistoryFile.empty()) read_history(FHistoryFile.c_str());
  GCompleter = std::move(Completer);
  rl_readline_name = "ieshell";
  rl_basic_word_break_characters = " \t\n\"();";
  rl_attempted_completion_function = Complete;
#else
  (void)FileName;
  (void)Completer;
#endif
}

void TLineInput::AddHistory(const std::string& Entry) {
#ifdef IE_HAVE_LIBEDIT
  if (!FEditing) return;
  add_history(Entry.c_str());
  if (!FHistoryFile.empty()) write_history(FHistoryFile.c_str());
#else
  (void)Entry;
#endif
}

// Reads with read(2) rather than stdio so that a signal ends the wait.
TReadResult TLineInput::ReadPlain(std::string& Line) {
  for (;;) {
    const size_t End = FPending.find('\n');
    if (End != std::string::npos) {
      Line.assign(FPending, 0, End);
      FPending.erase(0, End + 1);
      if (!Line.empty() && Line.back() == '\r') Line.pop_back();
      return rrLine;
    }
    if (FAtEnd) {
      if (FPending.empty()) return rrEnd;
      Line.swap(FPending);
      FPending.clear();
      return rrLine;
    }
    if (!WaitForInput(FInterrupted)) {
      FPending.clear();
      return rrInterrupted;
    }
    char Chunk[4096];
    const ssize_t Count = ::read(STDIN_FILENO, Chunk, sizeof Chunk);
    if (Count > 0) {
      FPending.append(Chunk, static_cast<size_t>(Count));
    } else if (Count == 0) {
      FAtEnd = true;
    } else if (errno == EINTR) {
      FPending.clear();
      return rrInterrupted;
    } else {
      FAtEnd = true;
    }
  }
}

}  // namespace ie
