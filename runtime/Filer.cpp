#include "runtime/Filer.h"

#include <utility>

#include "runtime/Component.h"
#include "runtime/Exceptions.h"
#include "runtime/Format.h"
#include "runtime/RuntimeConsts.h"
#include "runtime/ScopeGuard.h"

namespace ie {

namespace {

constexpr std::string_view Signature = "IEC1";

}  // namespace

// TFiler

void TFiler::DefineSubProperties(std::string_view Name, const std::function<void()>& Define) {
  const size_t Length = FPrefix.size();
  FPrefix.append(Name);
  FPrefix += '.';
  const TScopeGuard Restore([&] { FPrefix.resize(Length); });
  Define();
}

std::string TFiler::FullName(std::string_view Name) const {
  std::string Result = FPrefix;
  Result.append(Name);
  return Result;
}

// TWriter

void TWriter::DefineProperty(std::string_view Name, TReaderProc, TWriterProc WriteData,
                             bool HasData) {
  if (!HasData) return;
  WriteRaw(FullName(Name));
  WriteData(this);
}

void TWriter::WriteTag(char Tag) { FStream->WriteBuffer(&Tag, 1); }

void TWriter::WriteWord(uint32_t Value) {
  const unsigned char Bytes[4] = {
      static_cast<unsigned char>(Value), static_cast<unsigned char>(Value >> 8),
      static_cast<unsigned char>(Value >> 16), static_cast<unsigned char>(Value >> 24)};
  FStream->WriteBuffer(Bytes, 4);
}

void TWriter::WriteRaw(std::string_view Text) {
  const auto Length = static_cast<uint32_t>(Text.size());
  WriteWord(Length);
  FStream->WriteBuffer(Text.data(), Length);
}

void TWriter::WriteInteger(int32_t Value) {
  WriteTag('I');
  WriteWord(static_cast<uint32_t>(Value));
}

void TWriter::WriteString(std::string_view Text) {
  WriteTag('S');
  WriteRaw(Text);
}

void TWriter::WriteRootComponent(TPersistent* Instance) {
  FStream->WriteString(Signature);
  Instance->DefineProperties(this);
  WriteRaw(std::string_view());
}

// TReader

void TReader::DefineProperty(std::string_view Name, TReaderProc ReadData, TWriterProc, bool) {
  FReaders.insert_or_assign(FullName(Name), std::move(ReadData));
}

void TReader::InvalidFormat() { throw EReadError(SInvalidStreamFormat); }

char TReader::ReadTag() {
  if (FPeeked != 0) return std::exchange(FPeeked, 0);
  char Tag;
  if (FStream->Read(&Tag, 1) != 1) InvalidFormat();
  return Tag;
}

void TReader::ExpectTag(char Tag) {
  if (ReadTag() != Tag) InvalidFormat();
}

bool TReader::EndOfList() {
  if (FPeeked == 0) FPeeked = ReadTag();
  return FPeeked == 'E';
}

uint32_t TReader::ReadWord() {
  unsigned char Bytes[4];
  if (FStream->Read(Bytes, 4) != 4) InvalidFormat();
  return Bytes[0] | (Bytes[1] << 8) | (Bytes[2] << 16) | (static_cast<uint32_t>(Bytes[3]) << 24);
}

std::string TReader::ReadRaw() {
  const uint32_t Length = ReadWord();
  // A broken length must not make us allocate what the stream cannot hold.
  if (static_cast<int64_t>(Length) > FStream->GetSize() - FStream->GetPosition()) InvalidFormat();
  return FStream->ReadString(Length);
}

std::string TReader::ReadString() {
  ExpectTag('S');
  return ReadRaw();
}

int32_t TReader::ReadInteger() {
  ExpectTag('I');
  return static_cast<int32_t>(ReadWord());
}

void TReader::ReadRootComponent(TPersistent* Instance) {
  char Head[Signature.size()];
  if (FStream->Read(Head, sizeof Head) != sizeof Head ||
      std::string_view(Head, sizeof Head) != Signature) {
    InvalidFormat();
  }
  Instance->DefineProperties(this);
  auto* Component = dynamic_cast<TComponent*>(Instance);
  if (Component != nullptr) Component->BeginLoading();
  const TScopeGuard Loaded([Component] {
    if (Component != nullptr) Component->Loaded();
  });
  for (std::string Name = ReadRaw(); !Name.empty(); Name = ReadRaw()) {
    const auto Found = FReaders.find(Name);
    if (Found == FReaders.end()) throw EReadError(Format(SUnknownProperty, Name));
    Found->second(this);
  }
}

void WriteComponent(TStream* Stream, TPersistent* Instance) {
  TWriter Writer(Stream);
  Writer.WriteRootComponent(Instance);
}

void ReadComponent(TStream* Stream, TPersistent* Instance) {
  TReader Reader(Stream);
  Reader.ReadRootComponent(Instance);
}

}  // namespace ie
