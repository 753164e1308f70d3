#include "packages/IOFunctions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "TempDirSupport.h"
#include "TestSupport.h"
#include "ValueSupport.h"
#include "engine/InferenceEngine.h"
#include "rete/IEContext.h"

namespace ie {
namespace {

std::string Contents(const std::string& FileName) {
  std::ifstream In(FileName, std::ios::binary);
  std::stringstream Text;
  Text << In.rdbuf();
  return Text.str();
}

void Write(const std::string& FileName, const std::string& Text) {
  std::ofstream(FileName, std::ios::binary) << Text;
}

// Calls of the I/O functions in an engine's root context. Listen() logs
// what reaches OnPrintOut as "name|text"; Answer() queues lines for
// OnReadLine, which logs the name it is asked for.
class IOFunctionsTest : public ::testing::Test {
 protected:
  ~IOFunctionsTest() override { Engine->Free(); }

  void Listen() {
    Engine->SetOnPrintOut([this](TObject* Sender, const std::string& Name, const std::string& Text) {
      EXPECT_EQ(Sender, Engine);
      Printed.push_back(Name + "|" + Text);
    });
  }
  void Answer(std::vector<std::string> Lines) {
    Answers = std::move(Lines);
    Engine->SetOnReadLine([this](TObject*, const std::string& Name, std::string& Text) {
      Asked.push_back(Name);
      Text = Answers.at(Asked.size() - 1);
    });
  }
  IFunCall Make(const std::string& Name, std::initializer_list<IIEValue> Args) {
    IFunCall Call = new TFunctionCall(Engine, Name);
    for (const IIEValue& Arg : Args) Call->AddArgument(Arg);
    return Call;
  }
  IIEValue C(const std::string& Name, std::initializer_list<IIEValue> Args = {}) {
    return new TIEValue(Make(Name, Args));
  }
  IIEValue Call(const std::string& Name, std::initializer_list<IIEValue> Args = {}) {
    return Make(Name, Args)->Execute(Engine->GetContext());
  }
  std::string Run(const std::string& Name, std::initializer_list<IIEValue> Args = {}) {
    const IIEValue Result = Call(Name, Args);
    return Result ? Result->GetToString() : "<empty>";
  }
  std::string Fails(const std::string& Name, std::initializer_list<IIEValue> Args) {
    return ErrorOf<Exception>([&] { Call(Name, Args); });
  }
  // What (format t Control Values...) writes.
  std::string Formatted(const std::string& Control, std::initializer_list<IIEValue> Values) {
    IFunCall Format = Make("format", {Atom("t"), Str(Control)});
    for (const IIEValue& Value : Values) Format->AddArgument(Value);
    Printed.clear();
    EXPECT_EQ(Format->Execute(Engine->GetContext()).Get(), FCNil);
    return Printed.size() == 1 ? Printed[0] : "printed " + std::to_string(Printed.size());
  }

  TInferenceEngine* Engine = Create<TInferenceEngine>(nullptr);
  TTempDir Dir;
  std::vector<std::string> Printed;
  std::vector<std::string> Answers;
  std::vector<std::string> Asked;
};

TEST_F(IOFunctionsTest, EachFunctionHasItsNameLimitsAndArgumentText) {
  struct TCase {
    const char* Name;
    int32_t Min, Max;
    const char* Arguments;
  };
  const int32_t None = UnlimitedArguments;
  const TCase Cases[] = {
      {"printout", 0, None, " <logical-name> <expression>*"},
      {"format", 2, None, " <logical-name> <string-expression> <expression>*"},
      {"read", 0, 1, " [<logical-name>]"},
      {"readline", 0, 1, " [<logical-name>]"},
      {"open", 2, 3, " <filename> <logical-name> [a|r|w|r+]"},
      {"close", 0, None, " [<logical-name>+]"},
      {"remove", 1, 1, " [<file-name>]"},
      {"rename", 2, 2, " [<old-file-name> <new-file-name>]"},
      {"batch", 1, 1, " <filename>"},
      {"dribble-on", 1, 1, " <filename>"},
      {"dribble-off", 0, 0, ""},
  };
  for (const TCase& Case : Cases) {
    const IUserFunction F = Engine->GetUserFunction(Case.Name);
    ASSERT_TRUE(F) << Case.Name;
    EXPECT_EQ(F->GetMinArgumentCount(), Case.Min) << Case.Name;
    EXPECT_EQ(F->GetMaxArgumentCount(), Case.Max) << Case.Name;
    EXPECT_EQ(F->GetArgumentString(), Case.Arguments) << Case.Name;
    EXPECT_FALSE(F->GetComment().empty()) << Case.Name;
  }
  EXPECT_EQ(Fails("open", {Str("f"), Atom("a"), Str("r"), Str("x")}), "Too many arguments for open");
}

TEST_F(IOFunctionsTest, PrintoutWritesEachValueWithoutSeparators) {
  Listen();
  EXPECT_EQ(Call("printout", {Atom("t"), Str("x="), Int(5), Atom("crlf")}).Get(), FCNil);
  Engine->GetContext()->SetVariable("v", Atom("bound"));
  Call("printout", {Atom("t"), List({Atom("a"), Str("b")}), Flt(2.5), Atom("CRLF"), Var("v")});
  Call("printout", {Atom("t"), new TIEValue(3, dtFactId), Str("say \"hi\"")});
  Call("printout", {C("implode$", {List({Atom("t")})}), Atom("named")});
  Call("printout", {});
  EXPECT_EQ(Printed, (std::vector<std::string>{"t|x=5\r\n", "t|(a \"b\" )2.5000CRLFbound",
                                               "t|<Fact-3>say \"hi\"", "t|named", "|"}));
}

TEST_F(IOFunctionsTest, PrintingToAnUnknownNameIsDroppedOnlyWhileOnPrintOutIsAssigned) {
  EXPECT_EQ(Fails("printout", {Atom("nowhere"), Str("lost")}),
            "Function is unimplemented or unassigned: printout");
  EXPECT_EQ(Fails("format", {Atom("nowhere"), Str("%d"), Int(1)}),
            "Function is unimplemented or unassigned: printout");
  // Standard output without a listener is dropped silently.
  EXPECT_EQ(Call("printout", {Atom("t"), Str("unheard")}).Get(), FCNil);
  Listen();
  EXPECT_EQ(Call("printout", {Atom("nowhere"), Str("lost")}).Get(), FCNil);
  EXPECT_TRUE(Printed.empty());
}

TEST_F(IOFunctionsTest, CaptureTakesTheStandardOutputIntoTheHostsStream) {
  Listen();
  auto* Capture = Create<TStringStream>();
  EXPECT_TRUE(Engine->StartCapture(Capture));
  Call("printout", {Atom("t"), Str("one"), Atom("crlf")});
  Call("format", {Atom(""), Str("%d"), Int(2)});
  EXPECT_EQ(Capture->GetDataString(), "one\r\n2");
  EXPECT_TRUE(Printed.empty());
  EXPECT_TRUE(Engine->StopCapture());
  EXPECT_THROW(Engine->StartCapture(Dir.File("no/such/dir")), EFCreateError);
  EXPECT_EQ(Engine->GetCaptureStream(), nullptr);
}

TEST_F(IOFunctionsTest, FormatFillsDirectivesFromTheValuesInTurn) {
  Listen();
  EXPECT_EQ(Formatted("%d items%n", {Int(3)}), "t|3 items\r\n");
  EXPECT_EQ(Formatted("total", {Int(1), Int(2)}), "t|total 1 2");
  EXPECT_EQ(Formatted("%s", {Str("a")}), "t|\"a\"");
  EXPECT_EQ(Formatted("%q %d", {Int(1), Int(2)}), "t|%q %d");
  EXPECT_EQ(Formatted("%5.2f|%-4d|%x|%u", {Flt(3.14159), Int(7), Int(255), Int(-1)}),
            "t| 3.14|7   |FF|4294967295");
  EXPECT_EQ(Formatted("%e %g %m", {Int(1), Flt(0.5), Flt(1234.5)}),
            "t|1.00000000000000E+000 0.5 $1,234.50");
  EXPECT_EQ(Formatted("%n%d%n%n", {Int(5)}), "t|\r\n5\r\n\r\n");
  EXPECT_EQ(Formatted("[%p]", {new TIEValue(static_cast<void*>(nullptr))}),
            "t|[0000000000000000]");
  EXPECT_EQ(Formatted("no values%n", {}), "t|no values\r\n");
  // Values without a directive follow after a blank, strings unquoted.
  EXPECT_EQ(Formatted("%d", {Int(1), Str("two"), List({Atom("x")}), new TIEValue(4, dtFactId),
                             Flt(1.5)}),
            "t|1 two (x ) 4 1.5000");
  // Each search starts at the beginning: a percent sign brought in by a
  // value is the next directive.
  EXPECT_EQ(Formatted("%s %d", {Str("%d"), Int(7)}), "t|\"7\" %d");
  // A directive ending the text takes its last character as the letter.
  EXPECT_EQ(Formatted("50%", {Int(1)}), "t|50%");
  EXPECT_EQ(Formatted("%5", {Int(1)}), "t|%5");
  // The control string is read as written, not evaluated.
  Engine->GetContext()->SetVariable("c", Str("%d"));
  Printed.clear();
  Call("format", {Atom("t"), Var("c"), Int(1)});
  EXPECT_EQ(Printed, std::vector<std::string>{"t|c 1"});
}

TEST_F(IOFunctionsTest, FormatErrorsPassThroughAndLeaveTheEngineUsable) {
  Listen();
  EXPECT_EQ(Fails("format", {Atom("t"), Str("%d"), Str("abc")}),
            "Not a integer type.  Value (\"abc\") is a dtString type");
  EXPECT_EQ(Fails("format", {Atom("t"), Str("%f"), Atom("x")}),
            "Not a numeric type.  Value (x) is a dtAtom type");
  EXPECT_EQ(Fails("format", {Atom("t"), Str("%.d"), Int(1)}),
            "Format '%.d' invalid or incompatible with argument");
  EXPECT_EQ(Fails("format", {Atom("t"), Str("%5000d"), Int(1)}),
            "Format '%5000d' invalid or incompatible with argument");
  EXPECT_EQ(Fails("format", {Atom("t"), Str("x %-%d"), Int(1)}),
            "Format 'x %-%d' invalid or incompatible with argument");
  EXPECT_EQ(Fails("format", {Atom("t"), Str("%p"), Int(1)}),
            "Not a External Address type.  Value (1) is a dtInteger type");
  EXPECT_TRUE(Printed.empty());
  EXPECT_EQ(Formatted("%d", {Int(9)}), "t|9");
}

TEST_F(IOFunctionsTest, ReadlineAsksOnReadLineAndReadsAnEmptyLineAsEOF) {
  EXPECT_EQ(Fails("readline", {}),
            "The readline event has not been implemented or unassigned.  Its handler must block "
            "until the input is there, for example with a modal dialog.");
  Answer({"yes please", "", "again"});
  const IIEValue Line = Call("readline");
  EXPECT_EQ(Line->GetDType(), dtString);
  EXPECT_EQ(Line->GetText(), "yes please");
  EXPECT_EQ(Call("readline", {Atom("t")}).Get(), FCEOF);
  // A name that is no logical stream goes to the host as well.
  EXPECT_EQ(Call("readline", {Atom("keyboard")})->GetText(), "again");
  EXPECT_EQ(Asked, (std::vector<std::string>{"", "t", "keyboard"}));
}

TEST_F(IOFunctionsTest, ReadlineReadsTheLinesOfAFileOpenedForReading) {
  const std::string File = Dir.File("in.txt");
  Write(File, "first\r\nsecond\n\nlast");
  Answer({"from the host"});
  EXPECT_EQ(Run("open", {Str(File), Atom("in")}), "in");
  std::vector<std::string> Lines;
  for (int I = 0; I < 6; ++I) Lines.push_back(Run("readline", {Atom("in")}));
  EXPECT_EQ(Lines, (std::vector<std::string>{"\"first\"", "\"second\"", "EOF", "\"last\"", "EOF",
                                             "EOF"}));
  EXPECT_EQ(Run("readline", {Atom("t")}), "\"from the host\"");
  EXPECT_EQ(Fails("printout", {Atom("in"), Str("x")}), "Stream write error");
}

TEST_F(IOFunctionsTest, OpenChoosesTheStreamByMode) {
  const std::string Out = Dir.File("out.txt");
  const IIEValue Name = Atom("out");
  const IIEValue Opened = Call("open", {Str(Out), Name, Str("w")});
  EXPECT_TRUE(Opened->Equals(Name));
  EXPECT_NE(Opened.Get(), Name.Get());
  Call("printout", {Atom("out"), Str("hi")});
  EXPECT_EQ(Run("close", {Atom("out")}), "TRUE");
  EXPECT_EQ(Contents(Out), "hi");

  // "a" writes at the end of an existing file and creates a missing one.
  Call("open", {Str(Out), Atom("log"), Str("a")});
  Call("format", {Atom("log"), Str("%s!%n"), Atom("there")});
  Call("open", {Str(Dir.File("new.txt")), Atom("new"), Str("a")});
  Call("printout", {Atom("new"), Str("fresh")});
  Call("close", {Atom("log"), Atom("new")});
  EXPECT_EQ(Contents(Out), "hithere!\r\n");
  EXPECT_EQ(Contents(Dir.File("new.txt")), "fresh");

  // "w" empties; "r+" reads and writes where the reading stopped.
  Write(Out, "line one\nline two\n");
  Call("open", {Str(Out), Atom("rw"), Str("r+")});
  EXPECT_EQ(Run("readline", {Atom("rw")}), "\"line one\"");
  Call("printout", {Atom("rw"), Str("LINE")});
  Call("close", {Atom("rw")});
  EXPECT_EQ(Contents(Out), "line one\nLINE two\n");
  Call("open", {Str(Out), Atom("w"), Str("w")});
  Call("close");
  EXPECT_EQ(Contents(Out), "");
}

TEST_F(IOFunctionsTest, OpenFailuresChangeNothing) {
  const std::string Missing = Dir.File("missing.txt");
  EXPECT_EQ(Fails("open", {Str(Missing), Atom("in"), Str("x")}),
            "Invalid File Access Specifier: \"x\"");
  EXPECT_EQ(Fails("open", {Str(Missing), Atom("in"), Str("R")}),
            "Invalid File Access Specifier: \"R\"");
  EXPECT_FALSE(std::filesystem::exists(Missing));
  EXPECT_EQ(Fails("open", {Str(Missing), Atom("in")}),
            "Cannot open file \"" + Missing + "\". No such file or directory");
  EXPECT_THROW(Call("open", {Str(Dir.File("no/dir.txt")), Atom("out"), Str("w")}), EFCreateError);
  EXPECT_EQ(Engine->GetIOStreams().GetCount(), 0);
}

TEST_F(IOFunctionsTest, CloseRemovesNamedStreamsOrAll) {
  for (const char* Name : {"a", "b", "c"}) {
    Call("open", {Str(Dir.File(Name)), Atom(Name), Str("w")});
  }
  EXPECT_EQ(Fails("close", {Atom("nope")}), "Invalid stream name: nope");
  EXPECT_EQ(Fails("close", {Atom("t")}), "Invalid stream name: t");
  // Names before the unknown one are closed, the rest stay.
  EXPECT_EQ(Fails("close", {Atom("a"), Atom("nope"), Atom("b")}), "Invalid stream name: nope");
  EXPECT_FALSE(Engine->GetIOStreams().ContainsKey("a"));
  EXPECT_EQ(Engine->GetIOStreams().GetCount(), 2);
  EXPECT_EQ(Run("close"), "TRUE");
  EXPECT_EQ(Engine->GetIOStreams().GetCount(), 0);
  EXPECT_EQ(Run("close"), "TRUE");
}

TEST_F(IOFunctionsTest, ReopeningALogicalNameFollowsDuplicateConstructs) {
  const std::string First = Dir.File("first"), Second = Dir.File("second");
  Call("open", {Str(First), Atom("out"), Str("w")});
  Call("printout", {Atom("out"), Str("1")});
  Engine->SetDuplicateConstructs(dcError);
  EXPECT_EQ(Fails("open", {Str(Second), Atom("out"), Str("w")}),
            "Duplicate streams defined with same name: \"out\"");
  Engine->SetDuplicateConstructs(dcIgnore);
  Call("open", {Str(Second), Atom("out"), Str("w")});
  Call("printout", {Atom("out"), Str("2")});
  // The default replaces the stream, closing the old one.
  Engine->SetDuplicateConstructs(dcOverwrite);
  Call("open", {Str(Second), Atom("out"), Str("w")});
  EXPECT_EQ(Contents(First), "12");
  Call("printout", {Atom("out"), Str("3")});
  // Clear closes every stream.
  Engine->Clear();
  EXPECT_EQ(Contents(Second), "3");
  EXPECT_EQ(Engine->GetIOStreams().GetCount(), 0);
}

TEST_F(IOFunctionsTest, RemoveAndRenameReportWhetherTheyDidIt) {
  const std::string A = Dir.File("a"), B = Dir.File("b");
  Write(A, "a");
  Write(B, "b");
  EXPECT_EQ(Run("rename", {Str(A), Str(B)}), "FALSE");
  EXPECT_EQ(Contents(A), "a");
  EXPECT_EQ(Contents(B), "b");
  EXPECT_EQ(Run("remove", {Str(B)}), "TRUE");
  EXPECT_FALSE(std::filesystem::exists(B));
  EXPECT_EQ(Run("remove", {Str(B)}), "FALSE");
  EXPECT_EQ(Run("rename", {Str(A), Str(B)}), "TRUE");
  EXPECT_EQ(Contents(B), "a");
  EXPECT_FALSE(std::filesystem::exists(A));
  EXPECT_EQ(Run("rename", {Str(A), Str(Dir.File("c"))}), "FALSE");
  // A directory is not a file to remove.
  std::filesystem::create_directory(Dir.File("d"));
  EXPECT_EQ(Run("remove", {Str(Dir.File("d"))}), "FALSE");
  EXPECT_TRUE(std::filesystem::exists(Dir.File("d")));
}

TEST_F(IOFunctionsTest, WithoutAnEngineInTheContextTheyFail) {
  TIEContext* Plain = Create<TIEContext>(nullptr, nullptr);
  for (const char* Name : {"printout", "readline", "close"}) {
    EXPECT_THROW(Make(Name, {})->Execute(Plain), EInvalidCast) << Name;
  }
  Plain->Free();
}

}  // namespace
}  // namespace ie
