#include "packages/FuzzyLogicPackage.h"

#include <algorithm>
#include <array>
#include <vector>

#include "core/IEConsts.h"
#include "core/IEFuzzyLogic.h"
#include "core/IEValue.h"
#include "engine/InferenceEngine.h"
#include "functions/IEHelperFunctions.h"
#include "packages/PackageSupport.h"

namespace ie {

namespace {

constexpr int32_t Unlimited = UnlimitedArguments;

// The sentences several help texts share.
#define FACT_ARGUMENT                                                                             \
  " If the argument is a fact or fact id, the FIRST fuzzy slot found in the fact is used as the " \
  "fuzzy value."
#define INFERENCE_METHODS \
  " Five inference methods are available: min-max, sum, mean, product, and bounded-sum."
#define CORRELATION_METHODS " Two correlation methods are available: minimum and product."

constexpr const char* SFuzzyValueArgument =
    " <fact-expression> | <fact-id-expression> | "
    "<fuzzy-value-expression>";
constexpr const char* SFuzzyPointArgument =
    " <fact-expression> | <fact-id-expression> | <fuzzy-value-expression> <integer-expression> ";
constexpr const char* SDefuzzifyArgument =
    " <fact-id-expression> | <fact-expression> | <fuzzy-value-expression> ";
constexpr const char* SUniverseArgument =
    " <fuzzy-type-expression> | <fuzzy-fact-expression> | <fuzzy-fact-id-expression>";
constexpr const char* SUniverseText = "%.4f - %.4f %s";

constexpr std::array<TFunctionRow, 5> ShapeRows = {{
    {"s", nullptr, 2, 2, " <numeric-expression> <numeric-expression> ",
     "Returns a fuzzy value shaped as an S-curve (growth): 0 up to the first number, rising to 1 "
     "at the second."},
    {"z", nullptr, 2, 2, " <numeric-expression> <numeric-expression> ",
     "Returns a fuzzy value shaped as a Z-curve (decline): 1 up to the first number, falling to 0 "
     "at the second."},
    {"pi", nullptr, 2, 3,
     " [ <center-numeric-expression> <range-numeric-expression> ] |  [ "
     "<left-numeric-expression> <center-numeric-expression> <right-numeric-expression> ]",
     "Returns a fuzzy value shaped as a PI curve: with two numbers the centre and the range on "
     "either side of it, with three the left end, the centre and the right end."},
    {"tri", nullptr, 3, 3,
     " <left-numeric-expression> <center-numeric-expression> <right-numeric-expression> ",
     "Returns a fuzzy value shaped as a triangle: 0 at the left number, 1 at the centre and 0 at "
     "the right number."},
    {"beta", nullptr, 2, 4,
     " <center-numeric-expression> <range-numeric-expression> [ "
     "<inflection-numeric-expression> [ <weight-numeric-expression> ]]",
     "Returns a fuzzy value shaped as a beta curve around the centre, 0 at the range's distance on "
     "either side; optionally the distance at which it falls to half its height (half the range by "
     "default) and a weight from 0 to 1 that scales it."},
}};

constexpr std::array<TFunctionRow, 4> DefuzzifyRows = {{
    {"moment-defuzzify", nullptr, 1, 1, SDefuzzifyArgument,
     "Returns the crisp value of a fuzzy value by the moment (centre of gravity) "
     "method." FACT_ARGUMENT},
    {"maximum-defuzzify", nullptr, 1, 1, SDefuzzifyArgument,
     "Returns the crisp value of a fuzzy value by the mean of maxima method." FACT_ARGUMENT},
    {"is-undecidable", nullptr, 1, 1, SDefuzzifyArgument,
     "Returns TRUE when a fuzzy value cannot be defuzzified, its membership being 0 everywhere, "
     "otherwise FALSE." FACT_ARGUMENT},
    {"get-compatibility-index", nullptr, 1, 1, SDefuzzifyArgument,
     "Returns the compatibility index of a fuzzy value: its degree of membership at its centre of "
     "gravity." FACT_ARGUMENT},
}};

constexpr std::array<TFunctionRow, 2> AssertRows = {{
    {"fuzzy-assert", nullptr, 2, Unlimited, " <fuzzy-inference-expression> <fact-expression>*",
     "Asserts the facts; a fuzzy fact equal to one already present is merged with it by the given "
     "inference method (the union of their fuzzy values). Returns the ID of the last fact "
     "asserted, or FALSE when it added nothing." INFERENCE_METHODS},
    {"fuzzy-assert-unconditional", nullptr, 1, Unlimited,
     " [<fuzzy-inference-expression>] <fact-expression>*",
     "Asserts the facts; a fuzzy fact equal to one already present keeps only what both hold (the "
     "intersection of their fuzzy values). The inference method may be left out, min-max being "
     "taken. Returns the ID of the last fact asserted, or FALSE when it added "
     "nothing." INFERENCE_METHODS},
}};

constexpr std::array<TFunctionRow, 4> OperationRows = {{
    {"fuzzy-union", nullptr, 2, Unlimited, " <fuzzy-value-expression> <fuzzy-value-expression>+",
     "Returns the union of the fuzzy values, the maximum of their degrees of "
     "membership." FACT_ARGUMENT},
    {"fuzzy-union-x", nullptr, 3, Unlimited,
     " <fuzzy-union-type-expression> <fuzzy-value-expression> <fuzzy-value-expression>+",
     "Returns the union of the fuzzy values by the given algorithm. The first parameter defines "
     "the fuzzy union algorithm to use: zadeh, mean, mean-sqr, mean-sqrt, product, bounded-sum, "
     "sum. max-product and max-min are accepted as well." FACT_ARGUMENT},
    {"fuzzy-intersection", nullptr, 2, Unlimited,
     " <fuzzy-value-expression> <fuzzy-value-expression>+",
     "Returns the intersection of the fuzzy values, the minimum of their degrees of "
     "membership." FACT_ARGUMENT},
    {"fuzzy-intersection-x", nullptr, 3, Unlimited,
     " <fuzzy-intersection-type-expression> <fuzzy-value-expression> "
     "<fuzzy-value-expression>+",
     "Returns the intersection of the fuzzy values by the given algorithm. The first parameter "
     "defines the fuzzy intersection algorithm to use: zadeh, mean, mean-sqr, mean-sqrt, product, "
     "bounded-sum, sum. max-product and max-min are accepted as well." FACT_ARGUMENT},
}};

constexpr std::array<TFunctionRow, 6> GetRows = {{
    {"get-fs", nullptr, 1, 1, SFuzzyValueArgument,
     "Returns the points of a fuzzy value as a list of (x y) pairs." FACT_ARGUMENT},
    {"get-fs-length", nullptr, 1, 1, SFuzzyValueArgument,
     "Returns the number of points of a fuzzy value." FACT_ARGUMENT},
    {"get-fs-x", nullptr, 2, 2, SFuzzyPointArgument,
     "Returns the x of the point at the given index, counted from 0, of a fuzzy "
     "value." FACT_ARGUMENT},
    {"get-fs-y", nullptr, 2, 2, SFuzzyPointArgument,
     "Returns the degree of membership of the point at the given index, counted from 0, of a fuzzy "
     "value." FACT_ARGUMENT},
    {"get-fs-variable", nullptr, 1, 1, SFuzzyValueArgument,
     "Returns the name of the fuzzy variable of a fuzzy value." FACT_ARGUMENT},
    {"get-fs-value", nullptr, 2, 2,
     " <fact-expression> | <fact-id-expression> | <fuzzy-value-expression> "
     "<numeric-expression> ",
     "Returns the degree of membership of a fuzzy value at the given number." FACT_ARGUMENT},
}};

constexpr std::array<TFunctionRow, 2> ActivationRows = {{
    {"get-activation-threshold", nullptr, 0, 0, " ",
     "Returns the strength that a fuzzy match must reach to activate a rule."},
    {"set-activation-threshold", nullptr, 1, 1, " <numeric-expression> ",
     "Sets the strength, from 0 to 1, that a fuzzy match must reach to activate a rule, and "
     "returns the previous one."},
}};

constexpr std::array<TFunctionRow, 2> AutoTermsRows = {{
    {"get-fuzzy-auto-terms", nullptr, 0, 0, " ",
     "Returns the engine's fuzzy auto-terms setting, TRUE or FALSE."},
    {"set-fuzzy-auto-terms", nullptr, 1, 1, " <boolean-expression> ",
     "Sets the engine's fuzzy auto-terms setting and returns the previous one."},
}};

constexpr std::array<TFunctionRow, 2> CorrelationRows = {{
    {"get-fuzzy-correlation", nullptr, 0, 0, " ",
     "Returns the method by which a fuzzy fact asserted by a rule is adjusted to the strength with "
     "which the rule matched." CORRELATION_METHODS},
    {"set-fuzzy-correlation", nullptr, 1, 1, " <correlation-expression> ",
     "Sets the method by which a fuzzy fact asserted by a rule is adjusted to the strength with "
     "which the rule matched, and returns the previous one." CORRELATION_METHODS},
}};

constexpr std::array<TFunctionRow, 2> InferenceRows = {{
    {"get-fuzzy-inference", nullptr, 0, 0, " ",
     "Returns the method by which an asserted fuzzy fact is merged with an equal fuzzy fact "
     "already present." INFERENCE_METHODS},
    {"set-fuzzy-inference", nullptr, 1, 1, " <fuzzy-inference-expression> ",
     "Sets the method by which an asserted fuzzy fact is merged with an equal fuzzy fact already "
     "present, and returns the previous one." INFERENCE_METHODS},
}};

constexpr std::array<TFunctionRow, 2> ThresholdRows = {{
    {"get-fuzzy-threshold", nullptr, 0, 0, " ",
     "Returns the threshold that a fuzzy value's degree of membership at a number must exceed for "
     "the two to be equal. The default threshold is 0.01."},
    {"set-fuzzy-threshold", nullptr, 1, 1, " <numeric-expression> ",
     "Sets the threshold, from 0 to 1, that a fuzzy value's degree of membership at a number must "
     "exceed for the two to be equal, and returns the previous one. The default threshold is "
     "0.01."},
}};

constexpr std::array<TFunctionRow, 4> UniverseRows = {{
    {"get-u", nullptr, 1, 1, SUniverseArgument,
     "Returns the universe of discourse of a fuzzy type, or of the fuzzy slot of a fact or fact "
     "id, as the text \"from - to units\"."},
    {"get-u-from", nullptr, 1, 1, SUniverseArgument,
     "Returns the lower limit of the universe of discourse of a fuzzy type, or of the fuzzy slot "
     "of a fact or fact id."},
    {"get-u-to", nullptr, 1, 1, SUniverseArgument,
     "Returns the upper limit of the universe of discourse of a fuzzy type, or of the fuzzy slot "
     "of a fact or fact id."},
    {"get-u-units", nullptr, 1, 1, SUniverseArgument,
     "Returns the units of the universe of discourse of a fuzzy type, or of the fuzzy slot of a "
     "fact or fact id."},
}};

#undef FACT_ARGUMENT
#undef INFERENCE_METHODS
#undef CORRELATION_METHODS

bool IsText(const IIEValue& Value) {
  return Value->GetDType() == dtAtom || Value->GetDType() == dtString;
}

bool IsNumber(const IIEValue& Value) {
  return Value->GetDType() == dtInteger || Value->GetDType() == dtFloat;
}

IIEValue Float(double Value) { return new TIEValue(Value); }

// "a, b, c" or, with Or, "a, b, or c".
template <size_t N>
std::string NameList(const std::array<std::string_view, N>& Names, bool Or) {
  std::string Text;
  for (size_t I = 0; I < N; ++I) {
    if (I > 0) Text += ", ";
    if (Or && I + 1 == N && N > 1) Text += "or ";
    Text += Names[I];
  }
  return Text;
}

// The fuzzy variable of the fuzzy type named Name; nil when there is none.
IFuzzyVariable TypeVariable(TInferenceEngine& Engine, const std::string& Name) {
  const IIEDefinedType Type = Engine.GetDefinedTypes().Get(Name);
  return Type ? Type->GetFuzzyType() : nullptr;
}

IFuzzySet Shape(TCreateFuzzyShapeFunctionType Kind, const std::vector<double>& N) {
  IFuzzySet Set = new TIEFuzzySet();
  switch (Kind) {
    case fsGrowthShape:
      Set->MakeGrowth(N[0], N[1]);
      break;
    case fsDeclineShape:
      Set->MakeDecline(N[0], N[1]);
      break;
    case fsPIShape:
      if (N.size() == 2) {
        Set->MakePI(N[0], N[1]);
      } else {
        Set->MakePI(N[0], N[1], N[2]);
      }
      break;
    case fsTriangleShape:
      Set->MakeTriangle(N[0], N[1], N[2]);
      break;
    case fsBetaShape:
      if (N.size() == 2) {
        Set->MakeBeta(N[0], N[1]);
      } else {
        Set->MakeBeta(N[0], N[1], N[2], N.size() > 3 ? N[3] : 1.0);
      }
      break;
  }
  return Set;
}

}  // namespace

// TCreateFuzzyShapeFunction

TCreateFuzzyShapeFunction::TCreateFuzzyShapeFunction(TCreateFuzzyShapeFunctionType Kind)
    : TSelectableFunction(ShapeRows, Kind) {}

void TCreateFuzzyShapeFunction::Call(const IFunCall& FunCall, TIEContext* Context,
                                     IIEValue& Result) {
  std::vector<double> Numbers;
  for (int32_t I = 0; I < FunCall->GetArgumentCount(); ++I) {
    Numbers.push_back(Operand(FunCall, I, Context)->GetAsNumeric());
  }
  try {
    Result = new TIEValue(Shape(GetFunctionType(), Numbers));
  } catch (const EFuzzyError& E) {
    throw EIEException(E.GetMessage());
  }
}

// TDefuzzifyFunction

TDefuzzifyFunction::TDefuzzifyFunction(TDefuzzifyFunctionType Kind)
    : TSelectableFunction(DefuzzifyRows, Kind) {}

void TDefuzzifyFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const IFuzzySet Set = GetFuzzySetFromValue(FunCall->GetArgument(0), Context);
  switch (GetFunctionType()) {
    case dftMoment:
      Result = Float(Set->MomentDefuzzify());
      break;
    case dftMaximum:
      Result = Float(Set->MaximumDefuzzify());
      break;
    case dftUndecidable:
      Result = Truth(Set->IsUndecidable());
      break;
    case dftCompatibilityIndex:
      Result = Float(Set->GetCompatibilityIndex());
      break;
  }
}

// TFuzzyAssertFunction

TFuzzyAssertFunction::TFuzzyAssertFunction(TFuzzyAssertFunctionType Kind)
    : TSelectableFunction(AssertRows, Kind) {}

void TFuzzyAssertFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  const bool Unconditional = GetFunctionType() == fafAssertUnconditional;
  const IIEValue First = Operand(FunCall, 0, Context);
  // The method comes first; only the unconditional form may leave it out.
  TFuzzyInferenceMethod Method = fimMinMax;
  int32_t Start = 0;
  if (IsText(First) ? !IsFuzzyInference(First->GetText(), Method) : !Unconditional) {
    throw EIEException(
        Format(SInvalidFuzzyInference, First->GetToString(), NameList(FuzzyInferenceNames, false)));
  }
  if (IsText(First)) Start = 1;
  Result = FCFalse;
  for (int32_t I = Start; I < FunCall->GetArgumentCount(); ++I) {
    const IIEValue Value = I == 0 ? First : Operand(FunCall, I, Context);
    const IFact Fact = Value->GetAsFact()->Clone();
    Context->Resolve(Fact);
    const int32_t ID = Engine.Assert(Fact, Method, Unconditional);
    Result = ID >= 0 ? IIEValue(new TIEValue(ID, dtFactId)) : IIEValue(FCFalse);
  }
}

// TFuzzyOperationFunction

TFuzzyOperationFunction::TFuzzyOperationFunction(TFuzzyOperationFunctionType Kind)
    : TSelectableFunction(OperationRows, Kind) {}

void TFuzzyOperationFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const TFuzzyOperationFunctionType Kind = GetFunctionType();
  const bool Union = Kind == fofFuzzyUnion || Kind == fofFuzzyUnionX;
  TFuzzyOperation Operation = fopZadeh;
  int32_t Start = 0;
  if (Kind == fofFuzzyUnionX || Kind == fofFuzzyIntersectionX) {
    const IIEValue Name = Operand(FunCall, 0, Context);
    if (!IsText(Name) || !IsFuzzyOperation(Name->GetText(), Operation)) {
      throw EIEException(Format(SInvalidFuzzyOperation, Name->GetToString(), GetFunctionName(),
                                NameList(FuzzyOperationNames, true)));
    }
    Start = 1;
  }
  IFuzzySet Set = GetFuzzySetFromValue(FunCall->GetArgument(Start), Context);
  for (int32_t I = Start + 1; I < FunCall->GetArgumentCount(); ++I) {
    const IFuzzySet Next = GetFuzzySetFromValue(FunCall->GetArgument(I), Context);
    Set = Union ? Set->Union(*Next, Operation) : Set->Intersection(*Next, Operation);
  }
  Result = new TIEValue(Set);
}

// TGetFuzzyFunction

TGetFuzzyFunction::TGetFuzzyFunction(TGetFuzzyFunctionType Kind)
    : TSelectableFunction(GetRows, Kind) {}

void TGetFuzzyFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const IFuzzySet Set = GetFuzzySetFromValue(FunCall->GetArgument(0), Context);
  switch (GetFunctionType()) {
    case gffGetFs: {
      ISingletonsVector Points = new TSingletonsVector(&EngineOf(Context));
      for (int32_t I = 0; I < Set->GetPointCount(); ++I) {
        Points->Add(Float(Set->GetPoint(I).X), Float(Set->GetPoint(I).Y));
      }
      Result = new TIEValue(Points);
      break;
    }
    case gffGetFsLength:
      Result = new TIEValue(Set->GetPointCount(), dtInteger);
      break;
    case gffGetFsX:
      Result = Float(Set->GetPoint(Operand(FunCall, 1, Context)->GetAsInteger()).X);
      break;
    case gffGetFsY:
      Result = Float(Set->GetPoint(Operand(FunCall, 1, Context)->GetAsInteger()).Y);
      break;
    case gffGetFsVariable:
      Result = Set->GetVariable() != nullptr
                   ? IIEValue(new TIEValue(Set->GetVariable()->GetName(), dtAtom))
                   : IIEValue(FCNil);
      break;
    case gffGetFsValue:
      Result = Float(Set->DegreeOfMembership(Operand(FunCall, 1, Context)->GetAsNumeric()));
      break;
  }
}

// TRWActivationThresholdFunction

TRWActivationThresholdFunction::TRWActivationThresholdFunction(
    TActivationThresholdFunctionType Kind)
    : TSelectableFunction(ActivationRows, Kind) {}

void TRWActivationThresholdFunction::Call(const IFunCall& FunCall, TIEContext* Context,
                                          IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  Result = Float(Engine.GetMinActivationStrength());
  if (GetFunctionType() == atfSetActivationThreshold) {
    Engine.SetMinActivationStrength(
        static_cast<float>(Operand(FunCall, 0, Context)->GetAsNumeric()));
  }
}

// TRWFuzzyAutoTerms

TRWFuzzyAutoTerms::TRWFuzzyAutoTerms(TFuzzyAutoTermsFunctionType Kind)
    : TSelectableFunction(AutoTermsRows, Kind) {}

void TRWFuzzyAutoTerms::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  Result = Truth(Engine.GetFuzzyAutoTerms());
  if (GetFunctionType() == fatSetFuzzyAutoTerms) {
    Engine.SetFuzzyAutoTerms(!FCFalse->Equals(Operand(FunCall, 0, Context)));
  }
}

// TRWFuzzyCorrelationFunction

TRWFuzzyCorrelationFunction::TRWFuzzyCorrelationFunction(TFuzzyCorrelationFunctionType Kind)
    : TSelectableFunction(CorrelationRows, Kind) {}

void TRWFuzzyCorrelationFunction::Call(const IFunCall& FunCall, TIEContext* Context,
                                       IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  const IIEValue Previous =
      new TIEValue(std::string(FuzzyCorrelationNames[Engine.GetFuzzyCorrelationMethod()]), dtAtom);
  if (GetFunctionType() == fcfSetFuzzyCorrelation) {
    const std::string Name = Operand(FunCall, 0, Context)->GetAsAtom();
    TFuzzyCorrelationMethod Method = fcmMinimum;
    if (!IsFuzzyCorrelation(Name, Method)) {
      throw EIEException(
          Format(SInvalidFuzzyCorrelation, Name, NameList(FuzzyCorrelationNames, false)));
    }
    Engine.SetFuzzyCorrelationMethod(Method);
  }
  Result = Previous;
}

// TRWFuzzyInferenceFunction

TRWFuzzyInferenceFunction::TRWFuzzyInferenceFunction(TFuzzyInferenceFunctionType Kind)
    : TSelectableFunction(InferenceRows, Kind) {}

void TRWFuzzyInferenceFunction::Call(const IFunCall& FunCall, TIEContext* Context,
                                     IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  const IIEValue Previous =
      new TIEValue(std::string(FuzzyInferenceNames[Engine.GetFuzzyInferenceMethod()]), dtAtom);
  if (GetFunctionType() == fifSetFuzzyInference) {
    const std::string Name = Operand(FunCall, 0, Context)->GetAsAtom();
    TFuzzyInferenceMethod Method = fimMinMax;
    if (!IsFuzzyInference(Name, Method)) {
      throw EIEException(
          Format(SInvalidFuzzyInference, Name, NameList(FuzzyInferenceNames, false)));
    }
    Engine.SetFuzzyInferenceMethod(Method);
  }
  Result = Previous;
}

// TRWFuzzyThresholdFunction

TRWFuzzyThresholdFunction::TRWFuzzyThresholdFunction(TFuzzyThresholdFunctionType Kind)
    : TSelectableFunction(ThresholdRows, Kind) {}

void TRWFuzzyThresholdFunction::Call(const IFunCall& FunCall, TIEContext* Context,
                                     IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  Result = Float(Engine.GetFuzzyEqualsThreshold());
  if (GetFunctionType() == ftfSetFuzzyThreshold) {
    Engine.SetFuzzyEqualsThreshold(
        static_cast<float>(Operand(FunCall, 0, Context)->GetAsNumeric()));
  }
}

// TUniverseOfDiscourseFunction

TUniverseOfDiscourseFunction::TUniverseOfDiscourseFunction(TUniverseOfDiscourseFunctionType Kind)
    : TSelectableFunction(UniverseRows, Kind) {}

void TUniverseOfDiscourseFunction::Call(const IFunCall& FunCall, TIEContext* Context,
                                        IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  const IIEValue Value = Operand(FunCall, 0, Context);
  IFuzzyVariable Variable;
  switch (Value->GetDType()) {
    case dtAtom:
    case dtString:
      Variable = TypeVariable(Engine, Value->GetText());
      break;
    case dtInteger:
    case dtFactId:
    case dtFact:
      // The variable of the slot's set is the slot type's: resolving a
      // fuzzy fact gives its sets the slot's variable.
      Variable = GetFuzzySetFromValue(Value, Context)->GetVariable();
      break;
    default:
      throw EIEException(Format(
          SInvalidDeffunctionArgument, IETypeName(Value->GetDType()),
          SetToString(TIETypes{dtAtom, dtString, dtInteger, dtFactId, dtFact}, ", ", false)));
  }
  if (!Variable) throw EIEException(SFuzzyVariableUndefined);
  switch (GetFunctionType()) {
    case udfGetU:
      Result = new TIEValue(
          Format(SUniverseText, Variable->GetFrom(), Variable->GetTo(), Variable->GetUnits()),
          dtString);
      break;
    case udfGetUFrom:
      Result = Float(Variable->GetFrom());
      break;
    case udfGetUTo:
      Result = Float(Variable->GetTo());
      break;
    case udfGetUUnits:
      Result = new TIEValue(Variable->GetUnits(), dtString);
      break;
  }
}

// TCreateFuzzySetFunction

TCreateFuzzySetFunction::TCreateFuzzySetFunction() {
  SetFunctionName("create-fuzzy-value");
  SetComment(Format(CommentFormat,
                    "Returns a fuzzy value created for the specified fuzzy variable, named by its "
                    "fuzzy type or taken from a fuzzy value, from a linguistic expression of its "
                    "terms, hedges, and, or and brackets [ ]."));
  SetArgumentString(" <fuzzy-variable-expression> <fuzzy-set-expression>");
  SetMaxArgumentCount(Unlimited);
  SetMinArgumentCount(2);
}

void TCreateFuzzySetFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  const IIEValue First = Operand(FunCall, 0, Context);
  IFuzzyVariable Variable;
  if (IsText(First)) {
    Variable = TypeVariable(Engine, First->GetText());
  } else if (First->GetDType() == dtFuzzy) {
    Variable = First->GetAsFuzzy()->GetVariable();
  }
  IValueVector Expression = new TValueVector();
  for (int32_t I = 1; I < FunCall->GetArgumentCount(); ++I) {
    Expression->Add(FunCall->GetArgument(I));
  }
  Result = Engine.EvalFuzzyExpression(Variable, Expression, Context);
}

// TPlotFuzzySetFunction

TPlotFuzzySetFunction::TPlotFuzzySetFunction() {
  SetFunctionName("plot-fuzzy-value");
  SetComment(Format(CommentFormat,
                    "Plots Fuzzy values or entire Fuzzy Variable using printout/text statements, "
                    "over the range from the low to the high limit (a limit that is no number, "
                    "or lies beyond the universe of discourse, is the universe's). Each value is "
                    "drawn with the next plot character, the last one when they run out."));
  SetArgumentString(
      " <io-stream-identifier-string-expression> <plot-chars-string-expression> "
      "<low-limit-numeric-expression> <high-limit-numeric-expression> "
      "<fuzzy-variable-name-expression>|<fuzzy-value-expression>|<fact-id-expression>|<fact-"
      "expression>+");
  SetMaxArgumentCount(Unlimited);
  SetMinArgumentCount(5);
}

void TPlotFuzzySetFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue&) {
  TInferenceEngine& Engine = EngineOf(Context);
  const std::string Stream = Operand(FunCall, 0, Context)->GetAsString();
  const std::string PlotChars = Operand(FunCall, 1, Context)->GetAsString();
  const IIEValue Low = Operand(FunCall, 2, Context);
  const IIEValue High = Operand(FunCall, 3, Context);
  IValueVector Values = new TValueVector();
  for (int32_t I = 4; I < FunCall->GetArgumentCount(); ++I) {
    const IIEValue Item = Operand(FunCall, I, Context);
    if (!IsText(Item)) {
      Values->Add(new TIEValue(GetFuzzySetFromValue(Item, Context)));
      continue;
    }
    // A fuzzy type's name stands for every term of its variable.
    const IFuzzyVariable Variable = TypeVariable(Engine, Item->GetText());
    if (!Variable) throw EIEException(SFuzzyVariableUndefined);
    for (int32_t Term = 0; Term < Variable->GetTermCount(); ++Term) {
      Values->Add(new TIEValue(Variable->GetTerm(Term)));
    }
  }
  // The range: within the universe when there is a variable, else over
  // the points of the sets.
  const TIFuzzyVariable* Variable = nullptr;
  double From = 0;
  double To = 0;
  bool Spanned = false;
  for (const IIEValue& Value : *Values) {
    const IFuzzySet Set = Value->GetAsFuzzy();
    if (Variable == nullptr) Variable = Set->GetVariable();
    if (Set->GetPointCount() == 0) continue;
    const double First = Set->GetPoint(0).X;
    const double Last = Set->GetPoint(Set->GetPointCount() - 1).X;
    From = Spanned ? std::min(From, First) : First;
    To = Spanned ? std::max(To, Last) : Last;
    Spanned = true;
  }
  if (Variable != nullptr) {
    From = Variable->GetFrom();
    To = Variable->GetTo();
  }
  const double Lower = IsNumber(Low) ? Low->GetAsNumeric() : From;
  const double Upper = IsNumber(High) ? High->GetAsNumeric() : To;
  Engine.PlotFuzzySet(Stream, Values, PlotChars,
                      Variable != nullptr ? std::max(Lower, From) : Lower,
                      Variable != nullptr ? std::min(Upper, To) : Upper);
}

// TFuzzyLogicPackage

void TFuzzyLogicPackage::CreateFunctions() {
  TUserPackage::CreateFunctions();
  TUserFunctionList& Functions = GetFunctions();
  Functions.Add(new TCreateFuzzySetFunction());
  for (auto Kind : {fafAssert, fafAssertUnconditional}) {
    Functions.Add(new TFuzzyAssertFunction(Kind));
  }
  for (auto Kind : {fofFuzzyUnion, fofFuzzyUnionX, fofFuzzyIntersection, fofFuzzyIntersectionX}) {
    Functions.Add(new TFuzzyOperationFunction(Kind));
  }
  for (auto Kind :
       {gffGetFs, gffGetFsLength, gffGetFsX, gffGetFsY, gffGetFsVariable, gffGetFsValue}) {
    Functions.Add(new TGetFuzzyFunction(Kind));
  }
  for (auto Kind : {udfGetU, udfGetUFrom, udfGetUTo, udfGetUUnits}) {
    Functions.Add(new TUniverseOfDiscourseFunction(Kind));
  }
  for (auto Kind : {fatGetFuzzyAutoTerms, fatSetFuzzyAutoTerms}) {
    Functions.Add(new TRWFuzzyAutoTerms(Kind));
  }
  for (auto Kind : {ftfGetFuzzyThreshold, ftfSetFuzzyThreshold}) {
    Functions.Add(new TRWFuzzyThresholdFunction(Kind));
  }
  for (auto Kind : {atfGetActivationThreshold, atfSetActivationThreshold}) {
    Functions.Add(new TRWActivationThresholdFunction(Kind));
  }
  for (auto Kind : {fcfGetFuzzyCorrelation, fcfSetFuzzyCorrelation}) {
    Functions.Add(new TRWFuzzyCorrelationFunction(Kind));
  }
  for (auto Kind : {fifGetFuzzyInference, fifSetFuzzyInference}) {
    Functions.Add(new TRWFuzzyInferenceFunction(Kind));
  }
  for (auto Kind : {dftMoment, dftMaximum, dftUndecidable, dftCompatibilityIndex}) {
    Functions.Add(new TDefuzzifyFunction(Kind));
  }
  for (auto Kind : {fsGrowthShape, fsDeclineShape, fsPIShape, fsTriangleShape, fsBetaShape}) {
    Functions.Add(new TCreateFuzzyShapeFunction(Kind));
  }
  Functions.Add(new TPlotFuzzySetFunction());
}

}  // namespace ie
