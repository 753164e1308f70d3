// Streams of bytes: TStream is the abstract sequence with a position that
// readers, writers and string lists talk to; TMemoryStream keeps its bytes in
// memory, TStringStream is a memory stream seen as a std::string, and
// TFileStream reads and writes a file through a C FILE*. Each stream owns its
// storage (the memory, or the open file, closed when the stream is freed);
// a buffer passed to Read or Write stays the caller's.
//
// Seek returns the new position, or -1 when the position asked for is before
// the start (or the file refuses it); the position is then unchanged.
// Read and Write report how many bytes they moved; ReadBuffer and
// WriteBuffer are the checked forms that raise EReadError or EWriteError
// when fewer bytes move than asked.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "runtime/Object.h"

namespace ie {

enum TSeekOrigin : uint8_t { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
  IE_CLASS(TStream, TObject)

 public:
  virtual int64_t Read(void* Buffer, int64_t Count) = 0;
  virtual int64_t Write(const void* Buffer, int64_t Count) = 0;
  virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;

  int64_t GetPosition() { return Seek(0, soCurrent); }
  void SetPosition(int64_t Position) { Seek(Position, soBeginning); }
  virtual int64_t GetSize();
  // Cuts or extends the stream (new bytes are zero); a position past the
  // new end moves to the end. Raises EWriteError when the size cannot be set.
  virtual void SetSize(int64_t NewSize) = 0;

  void ReadBuffer(void* Buffer, int64_t Count);
  void WriteBuffer(const void* Buffer, int64_t Count);
  // Copies Count bytes from Source's position, or, for a Count of 0 or
  // less, the whole of Source from its start. Returns the bytes copied.
  int64_t CopyFrom(TStream* Source, int64_t Count);

  // Exactly Count bytes from the position; EReadError when fewer remain.
  std::string ReadString(int64_t Count);
  void WriteString(std::string_view Text);
};

class TMemoryStream : public TStream {
  IE_CLASS(TMemoryStream, TStream)

 public:
  TMemoryStream() = default;

  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t GetSize() override { return static_cast<int64_t>(FData.size()); }
  void SetSize(int64_t NewSize) override;

  // The stream's bytes; valid until its size next changes.
  void* GetMemory() { return FData.data(); }
  // Empties the stream and gives its memory back.
  void Clear();
  // Replaces the content by the whole of Stream and rewinds.
  void LoadFromStream(TStream* Stream);
  // Writes the whole content, whatever the position.
  void SaveToStream(TStream* Stream);
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName);

 protected:
  explicit TMemoryStream(std::string Data) : FData(std::move(Data)) {}
  const std::string& GetData() const { return FData; }

 private:
  std::string FData;
  int64_t FPosition = 0;
};

class TStringStream : public TMemoryStream {
  IE_CLASS(TStringStream, TMemoryStream)

 public:
  // Starts at position 0 over a copy of Data.
  explicit TStringStream(std::string Data = std::string()) : TMemoryStream(std::move(Data)) {}

  const std::string& GetDataString() const { return GetData(); }
};

// File modes. fmCreate creates the file, or empties an existing one, for
// reading and writing; otherwise the low bits choose the access.
inline constexpr uint16_t fmOpenRead = 0x0000;
inline constexpr uint16_t fmOpenWrite = 0x0001;
inline constexpr uint16_t fmOpenReadWrite = 0x0002;
inline constexpr uint16_t fmCreate = 0xFF00;

class TFileStream : public TStream {
  IE_CLASS(TFileStream, TStream)

 public:
  // Raises EFCreateError (fmCreate) or EFOpenError with the file name and
  // the system's reason; a directory never opens as a file.
  TFileStream(std::string FileName, uint16_t Mode);
  ~TFileStream() override;

  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(int64_t NewSize) override;

  const std::string& GetFileName() const { return FFileName; }

 private:
  // C streams need a seek between a write and a following read, and back.
  enum TLastAccess : uint8_t { laNone, laRead, laWrite };
  void SwitchTo(TLastAccess Access);

  std::string FFileName;
  std::FILE* FFile = nullptr;
  bool FCanRead = false;
  bool FCanWrite = false;
  TLastAccess FLastAccess = laNone;
};

// Replaces a file whole or not at all. The bytes go to a new file beside
// the target (its links followed); Commit checks that every write went
// through, flushes, syncs and closes that file and renames it over the
// target. Freed without a Commit that succeeded, the stream removes its file
// and the target keeps its former content. A target that exists and is not
// a regular file (a device, a pipe) has no content to keep and is written
// in place, checked the same way. Write-only: reads return nothing.
class TSafeFileStream : public TStream {
  IE_CLASS(TSafeFileStream, TStream)

 public:
  // Raises EFCreateError when the file cannot be made.
  explicit TSafeFileStream(std::string FileName);
  ~TSafeFileStream() override;

  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(int64_t NewSize) override;

  // Raises EWriteError with the file name and the system's reason when the
  // flush, the sync, the close or the rename fails; the target is then
  // unchanged. A write that fails raises the same at once, and the stream
  // takes no more writes.
  void Commit();
  const std::string& GetFileName() const { return FFileName; }

 private:
  [[noreturn]] void Fail(int Error);

  std::string FFileName;
  std::string FTarget;     // FFileName with its links followed
  std::string FTemporary;  // empty when writing the target in place
  std::FILE* FFile = nullptr;
};

// Replaces FileName with what Write puts into the stream it is given, whole
// or not at all (TSafeFileStream).
void ReplaceFile(const std::string& FileName, const std::function<void(TStream*)>& Write);

}  // namespace ie
