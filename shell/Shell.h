// The command-line shell: reads the arguments, loads files, runs batch
// files and expressions, and reads expressions from standard input, all
// through the engine's public API.
//
// Printed output goes to standard output with "\n" line ends; errors go to
// standard error with the file name and line, and the shell reads on. The
// exit status is the worst failure seen: 0 none, 1 a parse or load error
// (or a wrong argument), 2 an error raised while running. Errors typed at
// a terminal do not count. (exit) leaves at once. Ctrl-C interrupts the
// engine: a run stops before its next firing, a loop at its next round.
// --max-firings and --timeout bound every run; a run that reaches a limit
// counts as an error raised while running. One shell per process, used by
// one thread (its signal handlers only set flags and interrupt the engine).
#pragma once

#include <cstdint>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <ie/ie.h>

#include "ExpressionBuffer.h"
#include "LineInput.h"

namespace ie {

enum TShellStatus : int { ssSuccess = 0, ssParseError = 1, ssRunError = 2 };

enum TShellActionKind : uint8_t { akLoad, akBatch, akEvaluate };

struct TShellAction {
  TShellActionKind Kind;
  std::string Argument;
};

struct TShellOptions {
  std::vector<TShellAction> Actions;
  bool Interactive = false;
  // The folder the file functions are confined to; empty for none.
  std::string Sandbox;
  // 0: no limit.
  int32_t MaxFirings = 0;
  // Seconds, as typed; empty: no limit.
  std::string Timeout;
  // The file the trace goes to; empty for none.
  std::string TraceFile;
  bool Help = false;
  bool Version = false;
};

// False with Error set for an unknown option or one missing its argument.
bool ParseShellArguments(int Argc, const char* const* Argv, TShellOptions& Options,
                         std::string& Error);
std::string ShellUsage();

class TShell {
 public:
  TShell();
  TShell(const TShell&) = delete;
  TShell& operator=(const TShell&) = delete;
  ~TShell();

  // Carries out Options in order; the exit status.
  int Execute(const TShellOptions& Options);
  std::string GetVersionText() const;

 private:
  void Load(const std::string& FileName);
  void Batch(const std::string& FileName);
  // Reads expressions from standard input until its end or (exit); with
  // Prompting, shows a prompt and drops what Ctrl-C interrupts.
  void ReadStandardInput(bool Prompting);
  // Parses and executes Text; errors are reported against Source.
  void Evaluate(const std::string& Source, int32_t Line, const std::string& Text, bool CountErrors);
  // Runs Action, reporting what it raises against Source and Line (the
  // first line of the text, 0 when unknown; a parse error then knows its
  // own). (exit) ends the shell.
  void Guard(const std::string& Source, int32_t Line, bool CountErrors,
             const std::function<void()>& Action);
  void Report(const std::string& Source, int32_t Line, const std::string& Message);
  // Names every rule and deffunction calling a function nobody defined,
  // on standard error, after FileName was read.
  void WarnUndefinedCalls(const std::string& FileName);
  // Report, and where a firing raised the error being handled.
  void ReportError(const std::string& Source, int32_t Line, const std::string& Message);
  void Fail(TShellStatus Status, bool CountErrors);
  void WriteOutput(const std::string& Text);
  void ReadAnswer(std::string& Text);
  void ReadToken(IStreamToken& Token);
  void StartRun();
  void CountFiring();
  void EndRun(int32_t RulesFired);
  // Reports what Ctrl-C or the timer stopped, in a firing when InFiring.
  void ReportStop(bool InFiring);
  void Stopped(const std::string& Cause, bool InFiring);
  void SetTimer(double Seconds);

  TInferenceEngine* FEngine;
  TLineInput FInput;
  TExpressionBuffer FBuffer;
  int FStatus = ssSuccess;
  bool FExited = false;
  int32_t FMaxFirings = 0;
  std::string FTimeout;
  std::ofstream FTrace;
  // The run in progress: fired so far (counted here, to halt at the limit).
  bool FRunning = false;
  int32_t FFired = 0;
  // A run stopped by a limit since the expression began.
  bool FLimitReached = false;
  bool FHeldCarriageReturn = false;
  bool FAtLineStart = true;
};

}  // namespace ie
