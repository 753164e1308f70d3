#include "engine/IOStreams.h"

#include "core/IEConsts.h"
#include "engine/InferenceEngine.h"
#include "runtime/Format.h"

namespace ie {

void TIOStreams::Put(std::string_view Name, TGTextStream* Stream) {
  TGTextStream* Existing = nullptr;
  if (FTable.ContainsKey(Name, Existing)) {
    if (Existing == Stream) return;
    switch (FEngine->GetDuplicateConstructs()) {
      case dcOverwrite:
        break;
      case dcIgnore:
        Stream->Free();
        return;
      case dcError:
        Stream->Free();
        throw EIEException(Format(SDuplicateStream, Name));
    }
  }
  FTable.Put(Name, Stream);
  if (Existing != nullptr) Existing->Free();
}

void TIOStreams::Remove(std::string_view Name) {
  TGTextStream* Stream = FTable.Remove(Name);
  if (Stream == nullptr) throw EIEException(Format(SInvalidStreamName, Name));
  Stream->Free();
}

void TIOStreams::Clear() {
  for (const auto& Entry : FTable) Entry.Value->Free();
  FTable.Clear();
}

// The engine's text I/O

namespace {

bool IsStandardStream(const std::string& ID) { return ID.empty() || ID == "t"; }

}  // namespace

void TInferenceEngine::PrintOut(const std::string& OutID, const std::string& Text) {
  if (IsStandardStream(OutID)) {
    if (FCaptureStream != nullptr) {
      FCaptureStream->WriteString(Text);
    } else if (FEvents.OnPrintOut) {
      FEvents.OnPrintOut(this, OutID, Text);
    }
    return;
  }
  if (TGTextStream* Stream = FIOStreams.Get(OutID)) {
    Stream->Put(Text);
  } else if (!FEvents.OnPrintOut) {
    throw EIEException(Format(SFunctionUnassigned, "printout"));
  }
}

std::string TInferenceEngine::ReadLine(const std::string& InID) {
  if (!IsStandardStream(InID)) {
    if (TGTextStream* Stream = FIOStreams.Get(InID)) return Stream->GetLine();
  }
  if (FBatchInput != nullptr) {
    std::string Line = FBatchInput->GetLine();
    PrintOut("", Line + NewLineString);
    return Line;
  }
  if (!FEvents.OnReadLine) throw EIEException(Format(SReadEventUnassigned, "readline"));
  std::string Text;
  FEvents.OnReadLine(this, InID, Text);
  return Text;
}

bool TInferenceEngine::StartCapture(TStream* Stream) {
  if (Stream == FCaptureStream) return true;
  FreeAndNil(FCaptureStream);
  FCaptureStream = Stream;
  return true;
}

bool TInferenceEngine::StartCapture(const std::string& FileName) {
  return StartCapture(Create<TFileStream>(FileName, fmCreate));
}

bool TInferenceEngine::StopCapture() {
  FreeAndNil(FCaptureStream);
  return true;
}

}  // namespace ie
