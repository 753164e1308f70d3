#include "libs/TextStream.h"

namespace ie {

namespace {

constexpr int64_t BufferSize = 4096;

}  // namespace

TGTextStream::TGTextStream(TStream* Stream, bool OwnsStream)
    : FStream(Stream), FOwnsStream(OwnsStream) {}

TGTextStream::~TGTextStream() {
  if (FOwnsStream && FStream != nullptr) FStream->Free();
}

bool TGTextStream::Fill() {
  if (FPosition < FBuffer.size()) return true;
  if (FStream == nullptr) return false;
  FBuffer.resize(BufferSize);
  const int64_t Count = FStream->Read(FBuffer.data(), BufferSize);
  FBuffer.resize(Count > 0 ? static_cast<size_t>(Count) : 0);
  FPosition = 0;
  return !FBuffer.empty();
}

bool TGTextStream::GetChar(char& C) {
  if (!FPutBack.empty()) {
    C = FPutBack.back();
    FPutBack.pop_back();
    return true;
  }
  if (!Fill()) return false;
  C = FBuffer[FPosition++];
  return true;
}

bool TGTextStream::IsEOF() { return FPutBack.empty() && !Fill(); }

bool TGTextStream::ConsumeLineEnd(char C) {
  if (C == '\n') return true;
  if (C != '\r') return false;
  char Next;
  if (GetChar(Next) && Next != '\n') PutBackChar(Next);
  return true;
}

std::string TGTextStream::GetLine() {
  std::string Line;
  char C;
  while (GetChar(C) && !ConsumeLineEnd(C)) Line += C;
  return Line;
}

void TGTextStream::Put(std::string_view Text) {
  // The byte stream stands past what was read ahead; characters put back
  // count as unread.
  const size_t Unread = FBuffer.size() - FPosition + FPutBack.size();
  if (Unread > 0) FStream->Seek(-static_cast<int64_t>(Unread), soCurrent);
  FBuffer.clear();
  FPosition = 0;
  FPutBack.clear();
  FStream->WriteBuffer(Text.data(), static_cast<int64_t>(Text.size()));
}

}  // namespace ie
