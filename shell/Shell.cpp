#include "Shell.h"

#include "Completion.h"

#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <functional>

namespace ie {
namespace {

constexpr const char* SPrompt = "ie> ";
constexpr const char* SContinuationPrompt = "... ";
constexpr const char* SStandardInputName = "stdin";
constexpr const char* SExpressionName = "-e";
constexpr const char* SHistoryFileName = "/.ieshell_history";

// Set by the SIGINT and SIGALRM handlers, which interrupt the engine: a
// store to an atomic flag, safe in a handler. The one shell's engine.
volatile sig_atomic_t GInterrupted = 0;
volatile sig_atomic_t GTimedOut = 0;
TInferenceEngine* GEngine = nullptr;

extern "C" void OnInterrupt(int) {
  GInterrupted = 1;
  GEngine->Interrupt();
}

extern "C" void OnTimeout(int) {
  GTimedOut = 1;
  GEngine->Interrupt();
}

bool IsTerminal() { return ::isatty(STDIN_FILENO) == 1; }

// Messages may carry the engine's CR LF line ends.
std::string WithoutCarriageReturns(const std::string& Text) {
  std::string Result;
  Result.reserve(Text.size());
  for (const char C : Text) {
    if (C != '\r') Result += C;
  }
  return Result;
}

struct sigaction GFormerInterrupt;
struct sigaction GFormerTimeout;

// A positive whole number or decimal of seconds; at least one
// millisecond, which the timer can measure.
bool IsPositiveNumber(const std::string& Text, bool Whole) {
  if (Text.empty()) return false;
  char* End = nullptr;
  errno = 0;
  const double Value = std::strtod(Text.c_str(), &End);
  return *End == '\0' && errno == 0 && std::isfinite(Value) && Value >= 0.001 &&
         (!Whole || (Value == std::floor(Value) && Value <= 2147483647 &&
                     Text.find_first_not_of("0123456789") == std::string::npos));
}

}  // namespace

std::string ShellUsage() {
  return "usage: ieshell [-i] [--sandbox DIR] [--max-firings N] [--timeout SECONDS] [-f FILE]\n"
         "               [--trace FILE] [-e EXPR] [FILE...]\n"
         "Loads each FILE (its constructs are defined and its commands run), then exits.\n"
         "  -f FILE  runs FILE as a batch file, one line at a time; read and readline\n"
         "           take their answers from the lines that follow\n"
         "  -e EXPR  evaluates the expression EXPR and prints its value\n"
         "  -i       reads expressions from standard input after the files, with a prompt\n"
         "  --sandbox DIR\n"
         "           confines the file functions (open, load, save, batch, remove, ...)\n"
         "           to the folder DIR; relative names are taken from DIR\n"
         "  --max-firings N    stops every run once N rules fired\n"
         "  --timeout SECONDS  stops every run that lasts longer than SECONDS\n"
         "  --trace FILE       writes every assertion, retraction, activation, firing\n"
         "                     and run to FILE, one JSON object a line\n"
         "  -h       prints this help\n"
         "  -v       prints the version\n"
         "Files, batch files and expressions are taken in the order given. Without any,\n"
         "the shell is interactive when standard input is a terminal and otherwise reads\n"
         "a program from standard input. (exit) or the end of input leaves the shell;\n"
         "Ctrl-C stops a run before its next firing and a loop at its next round.\n"
         "Exit status: 0 success, 1 a parse or load error (or a wrong argument),\n"
         "2 an error raised while running or a run stopped by a limit.\n";
}

bool ParseShellArguments(int Argc, const char* const* Argv, TShellOptions& Options,
                         std::string& Error) {
  bool OptionsEnded = false;
  for (int I = 1; I < Argc; ++I) {
    const std::string Argument = Argv[I];
    if (OptionsEnded || Argument.empty() || Argument[0] != '-' || Argument == "-") {
      Options.Actions.push_back({akLoad, Argument});
    } else if (Argument == "--") {
      OptionsEnded = true;
    } else if (Argument == "-f" || Argument == "-e" || Argument == "--sandbox" ||
               Argument == "--trace") {
      if (I + 1 == Argc) {
        Error = "option " + Argument + " needs an argument";
        return false;
      }
      if (Argument == "--sandbox") {
        Options.Sandbox = Argv[++I];
        continue;
      }
      if (Argument == "--trace") {
        Options.TraceFile = Argv[++I];
        continue;
      }
      Options.Actions.push_back({Argument == "-f" ? akBatch : akEvaluate, Argv[++I]});
    } else if (Argument == "--max-firings" || Argument == "--timeout") {
      const bool Firings = Argument == "--max-firings";
      if (I + 1 == Argc || !IsPositiveNumber(Argv[I + 1], Firings)) {
        Error = "option " + Argument + " needs a positive " +
                (Firings ? "whole number" : "number of seconds");
        return false;
      }
      ++I;
      if (Firings) {
        Options.MaxFirings = static_cast<int32_t>(std::strtol(Argv[I], nullptr, 10));
      } else {
        Options.Timeout = Argv[I];
      }
    } else if (Argument == "-i") {
      Options.Interactive = true;
    } else if (Argument == "-h" || Argument == "--help") {
      Options.Help = true;
    } else if (Argument == "-v" || Argument == "--version") {
      Options.Version = true;
    } else {
      Error = "unknown option " + Argument;
      return false;
    }
  }
  return true;
}

TShell::TShell() : FEngine(Create<TInferenceEngine>(nullptr)), FInput(IsTerminal(), GInterrupted) {
  FEngine->SetOnPrintOut(
      [this](TObject*, const std::string&, const std::string& Text) { WriteOutput(Text); });
  FEngine->SetOnReadLine(
      [this](TObject*, const std::string&, std::string& Text) { ReadAnswer(Text); });
  FEngine->SetOnReadToken(
      [this](TObject*, const std::string&, IStreamToken& Token) { ReadToken(Token); });
  FEngine->SetOnStartInference([this](TObject*) { StartRun(); });
  FEngine->SetOnRuleFired([this](TObject*, TRule*) { CountFiring(); });
  FEngine->SetOnEndInference([this](TObject*, int32_t RulesFired) { EndRun(RulesFired); });
  GEngine = FEngine;
  // A file that load reads goes on past a broken construct and reports
  // every error at its end, so one bad rule loses nothing else.
  FEngine->SetCollectLoadErrors(true);
  // No SA_RESTART: Ctrl-C must end a wait for input.
  struct sigaction Action {};
  Action.sa_handler = OnInterrupt;
  sigemptyset(&Action.sa_mask);
  sigaction(SIGINT, &Action, &GFormerInterrupt);
  Action.sa_handler = OnTimeout;
  sigaction(SIGALRM, &Action, &GFormerTimeout);
}

TShell::~TShell() {
  SetTimer(0);
  sigaction(SIGALRM, &GFormerTimeout, nullptr);
  sigaction(SIGINT, &GFormerInterrupt, nullptr);
  GEngine = nullptr;
  FEngine->Free();
  std::fflush(stdout);
}

std::string TShell::GetVersionText() const {
  return Format("ieshell %s (inference engine %.4f)", IE_SHELL_VERSION,
                static_cast<double>(FEngine->GetVersion()));
}

int TShell::Execute(const TShellOptions& Options) {
  if (!Options.Sandbox.empty()) {
    try {
      FEngine->SetSandbox(Options.Sandbox);
    } catch (const std::exception& E) {
      Report("ieshell", 0, E.what());
      return ssParseError;
    }
  }
  if (!Options.TraceFile.empty()) {
    FTrace.open(Options.TraceFile, std::ios::out | std::ios::trunc);
    if (!FTrace) {
      Report("ieshell", 0,
             "cannot open the trace file " + Options.TraceFile + ": " + std::strerror(errno));
      return ssParseError;
    }
    FEngine->SetTrace(&FTrace);
  }
  FMaxFirings = Options.MaxFirings;
  FTimeout = Options.Timeout;
  for (const TShellAction& Action : Options.Actions) {
    if (FExited) break;
    switch (Action.Kind) {
      case akLoad:
        Load(Action.Argument);
        break;
      case akBatch:
        Batch(Action.Argument);
        break;
      case akEvaluate:
        Evaluate(SExpressionName, 1, Action.Argument, true);
        break;
    }
  }
  if (!FExited && (Options.Interactive || Options.Actions.empty())) {
    ReadStandardInput(Options.Interactive || IsTerminal());
  }
  return FStatus;
}

void TShell::Load(const std::string& FileName) {
  std::ifstream File(FileName, std::ios::binary);
  if (!File) {
    Report(FileName, 0, std::strerror(errno));
    Fail(ssParseError, true);
    return;
  }
  TExpressionBuffer Buffer;
  int32_t LineNumber = 0;
  for (std::string Line; !FExited && std::getline(File, Line);) {
    if (!Line.empty() && Line.back() == '\r') Line.pop_back();
    Buffer.AddLine(Line, ++LineNumber);
    if (Buffer.IsComplete()) {
      const int32_t First = Buffer.GetFirstLine();
      Evaluate(FileName, First, Buffer.Take(), true);
    }
  }
  // An unfinished expression still goes to the parser, which reports it.
  if (!FExited && !Buffer.IsEmpty()) {
    const int32_t First = Buffer.GetFirstLine();
    Evaluate(FileName, First, Buffer.Take(), true);
  }
  if (!FExited) WarnUndefinedCalls(FileName);
}

// The engine reads the batch file line by line; its read and readline
// take their answers from the same file.
void TShell::Batch(const std::string& FileName) {
  Guard(FileName, 0, true, [&] { FEngine->Batch(FileName); });
  if (!FExited) WarnUndefinedCalls(FileName);
}

// A warning only: the function may still come from a file read later.
void TShell::WarnUndefinedCalls(const std::string& FileName) {
  for (const TUndefinedCall& Call : FindUndefinedCalls(*FEngine)) {
    Report(FileName, 0,
           "warning: " + Call.Construct + " " + Call.Name + " calls undefined function " +
               Call.Function);
  }
}

// An expression typed over several lines is one history entry; recalled,
// it comes back as one text of several lines.
void TShell::ReadStandardInput(bool Prompting) {
  const bool CountErrors = !IsTerminal();
  if (Prompting) {
    const char* Home = std::getenv("HOME");
    FInput.StartEditing(
        Home != nullptr && *Home != '\0' ? Home + std::string(SHistoryFileName) : "",
        [this](const std::string& Prefix) { return CompletionsOf(*FEngine, Prefix); });
  }
  FBuffer.Clear();
  std::string Line;
  while (!FExited) {
    if (Prompting) {
      GInterrupted = 0;
      if (!FAtLineStart) WriteOutput("\n");
    }
    const char* Prompt = !Prompting ? "" : FBuffer.IsEmpty() ? SPrompt : SContinuationPrompt;
    const TReadResult Result = FInput.Read(Prompt, Line);
    FAtLineStart = true;
    if (Result == rrEnd) break;
    if (Result == rrInterrupted) {
      // Ctrl-C at the prompt drops what was typed so far.
      GInterrupted = 0;
      FBuffer.Clear();
      if (Prompting) WriteOutput("\n");
      continue;
    }
    for (size_t Start = 0, End = 0; End != std::string::npos; Start = End + 1) {
      End = Line.find('\n', Start);
      FBuffer.AddLine(Line.substr(Start, End - Start), FInput.GetLineNumber());
    }
    if (FBuffer.IsComplete()) {
      const int32_t First = FBuffer.GetFirstLine();
      const std::string Text = FBuffer.Take();
      if (Prompting) FInput.AddHistory(Text);
      Evaluate(SStandardInputName, First, Text, CountErrors);
    }
  }
  if (!FExited && !FBuffer.IsEmpty()) {
    const int32_t First = FBuffer.GetFirstLine();
    Evaluate(SStandardInputName, First, FBuffer.Take(), CountErrors);
  }
  // The end of input comes after a prompt.
  if (Prompting && !FExited) WriteOutput("\n");
}

void TShell::Evaluate(const std::string& Source, int32_t Line, const std::string& Text,
                      bool CountErrors) {
  Guard(Source, Line, CountErrors, [&] { FEngine->Parse(Text, true, Line); });
}

// A Ctrl-C typed before, at the prompt, stops nothing that follows.
void TShell::Guard(const std::string& Source, int32_t Line, bool CountErrors,
                   const std::function<void()>& Action) {
  GInterrupted = 0;
  GTimedOut = 0;
  FEngine->ClearInterrupt();
  try {
    Action();
  } catch (const EAbort&) {
    // The abort of an interrupted loop, or else (exit).
    SetTimer(0);
    if (GInterrupted == 0 && GTimedOut == 0) {
      FExited = true;
    } else {
      ReportStop(FRunning);
    }
  } catch (const EIEParseException& E) {
    ReportError(Source, Line > 0 && E.GetLineNumber() > 0 ? E.GetLineNumber() : Line,
                E.GetMessage());
    Fail(ssParseError, CountErrors);
  } catch (const EStreamError& E) {
    // A file that a command loads or a batch reads cannot be opened.
    ReportError(Source, Line, E.GetMessage());
    Fail(ssParseError, CountErrors);
  } catch (const std::exception& E) {
    ReportError(Source, Line, E.what());
    Fail(ssRunError, CountErrors);
  }
  // A run that raised did not end through EndRun.
  SetTimer(0);
  FRunning = false;
  if (FLimitReached) Fail(ssRunError, CountErrors);
  FLimitReached = false;
}

void TShell::Report(const std::string& Source, int32_t Line, const std::string& Message) {
  std::fflush(stdout);
  const std::string Where = Line > 0 ? Source + ":" + std::to_string(Line) : Source;
  std::fprintf(stderr, "%s: %s\n", Where.c_str(), WithoutCarriageReturns(Message).c_str());
  std::fflush(stderr);
}

// The message stays as raised; a line after it names the rule that was
// firing and its action, since the line given is that of the run. Called
// while the error is being handled.
void TShell::ReportError(const std::string& Source, int32_t Line, const std::string& Message) {
  Report(Source, Line, Message);
  const TFiringFailure& Failure = FEngine->GetFiringFailure();
  if (!Failure.Error || Failure.Error != std::current_exception()) return;
  Report(Source, Line,
         "while firing rule " + Failure.RuleName +
             (Failure.Action.empty() ? "" : ", in action " + Failure.Action));
}

void TShell::Fail(TShellStatus Status, bool CountErrors) {
  if (CountErrors && Status > FStatus) FStatus = Status;
}

// The engine ends lines with CR LF; the shell writes "\n", also when the
// two come in separate pieces.
void TShell::WriteOutput(const std::string& Text) {
  std::string Output;
  Output.reserve(Text.size() + 1);
  for (const char C : Text) {
    if (FHeldCarriageReturn) {
      FHeldCarriageReturn = false;
      if (C != '\n') Output += '\r';
    }
    if (C == '\r') {
      FHeldCarriageReturn = true;
      continue;
    }
    Output += C;
  }
  if (Output.empty()) return;
  std::fwrite(Output.data(), 1, Output.size(), stdout);
  FAtLineStart = Output.back() == '\n';
}

// An interrupted read answers an empty line; the run then halts after the
// firing that asked.
void TShell::ReadAnswer(std::string& Text) {
  Text.clear();
  if (FInput.Read("", Text) != rrLine) Text.clear();
  FAtLineStart = true;
}

// The first token of the next line that holds one; none at the end of
// input or when Ctrl-C ends the wait, which reads as the end of input.
void TShell::ReadToken(IStreamToken& Token) {
  std::string Line;
  while (FInput.Read("", Line) == rrLine) {
    FAtLineStart = true;
    if (FEngine->FirstToken(Line, Token)) return;
  }
}

void TShell::StartRun() {
  FRunning = true;
  FFired = 0;
  if (!FTimeout.empty()) SetTimer(std::strtod(FTimeout.c_str(), nullptr));
}

void TShell::CountFiring() {
  if (FMaxFirings > 0 && ++FFired >= FMaxFirings) FEngine->Halt();
}

// A run halted at the firings limit reached it only when rules were left
// to fire.
void TShell::EndRun(int32_t RulesFired) {
  SetTimer(0);
  if (FEngine->GetHalted() && (GInterrupted != 0 || GTimedOut != 0)) {
    ReportStop(false);
  } else if (FMaxFirings > 0 && RulesFired >= FMaxFirings && FEngine->GetAgendaCount() > 0) {
    FLimitReached = true;
    Stopped(Format("the run reached its limit of %d firings", FMaxFirings), false);
  }
  FRunning = false;
}

// Ctrl-C or the timer stopped what ran: a run, in a firing or between
// two, or a loop evaluated outside any run.
void TShell::ReportStop(bool InFiring) {
  if (GTimedOut != 0) {
    FLimitReached = true;
    Stopped("the run reached its time limit of " + FTimeout + " seconds", InFiring);
  } else if (FRunning) {
    Stopped("the run was interrupted", InFiring);
  } else {
    Stopped("interrupted", false);
  }
  GInterrupted = 0;
  GTimedOut = 0;
}
// Says how many rules the run fired and which one fired last, or which
// one the stop came in.
void TShell::Stopped(const std::string& Cause, bool InFiring) {
  std::string Text = "ieshell: " + Cause;
  if (FRunning) {
    const int32_t Fired = FEngine->GetRulesFired();
    Text += Format(" after %d rule%s fired", Fired, Fired == 1 ? "" : "s");
    if (InFiring) {
      Text += ", in the actions of rule " + FEngine->GetLastRuleName();
    } else if (Fired > 0) {
      Text += "; the last rule fired was " + FEngine->GetLastRuleName();
    }
  }
  std::fflush(stdout);
  std::fprintf(stderr, "%s\n", Text.c_str());
  std::fflush(stderr);
}

// One shot of the real-time timer; 0 disarms it.
void TShell::SetTimer(double Seconds) {
  itimerval Timer{};
  const auto Whole = static_cast<time_t>(Seconds);
  Timer.it_value.tv_sec = Whole;
  Timer.it_value.tv_usec = static_cast<suseconds_t>((Seconds - static_cast<double>(Whole)) * 1e6);
  setitimer(ITIMER_REAL, &Timer, nullptr);
}

}  // namespace ie
