// The engine's token input and batch files. Both read through tokenizers,
// which sit above the engine, so the engine declares them and this layer
// defines them, as it defines the parse entry points.
#include "engine/InferenceEngine.h"
#include "parser/IETokenizer.h"
#include "runtime/Format.h"
#include "runtime/Owned.h"

namespace ie {

namespace {

// The next token of Stream with the rest of its line dropped. A text
// stream that is no tokenizer (one opened for writing, or a host's) has
// its next line read as tokens.
IStreamToken TakeToken(TInferenceEngine* Engine, TGTextStream* Stream) {
  if (auto* Tokenizer = dynamic_cast<TIETokenizerStream*>(Stream)) {
    IStreamToken Token = Tokenizer->NextToken();
    Tokenizer->DiscardUntilEOL();
    return Token;
  }
  const TOwned<TIETokenizerStream> Line(Engine->NewTokenizer(Stream->GetLine()));
  return Line->NextToken();
}

// Restores the outer batch input when a batch ends, also by an exception.
class TBatchScope {
 public:
  TBatchScope(TGTextStream*& Input, TIETokenizerStream* Tokenizer)
      : FInput(Input), FFormer(Input), FTokenizer(Tokenizer) {
    FInput = Tokenizer;
  }
  TBatchScope(const TBatchScope&) = delete;
  TBatchScope& operator=(const TBatchScope&) = delete;
  ~TBatchScope() { FInput = FFormer; }

 private:
  TGTextStream*& FInput;
  TGTextStream* FFormer;
  TOwned<TIETokenizerStream> FTokenizer;
};

}  // namespace

bool TInferenceEngine::FirstToken(const std::string& Text, IStreamToken& Token) {
  const TOwned<TIETokenizerStream> Line(NewTokenizer(Text));
  IStreamToken First = Line->NextToken();
  if (First->IsEOF()) return false;
  Token = std::move(First);
  return true;
}

IStreamToken TInferenceEngine::ReadToken(const std::string& InID) {
  if (!InID.empty() && InID != "t") {
    if (TGTextStream* Stream = FIOStreams.Get(InID)) return TakeToken(this, Stream);
  }
  if (FBatchInput != nullptr) {
    IStreamToken Token = TakeToken(this, FBatchInput);
    // Numbers keep no text; their source form stands in.
    const std::string& Text = Token->GetText();
    PrintOut("", (Text.empty() ? Token->GetToString() : Text) + NewLineString);
    return Token;
  }
  if (!FEvents.OnReadToken) throw EIEException(Format(SReadEventUnassigned, "read"));
  IStreamToken Token;
  FEvents.OnReadToken(this, InID, Token);
  if (!Token) Token = new TIEStreamToken(dtNone, "EOF", 0);
  return Token;
}

bool TInferenceEngine::Batch(TStream* Stream) {
  TIETokenizerStream* Input = NewTokenizer(Stream);
  const TBatchScope Scope(FBatchInput, Input);
  while (!Input->IsEOF()) Parse(Input->GetLine(), true);
  return true;
}

bool TInferenceEngine::Batch(const std::string& FileName) {
  const TOwned<TStream> File(Create<TFileStream>(FileName, fmOpenRead));
  return Batch(File.get());
}

}  // namespace ie
