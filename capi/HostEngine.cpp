#include "capi/HostEngine.h"

#include <memory>

namespace ie {

namespace {

constexpr const char* SEngineBusy =
    "The engine is busy: %s cannot be called while another call of the engine runs";
constexpr const char* SInvalidUtf8 = "Text is not valid UTF-8 (byte %d)";

// The length of the sequence that Lead starts, or 0 for a byte that
// cannot start one.
int SequenceLength(unsigned char Lead) {
  if (Lead < 0x80) return 1;
  if (Lead >= 0xC2 && Lead <= 0xDF) return 2;
  if (Lead >= 0xE0 && Lead <= 0xEF) return 3;
  if (Lead >= 0xF0 && Lead <= 0xF4) return 4;
  return 0;
}

// The second byte's range narrows for overlong forms, surrogates and code
// points past U+10FFFF.
bool SecondByteValid(unsigned char Lead, unsigned char Second) {
  if (Lead == 0xE0) return Second >= 0xA0 && Second <= 0xBF;
  if (Lead == 0xED) return Second >= 0x80 && Second <= 0x9F;
  if (Lead == 0xF0) return Second >= 0x90 && Second <= 0xBF;
  if (Lead == 0xF4) return Second >= 0x80 && Second <= 0x8F;
  return Second >= 0x80 && Second <= 0xBF;
}

}  // namespace

void CheckUtf8(std::string_view Text) {
  size_t Index = 0;
  while (Index < Text.size()) {
    const auto Lead = static_cast<unsigned char>(Text[Index]);
    const int Length = SequenceLength(Lead);
    bool Valid = Length > 0 && Index + Length <= Text.size();
    for (int Offset = 1; Valid && Offset < Length; ++Offset) {
      const auto Byte = static_cast<unsigned char>(Text[Index + Offset]);
      Valid = Offset == 1 ? SecondByteValid(Lead, Byte) : Byte >= 0x80 && Byte <= 0xBF;
    }
    if (!Valid) throw EIEException(Format(SInvalidUtf8, static_cast<int32_t>(Index)));
    Index += Length;
  }
}

std::vector<std::pair<std::string, IIEValue>> FactSlots(const IFact& Fact) {
  const ISlotLayout& Layout = Fact->GetTemplate()->GetLayout();
  std::vector<std::pair<std::string, IIEValue>> Slots;
  Slots.reserve(Layout->GetCount());
  for (int32_t Index = 0; Index < Layout->GetCount(); ++Index) {
    Slots.emplace_back(Layout->GetName(Index), Fact->PeekValue(Index));
  }
  return Slots;
}

THostEngine::TCallScope::TCallScope(THostEngine& Host, const char* Name) : FHost(Host) {
  if (Host.FBusy.exchange(true)) throw EHostBusy(Format(SEngineBusy, Name));
}

THostEngine::THostEngine() : FEngine(Create<TInferenceEngine>(nullptr)) {}

// The engine owns the host functions' components and frees them with it.
THostEngine::~THostEngine() { FEngine->Free(); }

void THostEngine::SetPrint(TPrintHandler Handler) {
  if (!Handler) {
    FEngine->SetOnPrintOut([](TObject*, const std::string&, const std::string&) {});
    return;
  }
  FEngine->SetOnPrintOut(
      [Handler = std::move(Handler)](TObject*, const std::string& StreamName,
                                     const std::string& Text) { Handler(StreamName, Text); });
}

void THostEngine::SetReadLine(TReadLineHandler Handler) {
  if (!Handler) {
    FEngine->SetOnReadLine(nullptr);
    FEngine->SetOnReadToken(nullptr);
    return;
  }
  auto Shared = std::make_shared<TReadLineHandler>(std::move(Handler));
  FEngine->SetOnReadLine([Shared](TObject*, const std::string& StreamName, std::string& Text) {
    if (!(*Shared)(StreamName, Text)) Text.clear();
  });
  TInferenceEngine* Engine = FEngine;
  FEngine->SetOnReadToken(
      [Shared, Engine](TObject*, const std::string& StreamName, IStreamToken& Token) {
        std::string Line;
        while ((*Shared)(StreamName, Line)) {
          if (Engine->FirstToken(Line, Token)) return;
        }
      });
}

void THostEngine::DefineFunction(const std::string& Name, int32_t MinArguments,
                                 int32_t MaxArguments, THostFunction Function) {
  if (auto Former = FFunctions.find(Name); Former != FFunctions.end()) {
    Former->second->Free();
    FFunctions.erase(Former);
  }
  TUserFunction* Host = Create<TUserFunction>(FEngine, Name);
  Host->SetMinArgumentCount(MinArguments);
  Host->SetMaxArgumentCount(MaxArguments < 0 ? UnlimitedArguments : MaxArguments);
  Host->SetOnCall([Function = std::move(Function)](TObject*, const IFunCall& Call,
                                                   TIEContext* Context, IIEValue& Result) {
    std::vector<IIEValue> Arguments;
    Arguments.reserve(Call->GetArgumentCount());
    for (int32_t Index = 0; Index < Call->GetArgumentCount(); ++Index) {
      Arguments.push_back(Call->ResolveArgument(Index, Context));
    }
    Result = Function(Arguments);
  });
  Host->SetEngine(FEngine);
  FFunctions.emplace(Name, Host);
}

}  // namespace ie
