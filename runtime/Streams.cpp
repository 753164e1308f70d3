#include "runtime/Streams.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <vector>

#include "runtime/Exceptions.h"
#include "runtime/Format.h"
#include "runtime/RuntimeConsts.h"

namespace ie {

namespace {

// Large copies and reads go in pieces of this size, so that a count larger
// than the data never allocates up front.
constexpr int64_t CopyChunk = 64 * 1024;

}  // namespace

int64_t TStream::GetSize() {
  const int64_t Position = Seek(0, soCurrent);
  const int64_t Size = Seek(0, soEnd);
  Seek(Position, soBeginning);
  return Size;
}

void TStream::ReadBuffer(void* Buffer, int64_t Count) {
  if (Count < 0 || (Count > 0 && Read(Buffer, Count) != Count)) throw EReadError(SReadError);
}

void TStream::WriteBuffer(const void* Buffer, int64_t Count) {
  if (Count < 0 || (Count > 0 && Write(Buffer, Count) != Count)) throw EWriteError(SWriteError);
}

int64_t TStream::CopyFrom(TStream* Source, int64_t Count) {
  if (Count <= 0) {
    Source->SetPosition(0);
    Count = Source->GetSize();
  }
  std::vector<char> Buffer(static_cast<size_t>(std::min(Count, CopyChunk)));
  for (int64_t Left = Count; Left > 0;) {
    const int64_t Piece = std::min(Left, CopyChunk);
    Source->ReadBuffer(Buffer.data(), Piece);
    WriteBuffer(Buffer.data(), Piece);
    Left -= Piece;
  }
  return Count;
}

std::string TStream::ReadString(int64_t Count) {
  if (Count < 0) throw EReadError(SReadError);
  std::string Result;
  for (int64_t Left = Count; Left > 0;) {
    const int64_t Piece = std::min(Left, CopyChunk);
    const size_t Done = Result.size();
    Result.resize(Done + static_cast<size_t>(Piece));
    ReadBuffer(Result.data() + Done, Piece);
    Left -= Piece;
  }
  return Result;
}

void TStream::WriteString(std::string_view Text) {
  WriteBuffer(Text.data(), static_cast<int64_t>(Text.size()));
}

int64_t TMemoryStream::Read(void* Buffer, int64_t Count) {
  const int64_t Size = GetSize();
  if (Count <= 0 || FPosition >= Size) return 0;
  const int64_t Done = std::min(Count, Size - FPosition);
  std::memcpy(Buffer, FData.data() + FPosition, static_cast<size_t>(Done));
  FPosition += Done;
  return Done;
}

int64_t TMemoryStream::Write(const void* Buffer, int64_t Count) {
  if (Count <= 0 || Count > std::numeric_limits<int64_t>::max() - FPosition) return 0;
  const int64_t End = FPosition + Count;
  if (End > GetSize()) FData.resize(static_cast<size_t>(End));
  std::memcpy(FData.data() + FPosition, Buffer, static_cast<size_t>(Count));
  FPosition = End;
  return Count;
}

int64_t TMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int64_t Base;
  switch (Origin) {
    case soBeginning:
      Base = 0;
      break;
    case soCurrent:
      Base = FPosition;
      break;
    case soEnd:
      Base = GetSize();
      break;
    default:
      return -1;
  }
  if (Offset < -Base || Offset > std::numeric_limits<int64_t>::max() - Base) return -1;
  FPosition = Base + Offset;
  return FPosition;
}

void TMemoryStream::SetSize(int64_t NewSize) {
  if (NewSize < 0) throw EWriteError(SWriteError);
  FData.resize(static_cast<size_t>(NewSize));
  FPosition = std::min(FPosition, NewSize);
}

void TMemoryStream::Clear() {
  std::string().swap(FData);
  FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream* Stream) {
  Stream->SetPosition(0);
  const int64_t Count = Stream->GetSize();
  SetSize(Count);
  Stream->ReadBuffer(FData.data(), Count);
  FPosition = 0;
}

void TMemoryStream::SaveToStream(TStream* Stream) { Stream->WriteBuffer(FData.data(), GetSize()); }

void TMemoryStream::LoadFromFile(const std::string& FileName) {
  TFileStream* Stream = Create<TFileStream>(FileName, fmOpenRead);
  try {
    LoadFromStream(Stream);
  } catch (...) {
    Stream->Free();
    throw;
  }
  Stream->Free();
}

void TMemoryStream::SaveToFile(const std::string& FileName) {
  TFileStream* Stream = Create<TFileStream>(FileName, fmCreate);
  try {
    SaveToStream(Stream);
  } catch (...) {
    Stream->Free();
    throw;
  }
  Stream->Free();
}

namespace {

[[noreturn]] void RaiseFileError(const std::string& FileName, uint16_t Mode, int Error) {
  if (Mode == fmCreate) throw EFCreateError(Format(SFCreateError, FileName, std::strerror(Error)));
  throw EFOpenError(Format(SFOpenError, FileName, std::strerror(Error)));
}

}  // namespace

TFileStream::TFileStream(std::string FileName, uint16_t Mode) : FFileName(std::move(FileName)) {
  const char* CMode;
  if ((Mode & fmCreate) == fmCreate) {
    Mode = fmCreate;
    CMode = "w+b";
    FCanRead = FCanWrite = true;
  } else {
    switch (Mode & 0x3) {
      case fmOpenRead:
        CMode = "rb";
        FCanRead = true;
        break;
      case fmOpenWrite:
        CMode = "r+b";
        FCanWrite = true;
        break;
      case fmOpenReadWrite:
        CMode = "r+b";
        FCanRead = FCanWrite = true;
        break;
      default:
        RaiseFileError(FFileName, Mode, EINVAL);
    }
  }
  FFile = std::fopen(FFileName.c_str(), CMode);
  if (FFile == nullptr) RaiseFileError(FFileName, Mode, errno);
  // A directory opens for reading on this system but reads as nothing.
  struct stat Info;
  if (fstat(fileno(FFile), &Info) == 0 && S_ISDIR(Info.st_mode)) {
    std::fclose(FFile);
    RaiseFileError(FFileName, Mode, EISDIR);
  }
}

TFileStream::~TFileStream() { std::fclose(FFile); }

void TFileStream::SwitchTo(TLastAccess Access) {
  if (FLastAccess != laNone && FLastAccess != Access) fseeko(FFile, 0, SEEK_CUR);
  FLastAccess = Access;
}

int64_t TFileStream::Read(void* Buffer, int64_t Count) {
  if (!FCanRead || Count <= 0) return 0;
  SwitchTo(laRead);
  return static_cast<int64_t>(std::fread(Buffer, 1, static_cast<size_t>(Count), FFile));
}

int64_t TFileStream::Write(const void* Buffer, int64_t Count) {
  if (!FCanWrite || Count <= 0) return 0;
  SwitchTo(laWrite);
  return static_cast<int64_t>(std::fwrite(Buffer, 1, static_cast<size_t>(Count), FFile));
}

int64_t TFileStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int Whence;
  switch (Origin) {
    case soBeginning:
      Whence = SEEK_SET;
      break;
    case soCurrent:
      Whence = SEEK_CUR;
      break;
    case soEnd:
      Whence = SEEK_END;
      break;
    default:
      return -1;
  }
  if (fseeko(FFile, static_cast<off_t>(Offset), Whence) != 0) return -1;
  FLastAccess = laNone;
  return static_cast<int64_t>(ftello(FFile));
}

void TFileStream::SetSize(int64_t NewSize) {
  const int64_t Position = GetPosition();
  if (NewSize < 0 || std::fflush(FFile) != 0 ||
      ftruncate(fileno(FFile), static_cast<off_t>(NewSize)) != 0) {
    throw EWriteError(SWriteError);
  }
  // The C stream may hold bytes read before the cut; seeking drops them.
  Seek(std::min(Position, NewSize), soBeginning);
}

}  // namespace ie
