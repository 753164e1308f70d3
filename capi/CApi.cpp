// The C interface (include/ie/ie_c.h) over THostEngine. Each entry point
// catches everything: an exception turns into a status and a message.
#include "ie/ie_c.h"

#include <cstdio>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "capi/HostEngine.h"

using namespace ie;

struct ie_value {
  explicit ie_value(IIEValue Held) : Value(std::move(Held)) {}

  IIEValue Value;
  // Made on first request; they live as long as the value.
  std::string Text;
  bool HasText = false;
  std::vector<ie_value> Items;
  bool HasItems = false;
};

struct ie_fact {
  int32_t ID = -1;
  std::string Template;
  std::string Text;
  std::vector<std::string> Names;
  std::vector<ie_value> Values;
};

struct ie_call {
  std::vector<ie_value> Arguments;
  IIEValue Result;
  std::string Error;
};

struct ie_engine {
  THostEngine Host;
  std::string LastError;
};

namespace {

constexpr const char* SInvalidEngine = "Invalid engine handle: null or freed";
constexpr const char* SNullText = "%s: null where text is needed";
constexpr const char* SNullArgument = "%s: null argument";
constexpr const char* SIntegerRange = "Integer out of range: %s";
constexpr const char* SHostFunctionFailed = "Host function %s failed";
constexpr const char* SNotEvaluated = "%s: not a function call";

// A refusal of the caller's arguments (IE_INVALID), not the engine's error.
class EInvalid : public EIEException {
 public:
  using EIEException::EIEException;
};

// The message of a call that had no engine to keep it.
thread_local std::string GThreadError;

// The engines handed out and not freed, to refuse a freed handle.
std::mutex GLiveLock;
std::unordered_set<const ie_engine*> GLive;

bool IsLive(const ie_engine* Engine) {
  const std::lock_guard<std::mutex> Lock(GLiveLock);
  return Engine != nullptr && GLive.count(Engine) > 0;
}

const char* CheckedText(const char* Text, const char* Call) {
  if (Text == nullptr) throw EInvalid(Format(SNullText, Call));
  try {
    CheckUtf8(Text);
  } catch (const EIEException& Error) {
    throw EInvalid(std::string(Call) + ": " + Error.what());
  }
  return Text;
}

void CheckPointer(const void* Pointer, const char* Call) {
  if (Pointer == nullptr) throw EInvalid(Format(SNullArgument, Call));
}

// Runs Work as Engine's one call and turns whatever it raises into a
// status, its message kept on the engine. A refused handle or a busy
// engine leaves its message for the thread: another thread may own the
// engine's message meanwhile.
template <typename TWork>
int Guard(ie_engine* Engine, const char* Call, TWork&& Work) {
  if (!IsLive(Engine)) {
    GThreadError = SInvalidEngine;
    return IE_INVALID;
  }
  try {
    return Engine->Host.Enter(Call, [&] {
      Engine->LastError.clear();
      try {
        Work();
        return int{IE_OK};
      } catch (const EInvalid& Error) {
        Engine->LastError = Error.what();
        return int{IE_INVALID};
      } catch (const std::exception& Error) {
        Engine->LastError = Error.what();
      } catch (...) {
        Engine->LastError = "Unknown error";
      }
      return int{IE_ERROR};
    });
  } catch (const EHostBusy& Error) {
    GThreadError = Error.what();
    return IE_BUSY;
  } catch (...) {
    // Only storing a message can get here, when memory runs out.
    return IE_ERROR;
  }
}

// The same for a call without an engine; Make's result, or NULL.
template <typename TMake>
auto Construct(TMake&& Make) -> decltype(Make()) {
  try {
    return Make();
  } catch (const std::exception& Error) {
    GThreadError = Error.what();
  } catch (...) {
    GThreadError = "Unknown error";
  }
  return nullptr;
}

ie_value* NewValue(IIEValue Value) { return new ie_value(std::move(Value)); }

TIEType KindOf(const ie_value* Value) {
  return Value != nullptr && Value->Value ? Value->Value->GetDType() : dtNone;
}

void ReadStandardInput(std::string& Line) {
  Line.clear();
  char Buffer[256];
  while (std::fgets(Buffer, sizeof Buffer, stdin) != nullptr) {
    Line += Buffer;
    if (Line.back() == '\n') {
      Line.pop_back();
      if (!Line.empty() && Line.back() == '\r') Line.pop_back();
      return;
    }
  }
}

void SetDefaultPrint(THostEngine& Host) {
  Host.SetPrint(
      [](const std::string&, const std::string& Text) { std::fputs(Text.c_str(), stdout); });
}

void SetDefaultReadLine(THostEngine& Host) {
  Host.SetReadLine([](const std::string&, std::string& Line) {
    ReadStandardInput(Line);
    return !(Line.empty() && std::feof(stdin));
  });
}

}  // namespace

extern "C" {

const char* ie_version(void) { return IE_VERSION; }

ie_engine* ie_engine_new(void) {
  return Construct([] {
    auto Engine = std::make_unique<ie_engine>();
    SetDefaultPrint(Engine->Host);
    SetDefaultReadLine(Engine->Host);
    const std::lock_guard<std::mutex> Lock(GLiveLock);
    GLive.insert(Engine.get());
    return Engine.release();
  });
}

int ie_engine_free(ie_engine* engine) {
  // Refused while one of the engine's calls runs.
  const int Status = Guard(engine, "ie_engine_free", [] {});
  if (Status != IE_OK) return Status;
  {
    const std::lock_guard<std::mutex> Lock(GLiveLock);
    GLive.erase(engine);
  }
  delete engine;
  return IE_OK;
}

const char* ie_last_error(const ie_engine* engine) {
  return IsLive(engine) ? engine->LastError.c_str() : GThreadError.c_str();
}

int ie_load(ie_engine* engine, const char* text) {
  return Guard(engine, "ie_load",
               [&] { engine->Host.GetEngine()->Parse(CheckedText(text, "ie_load"), true); });
}

int ie_load_file(ie_engine* engine, const char* path) {
  return Guard(engine, "ie_load_file",
               [&] { engine->Host.GetEngine()->LoadFromFile(CheckedText(path, "ie_load_file")); });
}

int ie_assert(ie_engine* engine, const char* text, int32_t* id) {
  return Guard(engine, "ie_assert", [&] {
    const int32_t ID =
        engine->Host.GetEngine()->Assert(std::string(CheckedText(text, "ie_assert")));
    if (id != nullptr) *id = ID;
  });
}

int ie_retract(ie_engine* engine, int32_t id) {
  return Guard(engine, "ie_retract", [&] {
    if (engine->Host.GetEngine()->Retract(id) < 0) {
      throw EIEException(Format(SNoSuchFactID, std::to_string(id)));
    }
  });
}

int ie_run(ie_engine* engine, int32_t limit, int32_t* fired) {
  return Guard(engine, "ie_run", [&] {
    const int32_t Fired =
        engine->Host.GetEngine()->Run(limit < 0 ? TInferenceEngine::UnlimitedSteps : limit);
    if (fired != nullptr) *fired = Fired;
  });
}

int ie_reset(ie_engine* engine) {
  return Guard(engine, "ie_reset", [&] { engine->Host.GetEngine()->Reset(); });
}

int ie_clear(ie_engine* engine) {
  return Guard(engine, "ie_clear", [&] { engine->Host.GetEngine()->Clear(); });
}

int ie_eval(ie_engine* engine, const char* expression, ie_value** result) {
  return Guard(engine, "ie_eval", [&] {
    CheckPointer(result, "ie_eval");
    *result = nullptr;
    const std::string Text = CheckedText(expression, "ie_eval");
    *result = NewValue(engine->Host.GetEngine()->ParseNExecuteFunCall(Text));
  });
}

int ie_fact_ids(ie_engine* engine, int32_t* ids, size_t capacity, size_t* count) {
  return Guard(engine, "ie_fact_ids", [&] {
    CheckPointer(count, "ie_fact_ids");
    if (capacity > 0) CheckPointer(ids, "ie_fact_ids");
    const TFacts& Facts = engine->Host.GetEngine()->GetFacts();
    *count = static_cast<size_t>(Facts.GetCount());
    size_t Index = 0;
    for (const IFact& Fact : Facts) {
      if (Index == capacity) break;
      ids[Index++] = Fact->GetID();
    }
  });
}

int ie_fact_get(ie_engine* engine, int32_t id, ie_fact** fact) {
  return Guard(engine, "ie_fact_get", [&] {
    CheckPointer(fact, "ie_fact_get");
    *fact = nullptr;
    const IFact Found = engine->Host.GetEngine()->GetFactByID(id);
    if (!Found) throw EIEException(Format(SNoSuchFactID, std::to_string(id)));
    auto Snapshot = std::make_unique<ie_fact>();
    Snapshot->ID = Found->GetID();
    Snapshot->Template = Found->GetTemplate()->GetTemplateName();
    Snapshot->Text = Found->GetToString();
    for (auto& [Name, Value] : FactSlots(Found)) {
      Snapshot->Names.push_back(std::move(Name));
      Snapshot->Values.emplace_back(std::move(Value));
    }
    *fact = Snapshot.release();
  });
}

void ie_fact_free(ie_fact* fact) { delete fact; }

int32_t ie_fact_id(const ie_fact* fact) { return fact != nullptr ? fact->ID : -1; }

const char* ie_fact_template(const ie_fact* fact) {
  return fact != nullptr ? fact->Template.c_str() : nullptr;
}

const char* ie_fact_text(const ie_fact* fact) {
  return fact != nullptr ? fact->Text.c_str() : nullptr;
}

size_t ie_fact_slot_count(const ie_fact* fact) { return fact != nullptr ? fact->Names.size() : 0; }

const char* ie_fact_slot_name(const ie_fact* fact, size_t index) {
  return fact != nullptr && index < fact->Names.size() ? fact->Names[index].c_str() : nullptr;
}

const ie_value* ie_fact_slot_value(const ie_fact* fact, size_t index) {
  return fact != nullptr && index < fact->Values.size() ? &fact->Values[index] : nullptr;
}

ie_kind ie_value_kind(const ie_value* value) {
  switch (KindOf(value)) {
    case dtNone:
      return IE_NONE;
    case dtAtom:
      return IE_SYMBOL;
    case dtString:
      return IE_STRING;
    case dtInteger:
      return IE_INTEGER;
    case dtFloat:
      return IE_FLOAT;
    case dtFactId:
      return IE_FACT_ID;
    case dtList:
      return IE_LIST;
    case dtFuzzy:
      return IE_FUZZY;
    default:
      return IE_OTHER;
  }
}

int ie_value_integer(const ie_value* value, int64_t* result) {
  const TIEType Kind = KindOf(value);
  if (result == nullptr || (Kind != dtInteger && Kind != dtFactId)) return IE_INVALID;
  *result = Kind == dtInteger ? value->Value->GetAsInteger() : value->Value->GetAsFactId();
  return IE_OK;
}

int ie_value_float(const ie_value* value, double* result) {
  const TIEType Kind = KindOf(value);
  if (result == nullptr || (Kind != dtFloat && Kind != dtInteger)) return IE_INVALID;
  *result = value->Value->GetAsFloat();
  return IE_OK;
}

const char* ie_value_text(const ie_value* value) {
  if (value == nullptr) return nullptr;
  auto* Mutable = const_cast<ie_value*>(value);
  if (!Mutable->HasText) {
    const TIEType Kind = KindOf(value);
    try {
      Mutable->Text = Kind == dtAtom || Kind == dtString ? value->Value->GetAsString()
                      : Kind == dtNone                   ? std::string()
                                                         : value->Value->GetToString();
    } catch (...) {
      return nullptr;
    }
    Mutable->HasText = true;
  }
  return Mutable->Text.c_str();
}

size_t ie_value_list_size(const ie_value* value) {
  return KindOf(value) == dtList ? static_cast<size_t>(value->Value->GetAsList()->GetCount()) : 0;
}

const ie_value* ie_value_list_item(const ie_value* value, size_t index) {
  if (index >= ie_value_list_size(value)) return nullptr;
  auto* Mutable = const_cast<ie_value*>(value);
  if (!Mutable->HasItems) {
    try {
      const IValueVector List = value->Value->GetAsList();
      Mutable->Items.reserve(List->GetCount());
      for (int32_t Item = 0; Item < List->GetCount(); ++Item) {
        Mutable->Items.emplace_back(List->Get(Item));
      }
    } catch (...) {
      Mutable->Items.clear();
      return nullptr;
    }
    Mutable->HasItems = true;
  }
  return &Mutable->Items[index];
}

size_t ie_value_fuzzy_size(const ie_value* value) {
  return KindOf(value) == dtFuzzy ? static_cast<size_t>(value->Value->GetAsFuzzy()->GetPointCount())
                                  : 0;
}

int ie_value_fuzzy_point(const ie_value* value, size_t index, double* x, double* y) {
  if (x == nullptr || y == nullptr || index >= ie_value_fuzzy_size(value)) return IE_INVALID;
  const auto& Point = value->Value->GetAsFuzzy()->GetPoint(static_cast<int32_t>(index));
  *x = Point.X;
  *y = Point.Y;
  return IE_OK;
}

ie_value* ie_value_new_integer(int64_t number) {
  return Construct([&] {
    if (number < INT32_MIN || number > INT32_MAX) {
      throw EIEException(Format(SIntegerRange, std::to_string(number)));
    }
    return NewValue(new TIEValue(static_cast<int32_t>(number), dtInteger));
  });
}

ie_value* ie_value_new_float(double number) {
  return Construct([&] { return NewValue(new TIEValue(number)); });
}

ie_value* ie_value_new_symbol(const char* name) {
  return Construct(
      [&] { return NewValue(new TIEValue(CheckedText(name, "ie_value_new_symbol"), dtAtom)); });
}

ie_value* ie_value_new_string(const char* text) {
  return Construct(
      [&] { return NewValue(new TIEValue(CheckedText(text, "ie_value_new_string"), dtString)); });
}

ie_value* ie_value_new_list(const ie_value* const* items, size_t count) {
  return Construct([&] {
    if (count > 0) CheckPointer(items, "ie_value_new_list");
    const IValueVector List = new TValueVector();
    for (size_t Index = 0; Index < count; ++Index) {
      CheckPointer(items[Index], "ie_value_new_list");
      List->Add(items[Index]->Value ? items[Index]->Value->Clone() : IIEValue(new TIEValue()));
    }
    return NewValue(new TIEValue(List));
  });
}

void ie_value_free(ie_value* value) { delete value; }

int ie_set_print(ie_engine* engine, ie_print_fn print, void* user_data) {
  return Guard(engine, "ie_set_print", [&] {
    if (print == nullptr) return SetDefaultPrint(engine->Host);
    engine->Host.SetPrint([print, user_data](const std::string& Stream, const std::string& Text) {
      print(Stream.c_str(), Text.c_str(), user_data);
    });
  });
}

int ie_set_read_line(ie_engine* engine, ie_read_line_fn read_line, void* user_data) {
  return Guard(engine, "ie_set_read_line", [&] {
    if (read_line == nullptr) return SetDefaultReadLine(engine->Host);
    engine->Host.SetReadLine([read_line, user_data](const std::string& Stream, std::string& Line) {
      const char* Text = read_line(Stream.c_str(), user_data);
      if (Text == nullptr) return false;
      CheckUtf8(Text);
      Line = Text;
      return true;
    });
  });
}

int ie_define_function(ie_engine* engine, const char* name, int min_args, int max_args,
                       ie_function_fn function, void* user_data) {
  return Guard(engine, "ie_define_function", [&] {
    const std::string Name = CheckedText(name, "ie_define_function");
    CheckPointer(reinterpret_cast<const void*>(function), "ie_define_function");
    engine->Host.DefineFunction(
        Name, min_args, max_args,
        [Name, function, user_data](const std::vector<IIEValue>& Arguments) {
          ie_call Call;
          Call.Arguments.reserve(Arguments.size());
          for (const IIEValue& Argument : Arguments) Call.Arguments.emplace_back(Argument);
          if (function(&Call, user_data) != IE_OK) {
            throw EIEException(Call.Error.empty() ? Format(SHostFunctionFailed, Name) : Call.Error);
          }
          return Call.Result;
        });
  });
}

size_t ie_call_arg_count(const ie_call* call) {
  return call != nullptr ? call->Arguments.size() : 0;
}

const ie_value* ie_call_arg(const ie_call* call, size_t index) {
  return call != nullptr && index < call->Arguments.size() ? &call->Arguments[index] : nullptr;
}

int ie_call_return(ie_call* call, const ie_value* value) {
  if (call == nullptr || value == nullptr) return IE_INVALID;
  try {
    call->Result = value->Value ? value->Value->Clone() : nullptr;
  } catch (...) {
    return IE_ERROR;
  }
  return IE_OK;
}

int ie_call_fail(ie_call* call, const char* message) {
  if (call != nullptr && message != nullptr) {
    try {
      call->Error = message;
    } catch (...) {
      // The function's default message stands in.
    }
  }
  return IE_ERROR;
}

}  // extern "C"
