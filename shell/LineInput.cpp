#include "LineInput.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#ifdef IE_HAVE_LIBEDIT
#include <editline/readline.h>
#endif

namespace ie {

TLineInput::TLineInput(bool Editing, const volatile sig_atomic_t& Interrupted)
    : FEditing(Editing), FInterrupted(Interrupted) {
#ifndef IE_HAVE_LIBEDIT
  FEditing = false;
#endif
}

TReadResult TLineInput::Read(const std::string& Prompt, std::string& Line) {
  std::fflush(stdout);
#ifdef IE_HAVE_LIBEDIT
  if (FEditing) {
    errno = 0;
    char* Text = readline(Prompt.c_str());
    if (Text == nullptr) return errno == EINTR ? rrInterrupted : rrEnd;
    Line = Text;
    std::free(Text);
    if (!Line.empty()) add_history(Line.c_str());
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
    if (!WaitForInput()) {
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

// SIGINT stays blocked from the look at the flag until ppoll waits, so a
// Ctrl-C that comes between the two still ends the wait.
bool TLineInput::WaitForInput() {
  sigset_t Interrupt;
  sigset_t Former;
  sigemptyset(&Interrupt);
  sigaddset(&Interrupt, SIGINT);
  sigprocmask(SIG_BLOCK, &Interrupt, &Former);
  int Ready = 0;
  if (FInterrupted == 0) {
    pollfd Input{STDIN_FILENO, POLLIN, 0};
    Ready = ppoll(&Input, 1, nullptr, &Former);
  }
  sigprocmask(SIG_SETMASK, &Former, nullptr);
  return FInterrupted == 0 && (Ready > 0 || errno != EINTR);
}

}  // namespace ie
