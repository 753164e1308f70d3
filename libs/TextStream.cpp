#include "libs/TextStream.h"

namespace ie {

namespace {

constexpr int64_t BufferSize = 4096;

}  // namespace

TGTextStream::TGTextStream(TStream* Stream, bool OwnsStream)
    : FStream(Stream), FOwnsStream(OwnsStream) {}

TGTextStream::~TGTextStream() {
  if (FOwnsStream) FStream->Free();
}

bool TGTextStream::Fill() {
  if (FPosition < FBuffer.size()) return true;
  FBuffer.resize(BufferSize);
  const int64_t Count = FStream->Read(FBuffer.data(), BufferSize);
  FBuffer.resize(Count > 0 ? static_cast<size_t>(Count) : 0);
  FPosition = 0;
  return !FBuffer.empty();
}

bool TGTextStream::GetChar(char& C) {
  if (!Fill()) return false;
  C = FBuffer[FPosition++];
  return true;
}

void TGTextStream::PutBackChar(char C) {
  if (FPosition > 0) {
    FBuffer[--FPosition] = C;
  } else {
    FBuffer.insert(FBuffer.begin(), C);
  }
}

bool TGTextStream::GetLine(std::string& Line) {
  Line.clear();
  if (!Fill()) return false;
  char C;
  while (GetChar(C)) {
    if (C == '\n') break;
    if (C == '\r') {
      if (GetChar(C) && C != '\n') PutBackChar(C);
      break;
    }
    Line += C;
  }
  return true;
}

bool TGTextStream::IsEof() { return !Fill(); }

void TGTextStream::Put(std::string_view Text) {
  // The byte stream stands where the buffer ends; the writing goes where
  // the reading stopped.
  if (FPosition < FBuffer.size()) {
    FStream->Seek(-static_cast<int64_t>(FBuffer.size() - FPosition), soCurrent);
  }
  FBuffer.clear();
  FPosition = 0;
  FStream->WriteBuffer(Text.data(), static_cast<int64_t>(Text.size()));
}

void TGTextStream::PutLine() { Put("\r\n"); }

}  // namespace ie
