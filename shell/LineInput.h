// The shell's standard input, one line at a time. On a terminal it edits
// lines, keeps a history in a file and completes words on Tab through
// libedit when the shell was built with it; otherwise, and always for a
// pipe or a file, it reads plain lines.
//
// A read interrupted by a signal (Ctrl-C) returns rrInterrupted and drops
// the part of a line read so far. Lines are counted from 1 in the order
// they are read, whoever asks for them: the shell's reader or the rules'
// read and readline. Used by one thread.
#pragma once

#include <csignal>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ie {

enum TReadResult : uint8_t { rrLine, rrEnd, rrInterrupted };

class TLineInput {
 public:
  // Interrupted is the flag the SIGINT handler sets; a read started while
  // it is set returns rrInterrupted at once.
  TLineInput(bool Editing, const volatile sig_atomic_t& Interrupted);
  TLineInput(const TLineInput&) = delete;
  TLineInput& operator=(const TLineInput&) = delete;

  // Shows Prompt (when not empty) and reads the next line into Line,
  // without its line end.
  TReadResult Read(const std::string& Prompt, std::string& Line);
  int32_t GetLineNumber() const { return FLineNumber; }

  using TCompleter = std::function<std::vector<std::string>(const std::string& Prefix)>;
  // While editing: reads the history kept in FileName (none when empty)
  // and offers Completer's words on Tab.
  void StartEditing(const std::string& FileName, TCompleter Completer);
  // One history entry, saved at once; Entry may span several lines.
  void AddHistory(const std::string& Entry);

 private:
  TReadResult ReadPlain(std::string& Line);

  bool FEditing;
  const volatile sig_atomic_t& FInterrupted;
  bool FAtEnd = false;
  int32_t FLineNumber = 0;
  std::string FPending;
  std::string FHistoryFile;
};

}  // namespace ie
