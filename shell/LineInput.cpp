#include "LineInput.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#ifdef IE_HAVE_LIBEDIT
#include <editline/readline.h>
#endif

namespace ie {

TLineInput::TLineInput(bool Editing) : FEditing(Editing) {
#ifndef IE_HAVE_LIBEDIT
  FEditing = false;
#endif
}

TReadResult TLineInput::Read(const std::string& Prompt, std::string& Line) {
  std::fflush(stdout);
#ifdef IE_HAVE_LIBEDIT
  if (FEditing) {
    char* Text = readline(Prompt.c_str());
    if (Text == nullptr) return rrEnd;
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
