// The shell driven as a user drives it: through its arguments, standard
// input and a terminal, checking what it prints and its exit status.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <fcntl.h>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "TempDirSupport.h"

namespace ie {
namespace {

struct TShellRun {
  std::string Out;
  std::string Err;
  int Status = -1;
};

std::string ReadFile(const std::string& Path) {
  std::ifstream File(Path, std::ios::binary);
  std::ostringstream Text;
  Text << File.rdbuf();
  return Text.str();
}

void WriteFile(const std::string& Path, const std::string& Text) {
  std::ofstream(Path, std::ios::binary) << Text;
}

[[noreturn]] void ExecShell(const std::vector<std::string>& Arguments) {
  std::vector<char*> Argv{const_cast<char*>(IE_SHELL_PATH)};
  for (const std::string& Argument : Arguments) Argv.push_back(const_cast<char*>(Argument.c_str()));
  Argv.push_back(nullptr);
  execv(IE_SHELL_PATH, Argv.data());
  _exit(127);
}

// Runs the shell with Arguments in Directory, Input on its standard input.
TShellRun RunShell(const std::vector<std::string>& Arguments, const std::string& Input = "",
                   const std::string& Directory = "") {
  TTempDir Temp;
  WriteFile(Temp.File("in"), Input);
  const std::string OutPath = Temp.File("out");
  const std::string ErrPath = Temp.File("err");
  const pid_t Child = fork();
  if (Child == 0) {
    const int In = open(Temp.File("in").c_str(), O_RDONLY);
    const int Out = open(OutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int Err = open(ErrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (In < 0 || Out < 0 || Err < 0 || dup2(In, 0) < 0 || dup2(Out, 1) < 0 || dup2(Err, 2) < 0) {
      _exit(126);
    }
    if (!Directory.empty() && chdir(Directory.c_str()) != 0) _exit(125);
    ExecShell(Arguments);
  }
  TShellRun Run;
  int Status = 0;
  if (Child > 0 && waitpid(Child, &Status, 0) == Child && WIFEXITED(Status)) {
    Run.Status = WEXITSTATUS(Status);
  }
  Run.Out = ReadFile(OutPath);
  Run.Err = ReadFile(ErrPath);
  return Run;
}

TEST(ShellArguments, HelpVersionAndWrongOptions) {
  const TShellRun Help = RunShell({"-h"});
  EXPECT_EQ(Help.Status, 0);
  EXPECT_NE(Help.Out.find("usage: ieshell"), std::string::npos);
  EXPECT_NE(Help.Out.find("Exit status: 0 success, 1 a parse or load error"), std::string::npos);

  const TShellRun Version = RunShell({"-v"});
  EXPECT_EQ(Version.Status, 0);
  EXPECT_NE(Version.Out.find("(inference engine 2.0000)"), std::string::npos) << Version.Out;

  const TShellRun Unknown = RunShell({"-x", "-h"});
  EXPECT_EQ(Unknown.Status, 1);
  EXPECT_EQ(Unknown.Out, "");
  EXPECT_EQ(Unknown.Err.rfind("ieshell: unknown option -x\nusage:", 0), 0u) << Unknown.Err;

  const TShellRun Missing = RunShell({"-e"});
  EXPECT_EQ(Missing.Status, 1);
  EXPECT_EQ(Missing.Err.rfind("ieshell: option -e needs an argument\n", 0), 0u) << Missing.Err;
}

TEST(ShellFiles, LoadsInOrderAndReportsErrorsWithFileAndLine) {
  TTempDir Dir;
  WriteFile(Dir.File("a.kb"),
            "; defines and prints\n"
            "(deffunction twice (?x)\n"
            "   (* 2 ?x))\n"
            "(twice 4) (printout t \"in a\" crlf)\n"
            ")\n"
            "(twice 5)\n");
  WriteFile(Dir.File("b.kb"), "(twice 6)\n\n(nosuch 1)\n(twice 7)\n");
  const TShellRun Run = RunShell({"-e", "(twice 1)", Dir.File("a.kb"), Dir.File("missing.kb"),
                                  Dir.File("b.kb"), "-e", "(twice 2)"});
  // The function is unknown before a.kb; each error stops only its own
  // expression.
  EXPECT_EQ(Run.Out, "8\nin a\n10\n12\n14\n4\n");
  const std::string ErrA = Dir.File("a.kb") + ":5: Parsing Error, Unexpected symbol";
  const std::string ErrB = Dir.File("b.kb") + ":3: Function is unimplemented or unassigned: nosuch";
  EXPECT_EQ(Run.Err.rfind("-e:1: Function is unimplemented or unassigned: twice\n", 0), 0u)
      << Run.Err;
  EXPECT_NE(Run.Err.find(ErrA), std::string::npos) << Run.Err;
  EXPECT_NE(Run.Err.find(" at line 5: )"), std::string::npos) << Run.Err;
  EXPECT_NE(Run.Err.find(Dir.File("missing.kb") + ": No such file or directory\n"),
            std::string::npos)
      << Run.Err;
  EXPECT_NE(Run.Err.find(ErrB), std::string::npos) << Run.Err;
  EXPECT_EQ(Run.Status, 2);
}

TEST(ShellFiles, LoadGoesOnPastABrokenConstructAndSandboxConfinesFiles) {
  TTempDir Dir;
  const std::string Box = Dir.File("box");
  std::filesystem::create_directory(Box);
  WriteFile(Box + "/kb.clp",
            "(deffunction one () 1)\n"
            "(deftemplate bad (slot))\n"
            "(deffunction two () 2)\n");
  WriteFile(Dir.File("secret.txt"), "(printout t secret crlf)\n");
  const TShellRun Run =
      RunShell({"--sandbox", Box, "-e", "(load \"kb.clp\")", "-e", "(+ (one) (two))", "-e",
                "(load \"../secret.txt\")", "-e", "(save \"saved.clp\")"});
  // The function after the broken rule is defined all the same.
  EXPECT_EQ(Run.Out, "3\nTRUE\n") << Run.Err;
  EXPECT_NE(
      Run.Err.find("Error loading \"" + std::filesystem::canonical(Box).string() + "/kb.clp\""),
      std::string::npos)
      << Run.Err;
  EXPECT_NE(Run.Err.find("File \"../secret.txt\" lies outside the sandbox folder"),
            std::string::npos)
      << Run.Err;
  EXPECT_TRUE(std::filesystem::exists(Box + "/saved.clp"));

  const TShellRun Missing = RunShell({"--sandbox", Dir.File("none"), "-e", "(+ 1 2)"});
  EXPECT_EQ(Missing.Out, "");
  EXPECT_NE(Missing.Err.find("Sandbox folder"), std::string::npos) << Missing.Err;
  EXPECT_EQ(Missing.Status, 1);
}

TEST(ShellFiles, ExitStatusTellsParseFromRunErrors) {
  TTempDir Dir;
  WriteFile(Dir.File("parse.kb"), "(defglobal ?b = 2)\n(+ 1 2)\n");
  WriteFile(Dir.File("run.kb"), "(/ 1 0)\n");
  WriteFile(Dir.File("good.kb"), "(+ 1 2)\n");
  EXPECT_EQ(RunShell({Dir.File("good.kb")}).Status, 0);
  const TShellRun Parse = RunShell({Dir.File("parse.kb")});
  EXPECT_EQ(Parse.Status, 1);
  EXPECT_EQ(Parse.Out, "3\n");
  EXPECT_EQ(Parse.Err.rfind(Dir.File("parse.kb") + ":1: Parsing Error, Bad Variable Name", 0), 0u)
      << Parse.Err;
  EXPECT_EQ(RunShell({Dir.File("run.kb")}).Status, 2);
  EXPECT_EQ(RunShell({Dir.File("run.kb"), Dir.File("parse.kb")}).Status, 2);
  EXPECT_EQ(RunShell({Dir.File("nothing-here.kb")}).Status, 1);
}

TEST(ShellFiles, RunErrorsNameTheRuleAndActionAndUndefinedCallsWarn) {
  TTempDir Dir;
  const std::string Where = Dir.File("run.kb");
  WriteFile(Where,
            "(defrule typo (declare (salience 10)) (go)\n"
            "   => (printout t \"fired\" crlf) (prinout t \"x\"))\n"
            "(defrule later (go) => (printout t (twice 2) crlf))\n"
            "(deffunction twice (?x) (* 2 ?x))\n"
            "(assert (go))\n"
            "(run)\n"
            "(run)\n"
            "(nosuch 3)\n");
  const TShellRun Run = RunShell({Where});
  EXPECT_EQ(Run.Out, "<Fact-1>\nfired\n4\n1\n");
  // The message as raised, the rule and action on the line after; an
  // error outside a firing names none. A function defined after the rule
  // calling it is no warning.
  EXPECT_EQ(Run.Err, Where + ":6: Function is unimplemented or unassigned: prinout\n" + Where +
                         ":6: while firing rule typo, in action (prinout t \"x\")\n" + Where +
                         ":8: Function is unimplemented or unassigned: nosuch\n" + Where +
                         ": warning: defrule typo calls undefined function prinout\n");
  EXPECT_EQ(Run.Status, 2);

  // Warnings leave the exit status alone.
  const std::string Clean = Dir.File("clean.kb");
  WriteFile(Clean, "(deffunction lost () (nosuch 1))\n(defrule r (x ?y&:(oddish ?y)) => )\n");
  const TShellRun Warn = RunShell({Clean});
  EXPECT_EQ(Warn.Status, 0);
  EXPECT_EQ(Warn.Err, Clean + ": warning: deffunction lost calls undefined function nosuch\n" +
                          Clean + ": warning: defrule r calls undefined function oddish\n");
}

// A batch file answers read from its own lines; elsewhere read takes the
// first token of the next line of standard input.
TEST(ShellFiles, BatchFilesAnswerTheirOwnQuestions) {
  TTempDir Dir;
  WriteFile(Dir.File("ask.bat"),
            "(deffunction ask () (printout t \"n? \") (printout t \"got \" (read) crlf))\n"
            "(ask)\n"
            "  42 and more\n"
            "(ask)\n"
            "\"a b\"\n"
            "(nosuch)\n"
            "(ask)\n");
  const TShellRun Run = RunShell(
      {"-f", Dir.File("ask.bat"), "-f", Dir.File("none.bat"), "-e", "(ask)"}, "\n  from stdin\n");
  EXPECT_EQ(Run.Out, "n? 42\ngot 42\nn? a b\ngot a b\nn? got from\n");
  // A line that raises ends its batch.
  EXPECT_NE(
      Run.Err.find(Dir.File("ask.bat") + ": Function is unimplemented or unassigned: nosuch\n"),
      std::string::npos)
      << Run.Err;
  EXPECT_NE(Run.Err.find(Dir.File("none.bat") + ": Cannot open file"), std::string::npos)
      << Run.Err;
  EXPECT_EQ(Run.Status, 2);
}

TEST(ShellInput, ReadsAProgramFromAPipeWithAnswersOnFollowingLines) {
  const TShellRun Run = RunShell({},
                                 "(deffunction ask ()\n"
                                 "  (printout t \"name? \")\n"
                                 "  (bind ?n (readline))\n"
                                 "  (printout t \"hello \" ?n crlf))\n"
                                 "(ask)\n"
                                 "Ann Lee\n"
                                 "(printout t \"two\n"
                                 "lines\" crlf)  ; a string over two lines\n"
                                 "(+ 1\n"
                                 "   )) (+ 2 2)\n"
                                 "(+ 3");
  EXPECT_EQ(Run.Out, "name? hello Ann Lee\ntwo\nlines\n1\n");
  // The stray ")" ends the expression on its line; the unfinished one at
  // the end is reported with the line it starts on.
  EXPECT_NE(Run.Err.find("stdin:10: Parsing Error, Unexpected symbol"), std::string::npos)
      << Run.Err;
  EXPECT_NE(Run.Err.find("stdin:11: Parsing Error, Unexpected end of stream"), std::string::npos)
      << Run.Err;
  EXPECT_EQ(Run.Status, 1);
}

TEST(ShellInput, InteractiveLoopPromptsAfterTheFiles) {
  TTempDir Dir;
  WriteFile(Dir.File("f.kb"), "(deffunction sq (?x) (* ?x ?x))\n");
  const TShellRun Run =
      RunShell({"-i", Dir.File("f.kb")}, "(sq\n 3)\n(printout t \"no line end\")\n(sq 4)\n");
  EXPECT_EQ(Run.Out, "ie> ... 9\nie> no line end\nie> 16\nie> \n");
  EXPECT_EQ(Run.Status, 0);
}

TEST(ShellInput, ExitLeavesAtOnceKeepingTheStatus) {
  const TShellRun Clean = RunShell({}, "(+ 1 2)\n(exit)\n(+ 3 4)\n");
  EXPECT_EQ(Clean.Out, "3\n");
  EXPECT_EQ(Clean.Status, 0);
  const TShellRun Failed = RunShell({"-e", "(nosuch)", "-e", "(exit)", "-e", "(+ 3 4)"});
  EXPECT_EQ(Failed.Out, "");
  EXPECT_EQ(Failed.Status, 2);
}

// Each example knowledge base, run as its header says, and the package
// programs of the script tests print what their .out files hold.
TEST(ShellExamples, PrintTheirExpectedOutput) {
  struct TExample {
    std::string Folder;
    std::string Expected;
    std::vector<std::string> Arguments;
  };
  const std::string Examples = IE_EXAMPLES_DIR;
  const std::string Programs = std::string(IE_LANG_DIR) + "/programs";
  const TExample Runs[] = {
      {Examples + "/diagnosis", "diagnosis.out", {"diagnosis.kb", "-f", "answers.bat"}},
      {Examples + "/configuration", "configuration.out", {"configuration.kb"}},
      {Examples + "/fuzzy", "fan.out", {"fan.kb"}},
      {Programs, "loan.out", {"loan.kb"}},
      {Programs, "triangle.out", {"triangle.kb"}},
  };
  for (const TExample& Example : Runs) {
    const TShellRun Run = RunShell(Example.Arguments, "", Example.Folder);
    EXPECT_EQ(Run.Out, ReadFile(Example.Folder + "/" + Example.Expected)) << Example.Expected;
    EXPECT_EQ(Run.Err, "") << Example.Expected;
    EXPECT_EQ(Run.Status, 0) << Example.Expected;
  }
}

TEST(ShellLimits, OptionsNeedAPositiveNumber) {
  for (const std::vector<std::string>& Arguments : {std::vector<std::string>{"--max-firings", "0"},
                                                    {"--max-firings", "2.5"},
                                                    {"--max-firings", "x"},
                                                    {"--timeout", "-1"},
                                                    {"--timeout", "soon"},
                                                    {"--timeout"}}) {
    const TShellRun Run = RunShell(Arguments);
    EXPECT_EQ(Run.Status, 1) << Arguments[0];
    EXPECT_EQ(Run.Err.rfind("ieshell: option " + Arguments[0] + " needs a positive ", 0), 0u)
        << Run.Err;
  }
}

// Counts without end once (n 0) is asserted.
constexpr const char* SCounter =
    "(defrule count ?f <- (n ?x) => (retract ?f) (assert (n (+ ?x 1))))\n";

TEST(ShellLimits, MaxFiringsBoundsEveryRun) {
  TTempDir Dir;
  WriteFile(Dir.File("count.kb"), std::string(SCounter) +
                                      "(assert (n 0))\n"
                                      "(run)\n"
                                      "(printout t \"between\" crlf)\n"
                                      "(run)\n");
  const TShellRun Run = RunShell({"--max-firings", "25", Dir.File("count.kb")});
  EXPECT_EQ(Run.Out, "<Fact-1>\n25\nbetween\n25\n");
  const std::string Line =
      "ieshell: the run reached its limit of 25 firings after 25 rules fired; the last rule "
      "fired was count\n";
  EXPECT_EQ(Run.Err, Line + Line);
  EXPECT_EQ(Run.Status, 2);
  // A run that ends at the limit with nothing left to fire reached none.
  WriteFile(Dir.File("three.kb"),
            "(defrule down ?f <- (n ?x&:(> ?x 0)) => (retract ?f) (assert (n (- ?x 1))))\n"
            "(assert (n 3))\n(run)\n");
  const TShellRun Exact = RunShell({"--max-firings", "3", Dir.File("three.kb")});
  EXPECT_EQ(Exact.Out, "<Fact-1>\n3\n");
  EXPECT_EQ(Exact.Err, "");
  EXPECT_EQ(Exact.Status, 0);
}

TEST(ShellLimits, TimeoutStopsARunBetweenFiringsOrInALoop) {
  TTempDir Dir;
  WriteFile(Dir.File("count.kb"), std::string(SCounter) + "(assert (n 0))\n(run)\n");
  const TShellRun Count = RunShell({"--timeout", "0.2", Dir.File("count.kb")});
  EXPECT_NE(Count.Err.find("ieshell: the run reached its time limit of 0.2 seconds after "),
            std::string::npos)
      << Count.Err;
  EXPECT_NE(Count.Err.find(" rules fired; the last rule fired was count\n"), std::string::npos)
      << Count.Err;
  EXPECT_EQ(Count.Status, 2);

  WriteFile(Dir.File("spin.kb"),
            "(defrule spin (go) => (while TRUE (bind ?i 1)))\n"
            "(assert (go))\n(run)\n(printout t \"after\" crlf)\n(run)\n");
  const TShellRun Spin = RunShell({"--timeout", "0.2", Dir.File("spin.kb")});
  // The file goes on; the rule that raised left the agenda.
  EXPECT_EQ(Spin.Out, "<Fact-1>\nafter\n0\n");
  EXPECT_EQ(Spin.Err,
            "ieshell: the run reached its time limit of 0.2 seconds after 0 rules fired, in the "
            "actions of rule spin\n");
  EXPECT_EQ(Spin.Status, 2);
}

TEST(ShellTrace, WritesOneJsonLineForEachEventOfAProgramReadFromAPipe) {
  TTempDir Dir;
  const TShellRun Run = RunShell({"--trace", Dir.File("trace.jsonl")},
                                 "(defrule r (a ?x) => (printout t ?x crlf))\n"
                                 "(assert (a \"q\\\"t\"))\n(run)\n");
  EXPECT_EQ(Run.Out, "<Fact-1>\nq\"t\n1\n");
  EXPECT_EQ(Run.Status, 0) << Run.Err;
  EXPECT_EQ(ReadFile(Dir.File("trace.jsonl")),
            R"j({"kind":"activate","rule":"r","salience":0,"strength":1,"facts":[1]})j"
            "\n"
            R"j({"kind":"assert","fact":1,"text":"(a \"q\\\"t\" )"})j"
            "\n"
            R"j({"kind":"run-start"})j"
            "\n"
            R"j({"kind":"fire","firing":1,"rule":"r","salience":0,"strength":1,"facts":[1]})j"
            "\n"
            R"j({"kind":"run-end","fired":1})j"
            "\n");
}

TEST(ShellTrace, AFileThatCannotBeOpenedStopsTheShellBeforeAnythingRuns) {
  TTempDir Dir;
  const TShellRun Run =
      RunShell({"--trace", Dir.File("no/such/dir/trace"), "-e", "(printout t \"ran\" crlf)"});
  EXPECT_EQ(Run.Out, "");
  EXPECT_EQ(Run.Err, "ieshell: cannot open the trace file " + Dir.File("no/such/dir/trace") +
                         ": No such file or directory\n");
  EXPECT_EQ(Run.Status, 1);
  EXPECT_EQ(RunShell({"--trace"}).Status, 1);
}

// A terminal: the shell is interactive without -i, Ctrl-C drops the
// expression being typed and Ctrl-D leaves. Home is the shell's HOME,
// where it keeps its history, and its working directory.
class TTerminal {
 public:
  explicit TTerminal(const std::string& Home = "", const std::vector<std::string>& Arguments = {}) {
    FChild = forkpty(&FMaster, nullptr, nullptr, nullptr);
    if (FChild == 0) {
      if (Home.empty()) {
        unsetenv("HOME");
      } else {
        setenv("HOME", Home.c_str(), 1);
        if (chdir(Home.c_str()) != 0) _exit(125);
      }
      ExecShell(Arguments);
    }
  }
  TTerminal(const TTerminal&) = delete;
  TTerminal& operator=(const TTerminal&) = delete;
  ~TTerminal() {
    if (FChild > 0 && FStatus < 0) {
      kill(FChild, SIGKILL);
      waitpid(FChild, nullptr, 0);
    }
    if (FMaster >= 0) close(FMaster);
  }

  void Type(const std::string& Text) {
    ASSERT_EQ(write(FMaster, Text.data(), Text.size()), static_cast<ssize_t>(Text.size()));
  }

  // Reads until the screen text shows Expected after what was read before;
  // false after ten seconds.
  bool WaitFor(const std::string& Expected) {
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < Deadline) {
      const size_t Found = FScreen.find(Expected, FSeen);
      if (Found != std::string::npos) {
        FSeen = Found + Expected.size();
        return true;
      }
      pollfd Poll{FMaster, POLLIN, 0};
      if (poll(&Poll, 1, 100) <= 0) continue;
      char Chunk[512];
      const ssize_t Count = read(FMaster, Chunk, sizeof Chunk);
      if (Count <= 0) break;
      FScreen.append(Chunk, static_cast<size_t>(Count));
    }
    return false;
  }

  // Keys that libedit acts on (Tab, Ctrl-D) work only once it reads the
  // line: typed ahead while the terminal is still in cooked mode, between
  // two lines that libedit reads in raw mode, the terminal driver keeps
  // or swallows them. So this waits for libedit's raw mode first (a pty's
  // master reports the terminal's modes). Meanwhile it reads what the shell
  // writes: libedit changes modes only once its output has drained.
  void WaitUntilReading() {
#ifdef IE_SHELL_EDITING
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    termios Modes{};
    while (tcgetattr(FMaster, &Modes) == 0 && (Modes.c_lflag & ICANON) != 0 &&
           std::chrono::steady_clock::now() < Deadline) {
      ReadAvailable(10);
    }
#endif
  }

  // What the shell wrote within Milliseconds, appended to the screen.
  void ReadAvailable(int Milliseconds) {
    pollfd Poll{FMaster, POLLIN, 0};
    if (poll(&Poll, 1, Milliseconds) <= 0) return;
    char Chunk[512];
    const ssize_t Count = read(FMaster, Chunk, sizeof Chunk);
    if (Count > 0) FScreen.append(Chunk, static_cast<size_t>(Count));
  }

  void LeaveWithCtrlD() {
    WaitUntilReading();
    // Under load the driver may still swallow it; a second one is harmless.
    for (int Attempt = 0; Attempt < 2 && FStatus < 0; ++Attempt) {
      Type("\x04");
      Wait(std::chrono::seconds(10));
    }
    EXPECT_EQ(FStatus, 0) << FScreen;
  }

  // The shell's exit status, or -1 when it has not ended within Limit; what
  // it prints meanwhile is read, so that it never blocks on a full terminal.
  int Wait(std::chrono::seconds Limit = std::chrono::seconds(10)) {
    const auto Deadline = std::chrono::steady_clock::now() + Limit;
    while (FStatus < 0 && std::chrono::steady_clock::now() < Deadline) {
      int Status = 0;
      if (waitpid(FChild, &Status, WNOHANG) == FChild) {
        FStatus = WIFEXITED(Status) ? WEXITSTATUS(Status) : 128;
        break;
      }
      ReadAvailable(50);
    }
    return FStatus;
  }

  const std::string& GetScreen() const { return FScreen; }

 private:
  int FMaster = -1;
  pid_t FChild = -1;
  int FStatus = -1;
  std::string FScreen;
  size_t FSeen = 0;
};

TEST(ShellTerminal, PromptsDropsInterruptedInputAndLeavesAtEnd) {
  TTerminal Terminal;
  ASSERT_TRUE(Terminal.WaitFor("ie> ")) << Terminal.GetScreen();
  Terminal.Type("(+ 1\n");
  ASSERT_TRUE(Terminal.WaitFor("... ")) << Terminal.GetScreen();
  Terminal.Type("\x03");
  ASSERT_TRUE(Terminal.WaitFor("ie> ")) << Terminal.GetScreen();
  Terminal.Type("(* 2 3)\n");
  ASSERT_TRUE(Terminal.WaitFor("6\r\nie> ")) << Terminal.GetScreen();
  Terminal.LeaveWithCtrlD();
}

TEST(ShellTerminal, CtrlCHaltsARunBetweenTwoFirings) {
  TTerminal Terminal;
  ASSERT_TRUE(Terminal.WaitFor("ie> ")) << Terminal.GetScreen();
  // Counts without end once started.
  Terminal.Type(
      "(defrule count ?f <- (n ?x) => (retract ?f) (assert (n (+ ?x 1))))\n"
      "(defrule started (declare (salience 10)) (go) => (printout t \"count\" \"ing\" crlf))\n"
      "(assert (go) (n 0))\n");
  Terminal.Type("(run)\n");
  ASSERT_TRUE(Terminal.WaitFor("counting")) << Terminal.GetScreen();
  Terminal.Type("\x03");
  ASSERT_TRUE(Terminal.WaitFor("ieshell: the run was interrupted after ")) << Terminal.GetScreen();
  ASSERT_TRUE(Terminal.WaitFor(" fired; the last rule fired was ")) << Terminal.GetScreen();
  ASSERT_TRUE(Terminal.WaitFor("ie> ")) << Terminal.GetScreen();
  // The run goes on where it stopped.
  Terminal.Type("(run 2)\n");
  ASSERT_TRUE(Terminal.WaitFor("2\r\nie> ")) << Terminal.GetScreen();
  Terminal.Type("(exit)\n");
  EXPECT_EQ(Terminal.Wait(), 0) << Terminal.GetScreen();
}

TEST(ShellTerminal, CtrlCStopsALoopInARuleOrAtTheTopLevel) {
  TTerminal Terminal;
  ASSERT_TRUE(Terminal.WaitFor("ie> ")) << Terminal.GetScreen();
  Terminal.Type(
      "(defrule spin (go) => (printout t \"spinn\" \"ing\" crlf) (while TRUE (bind ?i 1)))\n"
      "(defrule next (declare (salience -1)) (go) => (printout t \"next\" crlf))\n"
      "(assert (go))\n");
  Terminal.Type("(run)\n");
  ASSERT_TRUE(Terminal.WaitFor("spinning")) << Terminal.GetScreen();
  Terminal.Type("\x03");
  ASSERT_TRUE(
      Terminal.WaitFor("ieshell: the run was interrupted after 0 rules fired, in the actions of "
                       "rule spin\r\nie> "))
      << Terminal.GetScreen();
  Terminal.Type("(run)\n");
  ASSERT_TRUE(Terminal.WaitFor("next\r\n1\r\nie> ")) << Terminal.GetScreen();
  Terminal.Type(
      "(deffunction spin-here () (printout t \"loop\" \"ing\" crlf) (while TRUE (bind ?i 1)))\n");
  ASSERT_TRUE(Terminal.WaitFor("ie> ")) << Terminal.GetScreen();
  Terminal.Type("(spin-here)\n");
  ASSERT_TRUE(Terminal.WaitFor("looping")) << Terminal.GetScreen();
  Terminal.Type("\x03");
  ASSERT_TRUE(Terminal.WaitFor("ieshell: interrupted\r\nie> ")) << Terminal.GetScreen();
  Terminal.LeaveWithCtrlD();
}

#ifdef IE_SHELL_EDITING
// The history file's entries, one a line, with libedit's escapes of
// blanks and line ends undone.
std::string HistoryOf(const TTempDir& Home) {
  std::string Text = ReadFile(Home.File(".ieshell_history"));
  const std::pair<std::string, std::string> Escapes[] = {{"\\040", " "}, {"\\012", "\n"}};
  for (const auto& [Escape, Character] : Escapes) {
    for (size_t At = Text.find(Escape); At != std::string::npos; At = Text.find(Escape, At)) {
      Text.replace(At, 4, Character);
    }
  }
  return Text;
}

// The up arrow recalls an expression typed over two lines, also in the
// next session, as one entry.
TEST(ShellTerminal, KeepsHistoryAcrossSessionsOneEntryPerExpression) {
  TTempDir Home;
  {
    TTerminal Terminal(Home.GetPath());
    ASSERT_TRUE(Terminal.WaitFor("ie> ")) << Terminal.GetScreen();
    Terminal.Type("(+ 40\n");
    ASSERT_TRUE(Terminal.WaitFor("... ")) << Terminal.GetScreen();
    Terminal.Type("   2)\n");
    ASSERT_TRUE(Terminal.WaitFor("42\r\nie> ")) << Terminal.GetScreen();
    Terminal.Type("(* 3 3)\n");
    ASSERT_TRUE(Terminal.WaitFor("9\r\nie> ")) << Terminal.GetScreen();
    Terminal.LeaveWithCtrlD();
  }
  EXPECT_NE(HistoryOf(Home).find("\n(+ 40\n   2)\n(* 3 3)\n"), std::string::npos)
      << HistoryOf(Home);
  TTerminal Terminal(Home.GetPath());
  ASSERT_TRUE(Terminal.WaitFor("ie> ")) << Terminal.GetScreen();
  Terminal.Type("\x1b[A\x1b[A\r");
  ASSERT_TRUE(Terminal.WaitFor("42\r\nie> ")) << Terminal.GetScreen();
  Terminal.LeaveWithCtrlD();
}

// Tab completes a keyword, a deffunction and a template's name, never a
// file name; the history shows the lines as completed.
TEST(ShellTerminal, TabCompletesTheLanguagesWords) {
  TTempDir Home;
  WriteFile(Home.File("zebra-notes.txt"), "");
  TTerminal Terminal(Home.GetPath());
  ASSERT_TRUE(Terminal.WaitFor("ie> ")) << Terminal.GetScreen();
  Terminal.WaitUntilReading();
  Terminal.Type("(deftem\treading-level (slot v))\n");
  ASSERT_TRUE(Terminal.WaitFor("ie> ")) << Terminal.GetScreen();
  Terminal.Type("(deffunction twice-the-value (?x) (* 2 ?x))\n");
  ASSERT_TRUE(Terminal.WaitFor("ie> ")) << Terminal.GetScreen();
  Terminal.WaitUntilReading();
  Terminal.Type("(twice-th\t21)\n");
  ASSERT_TRUE(Terminal.WaitFor("42\r\nie> ")) << Terminal.GetScreen();
  Terminal.WaitUntilReading();
  Terminal.Type("(assert (reading-\t(v 3)))\n");
  ASSERT_TRUE(Terminal.WaitFor("<Fact-")) << Terminal.GetScreen();
  Terminal.WaitUntilReading();
  Terminal.Type("(printout t \"zebra-\t\" crlf)\n");
  ASSERT_TRUE(Terminal.WaitFor("ie> ")) << Terminal.GetScreen();
  // Typed text survives the line editor's change of terminal modes.
  Terminal.Type("(exit)\n");
  EXPECT_EQ(Terminal.Wait(), 0) << Terminal.GetScreen();
  EXPECT_EQ(HistoryOf(Home),
            "_HiStOrY_V2_\n"
            "(deftemplate reading-level (slot v))\n"
            "(deffunction twice-the-value (?x) (* 2 ?x))\n"
            "(twice-the-value 21)\n"
            "(assert (reading-level (v 3)))\n"
            "(printout t \"zebra-\" crlf)\n"
            "(exit)\n");
}
#endif

}  // namespace
}  // namespace ie
