// The Python module ie: an engine for Python hosts. The GIL is released
// while the engine works and taken again around every Python callback; a
// callback's exception fails the engine's call with the Python message.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "capi/HostEngine.h"

namespace py = pybind11;
using namespace ie;

namespace {

constexpr const char* SIntegerRange = "Integer out of range: %s";
constexpr const char* SNoValue = "A %s cannot be a value of the engine";

// A symbol of the rule language, told apart from a string of its text.
struct TSymbol {
  std::string Name;
};

// A fuzzy value: its points (x, membership) and its printed form.
struct TFuzzy {
  std::vector<std::pair<double, double>> Points;
  std::string Text;
};

struct TPyFact {
  int32_t ID;
  std::string Template;
  py::dict Slots;
  std::string Text;
};

// Text the engine holds need not be UTF-8 (a file may be in another
// encoding): such bytes read as replacement characters.
py::str ToStr(const std::string& Text) {
  PyObject* Object =
      PyUnicode_DecodeUTF8(Text.data(), static_cast<Py_ssize_t>(Text.size()), "replace");
  if (Object == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(Object);
}

py::object ToPython(const IIEValue& Value) {
  if (!Value) return py::none();
  switch (Value->GetDType()) {
    case dtNone:
      return py::none();
    case dtAtom:
      return py::cast(TSymbol{Value->GetAsAtom()});
    case dtString:
      return ToStr(Value->GetAsString());
    case dtInteger:
      return py::int_(Value->GetAsInteger());
    case dtFactId:
      return py::int_(Value->GetAsFactId());
    case dtFloat:
      return py::float_(Value->GetAsFloat());
    case dtList: {
      const IValueVector List = Value->GetAsList();
      py::list Items;
      for (int32_t Index = 0; Index < List->GetCount(); ++Index) {
        Items.append(ToPython(List->Get(Index)));
      }
      return Items;
    }
    case dtFuzzy: {
      const IFuzzySet Set = Value->GetAsFuzzy();
      TFuzzy Fuzzy{{}, Value->GetToString()};
      for (int32_t Index = 0; Index < Set->GetPointCount(); ++Index) {
        Fuzzy.Points.emplace_back(Set->GetPoint(Index).X, Set->GetPoint(Index).Y);
      }
      return py::cast(std::move(Fuzzy));
    }
    default:
      return ToStr(Value->GetToString());
  }
}

IIEValue FromPython(const py::handle& Object) {
  if (Object.is_none()) return nullptr;
  if (py::isinstance<py::bool_>(Object)) return Object.cast<bool>() ? FCTrue : FCFalse;
  if (py::isinstance<py::int_>(Object)) {
    const auto Number = Object.cast<long long>();
    if (Number < INT32_MIN || Number > INT32_MAX) {
      throw EIEException(Format(SIntegerRange, std::to_string(Number)));
    }
    return new TIEValue(static_cast<int32_t>(Number), dtInteger);
  }
  if (py::isinstance<py::float_>(Object)) return new TIEValue(Object.cast<double>());
  if (py::isinstance<py::str>(Object)) return new TIEValue(Object.cast<std::string>(), dtString);
  if (py::isinstance<TSymbol>(Object)) {
    return new TIEValue(Object.cast<const TSymbol&>().Name, dtAtom);
  }
  if (py::isinstance<py::list>(Object) || py::isinstance<py::tuple>(Object)) {
    const IValueVector List = new TValueVector();
    for (const py::handle Item : Object) {
      IIEValue Value = FromPython(Item);
      List->Add(Value ? Value : IIEValue(new TIEValue()));
    }
    return new TIEValue(List);
  }
  throw EIEException(
      Format(SNoValue, py::str(Object.get_type().attr("__name__")).cast<std::string>()));
}

// Runs Call with the GIL held; a Python exception becomes the engine's
// error, "ValueError: the message", so that the engine's call fails and
// the engine goes on.
template <typename TCall>
auto WithPython(TCall&& Call) -> decltype(Call()) {
  const py::gil_scoped_acquire Gil;
  try {
    return Call();
  } catch (py::error_already_set& Error) {
    std::string Message = py::str(Error.type().attr("__name__")).cast<std::string>();
    const std::string Text = py::str(Error.value()).cast<std::string>();
    if (!Text.empty()) Message += ": " + Text;
    throw EIEException(Message);
  }
}

// A Python callable the engine keeps: whoever drops the last reference,
// with or without the GIL, the callable is released under it.
class TPyCallable {
 public:
  explicit TPyCallable(py::object Callable) : FCallable(std::move(Callable)) {}
  ~TPyCallable() {
    const py::gil_scoped_acquire Gil;
    FCallable = py::object();
  }
  TPyCallable(const TPyCallable&) = delete;
  TPyCallable& operator=(const TPyCallable&) = delete;

  const py::object& Get() const { return FCallable; }

 private:
  py::object FCallable;
};

class TPyEngine {
  THostEngine FHost;

  // Text arguments may come as bytes, which need not be UTF-8.
  static const std::string& Checked(const std::string& Text) {
    CheckUtf8(Text);
    return Text;
  }

  // The engine's work, with the GIL released.
  template <typename TWork>
  decltype(auto) Work(const char* Name, TWork&& Do) {
    const py::gil_scoped_release Release;
    return FHost.Enter(Name, [&] { return Do(FHost.GetEngine()); });
  }

 public:
  TPyEngine() {
    FHost.SetPrint([this](const std::string&, const std::string& Text) {
      WithPython([&] {
        if (FOnPrint.is_none()) {
          py::module_::import("sys").attr("stdout").attr("write")(ToStr(Text));
        } else {
          FOnPrint(ToStr(Text));
        }
      });
    });
    FHost.SetReadLine([this](const std::string&, std::string& Line) {
      return WithPython([&] {
        py::object Read = FOnReadLine.is_none()
                              ? py::module_::import("sys").attr("stdin").attr("readline")()
                              : FOnReadLine();
        if (Read.is_none()) return false;
        Line = Read.cast<std::string>();
        // sys.stdin's lines keep their end; an empty one is the input's end.
        if (FOnReadLine.is_none()) {
          if (Line.empty()) return false;
          while (!Line.empty() && (Line.back() == '\n' || Line.back() == '\r')) Line.pop_back();
        }
        return true;
      });
    });
  }

  void Load(const std::string& Text) {
    Work("load", [&](TInferenceEngine* Engine) { Engine->Parse(Checked(Text), true); });
  }

  void LoadFile(const std::string& Path) {
    Work("load_file", [&](TInferenceEngine* Engine) { Engine->LoadFromFile(Checked(Path)); });
  }

  int32_t AssertFact(const std::string& Text) {
    return Work("assert_fact",
                [&](TInferenceEngine* Engine) { return Engine->Assert(Checked(Text)); });
  }

  void Retract(int32_t ID) {
    Work("retract", [&](TInferenceEngine* Engine) {
      if (Engine->Retract(ID) < 0) throw EIEException(Format(SNoSuchFactID, std::to_string(ID)));
    });
  }

  int32_t Run(std::optional<int32_t> Limit) {
    return Work("run", [&](TInferenceEngine* Engine) {
      return Engine->Run(Limit && *Limit >= 0 ? *Limit : TInferenceEngine::UnlimitedSteps);
    });
  }

  void Reset() {
    Work("reset", [](TInferenceEngine* Engine) { Engine->Reset(); });
  }

  void Clear() {
    Work("clear", [](TInferenceEngine* Engine) { Engine->Clear(); });
  }

  py::object Eval(const std::string& Text) {
    const IIEValue Result = Work("eval", [&](TInferenceEngine* Engine) {
      return Engine->ParseNExecuteFunCall(Checked(Text));
    });
    return ToPython(Result);
  }

  // Read with the GIL held: Python objects are made as the facts are read.
  py::list Facts() {
    return FHost.Enter("facts", [&] {
      py::list Result;
      for (const IFact& Fact : FHost.GetEngine()->GetFacts()) {
        TPyFact Item{
            Fact->GetID(), Fact->GetTemplate()->GetTemplateName(), {}, Fact->GetToString()};
        for (const auto& [Name, Value] : FactSlots(Fact)) Item.Slots[ToStr(Name)] = ToPython(Value);
        Result.append(py::cast(std::move(Item)));
      }
      return Result;
    });
  }

  std::vector<std::string> Rules() {
    return FHost.Enter("rules", [&] {
      std::vector<std::string> Names;
      for (const auto& Entry : FHost.GetEngine()->GetRules()) Names.push_back(Entry.Key);
      return Names;
    });
  }

  void DefineFunction(const std::string& Name, py::object Callable, int32_t MinArguments,
                      int32_t MaxArguments) {
    if (!PyCallable_Check(Callable.ptr())) throw py::type_error("define_function needs a callable");
    auto Shared = std::make_shared<TPyCallable>(std::move(Callable));
    FHost.Enter("define_function", [&] {
      FHost.DefineFunction(Name, MinArguments, MaxArguments,
                           [Shared](const std::vector<IIEValue>& Arguments) {
                             return WithPython([&] {
                               py::tuple Values(Arguments.size());
                               for (size_t Index = 0; Index < Arguments.size(); ++Index) {
                                 Values[Index] = ToPython(Arguments[Index]);
                               }
                               return FromPython(Shared->Get()(*Values));
                             });
                           });
    });
  }

  py::object FOnPrint = py::none();
  py::object FOnReadLine = py::none();
};

}  // namespace

PYBIND11_MODULE(ie, Module) {
  Module.doc() = "An embeddable inference engine: rules, facts and fuzzy reasoning.";
  py::register_exception<ie::Exception>(Module, "Error");

  py::class_<TSymbol>(Module, "Symbol")
      .def(py::init<std::string>(), py::arg("name"))
      .def_readonly("name", &TSymbol::Name)
      .def("__eq__",
           [](const TSymbol& Self, const py::object& Other) {
             return py::isinstance<TSymbol>(Other) &&
                    Other.cast<const TSymbol&>().Name == Self.Name;
           })
      .def("__hash__", [](const TSymbol& Self) { return py::hash(py::str(Self.Name)); })
      .def("__str__", [](const TSymbol& Self) { return Self.Name; })
      .def("__repr__", [](const TSymbol& Self) {
        return "Symbol(" + py::repr(py::str(Self.Name)).cast<std::string>() + ")";
      });

  py::class_<TFuzzy>(Module, "Fuzzy")
      .def_readonly("points", &TFuzzy::Points)
      .def("__str__", [](const TFuzzy& Self) { return Self.Text; })
      .def("__repr__", [](const TFuzzy& Self) { return "Fuzzy(" + Self.Text + ")"; });

  py::class_<TPyFact>(Module, "Fact")
      .def_readonly("id", &TPyFact::ID)
      .def_readonly("template", &TPyFact::Template)
      .def_readonly("slots", &TPyFact::Slots)
      .def("__str__", [](const TPyFact& Self) { return Self.Text; })
      .def("__repr__", [](const TPyFact& Self) {
        return "<Fact f-" + std::to_string(Self.ID) + " " + Self.Text + ">";
      });

  py::class_<TPyEngine>(Module, "Engine")
      .def(py::init<>())
      .def("load", &TPyEngine::Load, py::arg("text"),
           "Defines the constructs of the text and runs its commands.")
      .def("load_file", &TPyEngine::LoadFile, py::arg("path"))
      .def("assert_fact", &TPyEngine::AssertFact, py::arg("text"),
           "Asserts one fact written as text; its ID, or -1 for a duplicate.")
      .def("retract", &TPyEngine::Retract, py::arg("id"))
      .def("run", &TPyEngine::Run, py::arg("limit") = py::none(),
           "Fires rules, at most limit of them; the number that fired.")
      .def("reset", &TPyEngine::Reset)
      .def("clear", &TPyEngine::Clear)
      .def("eval", &TPyEngine::Eval, py::arg("expression"), "The value of one call, \"(+ 1 2)\".")
      .def("facts", &TPyEngine::Facts)
      .def("rules", &TPyEngine::Rules)
      .def("define_function", &TPyEngine::DefineFunction, py::arg("name"), py::arg("function"),
           py::arg("min_args") = 0, py::arg("max_args") = -1,
           "Makes function callable from rules as (name arg...); max_args -1: no limit.")
      .def_readwrite("on_print", &TPyEngine::FOnPrint,
                     "Called with each printed text; None writes to sys.stdout.")
      .def_readwrite("on_read_line", &TPyEngine::FOnReadLine,
                     "Called without arguments for each line read and read-line need; "
                     "returns the line, or None at the end of the input. None reads sys.stdin.");
  Module.attr("__version__") = IE_VERSION;
}
