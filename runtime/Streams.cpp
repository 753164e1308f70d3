#include "runtime/Streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <vector>

#include "runtime/Exceptions.h"
#include "runtime/Faults.h"
#include "runtime/Format.h"
#include "runtime/Owned.h"
#include "runtime/RuntimeConsts.h"

namespace ie {

namespace {

// Large copies and reads go in pieces of this size, so that a count larger
// than the data never allocates up front.
constexpr int64_t CopyChunk = 64 * 1024;

// The system calls, failing as the system would when the fault build has a
// fault due.
std::FILE* OpenFile(const char* Name, const char* Mode) {
  if (FaultDue(fsFileOpen)) {
    errno = EIO;
    return nullptr;
  }
  return std::fopen(Name, Mode);
}

int OpenHandle(const char* Name, int Flags, mode_t Mode = 0) {
  if (FaultDue(fsFileOpen)) {
    errno = EIO;
    return -1;
  }
  return ::open(Name, Flags, Mode);
}

size_t WriteFile(const void* Buffer, size_t Count, std::FILE* File) {
  if (FaultDue(fsFileWrite)) {
    errno = EIO;
    return 0;
  }
  return std::fwrite(Buffer, 1, Count, File);
}

int CloseFile(std::FILE* File) {
  const int Result = std::fclose(File);
  if (Result != 0 || !FaultDue(fsFileClose)) return Result;
  errno = EIO;
  return EOF;
}

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
  LoadFromStream(MakeOwned<TFileStream>(FileName, fmOpenRead).get());
}

void TMemoryStream::SaveToFile(const std::string& FileName) {
  ReplaceFile(FileName, [this](TStream* Stream) { SaveToStream(Stream); });
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
  FFile = OpenFile(FFileName.c_str(), CMode);
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
  // A short read is the end of the file; a failed one must not pass for it.
  int Error = FaultDue(fsFileRead) ? EIO : 0;
  const size_t Done = Error != 0 ? 0 : std::fread(Buffer, 1, static_cast<size_t>(Count), FFile);
  if (Error == 0 && Done < static_cast<size_t>(Count) && std::ferror(FFile)) Error = errno;
  if (Error != 0) throw EReadError(Format(SFReadError, FFileName, std::strerror(Error)));
  return static_cast<int64_t>(Done);
}

int64_t TFileStream::Write(const void* Buffer, int64_t Count) {
  if (!FCanWrite || Count <= 0) return 0;
  SwitchTo(laWrite);
  return static_cast<int64_t>(WriteFile(Buffer, static_cast<size_t>(Count), FFile));
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

// TSafeFileStream

namespace {

// Path with its links followed, as far as it exists.
std::string ResolvedPath(const std::string& Path) {
  std::error_code Error;
  const std::filesystem::path Resolved = std::filesystem::weakly_canonical(Path, Error);
  return Error ? Path : Resolved.string();
}

// A new file beside Target; its name is returned through Name. The mode
// follows the umask, as a file made by fopen would.
int CreateSibling(const std::string& Target, std::string& Name) {
  static std::atomic<uint32_t> Counter{0};
  const std::filesystem::path Path(Target);
  for (;;) {
    Name = (Path.parent_path() / ("." + Path.filename().string() + "." + std::to_string(getpid()) +
                                  "." + std::to_string(Counter.fetch_add(1)) + ".tmp"))
               .string();
    const int Handle = OpenHandle(Name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (Handle >= 0 || errno != EEXIST) return Handle;
  }
}

}  // namespace

TSafeFileStream::TSafeFileStream(std::string FileName)
    : FFileName(std::move(FileName)), FTarget(ResolvedPath(FFileName)) {
  struct stat Info;
  const bool Exists = ::stat(FTarget.c_str(), &Info) == 0;
  if (Exists && S_ISDIR(Info.st_mode)) RaiseFileError(FFileName, fmCreate, EISDIR);
  int Handle;
  if (Exists && !S_ISREG(Info.st_mode)) {
    Handle = OpenHandle(FTarget.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  } else {
    Handle = CreateSibling(FTarget, FTemporary);
    // The new file keeps the permissions of the one it replaces.
    if (Handle >= 0 && Exists) ::fchmod(Handle, Info.st_mode & 07777);
  }
  if (Handle < 0) {
    FTemporary.clear();
    RaiseFileError(FFileName, fmCreate, errno);
  }
  FFile = ::fdopen(Handle, "wb");
  if (FFile == nullptr) {
    const int Error = errno;
    ::close(Handle);
    if (!FTemporary.empty()) ::unlink(FTemporary.c_str());
    RaiseFileError(FFileName, fmCreate, Error);
  }
}

TSafeFileStream::~TSafeFileStream() {
  if (FFile != nullptr) std::fclose(FFile);
  if (!FTemporary.empty()) ::unlink(FTemporary.c_str());
}

int64_t TSafeFileStream::Write(const void* Buffer, int64_t Count) {
  if (Count <= 0) return 0;
  if (FFile == nullptr) Fail(EBADF);
  errno = 0;
  if (WriteFile(Buffer, static_cast<size_t>(Count), FFile) < static_cast<size_t>(Count)) {
    Fail(errno != 0 ? errno : EIO);
  }
  return Count;
}

int64_t TSafeFileStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  // Only the position is asked for: the stream is written front to back.
  if (FFile == nullptr || Offset != 0 || Origin != soCurrent) return -1;
  return static_cast<int64_t>(ftello(FFile));
}

void TSafeFileStream::SetSize(int64_t) { throw EWriteError(SWriteError); }

void TSafeFileStream::Fail(int Error) {
  if (FFile != nullptr) std::fclose(FFile);
  FFile = nullptr;
  if (!FTemporary.empty()) ::unlink(FTemporary.c_str());
  FTemporary.clear();
  throw EWriteError(Format(SFWriteError, FFileName, std::strerror(Error)));
}

void ReplaceFile(const std::string& FileName, const std::function<void(TStream*)>& Write) {
  const TOwned<TSafeFileStream> Stream = MakeOwned<TSafeFileStream>(FileName);
  Write(Stream.get());
  Stream->Commit();
}

void TSafeFileStream::Commit() {
  if (FFile == nullptr) Fail(EBADF);
  if (std::fflush(FFile) != 0) Fail(errno);
  // A device or a pipe may refuse a sync; only a regular file must have one.
  if (::fsync(fileno(FFile)) != 0 && !FTemporary.empty()) Fail(errno);
  std::FILE* File = FFile;
  FFile = nullptr;
  if (CloseFile(File) != 0) Fail(errno);
  if (!FTemporary.empty() && std::rename(FTemporary.c_str(), FTarget.c_str()) != 0) Fail(errno);
  FTemporary.clear();
}

}  // namespace ie
