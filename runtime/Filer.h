// Component streaming: an object's defined properties, each a named list
// of strings, written to a byte stream and read back into an object of the
// same kind. An object names its properties in DefineProperties (see
// TPersistent), handing the filer a procedure that reads the list and one
// that writes it; the writer calls the writing ones whose property has
// data, the reader calls the reading one of each name it finds, in the
// order written. A sub-object's properties are filed as "Sub.Property".
//
// The encoding is this library's own:
//   stream   := "IEC1" property* end
//   property := string(name) 'L' item* 'E'
//   item     := 'S' string | 'I' int32
//   end      := string("")            (a name of length 0)
//   string   := uint32 length, little-endian, then the bytes
//   int32    := four bytes, little-endian
// A stream that does not follow it raises EReadError ("Invalid stream
// format"); a name that the object does not define raises EReadError
// ("Property %s does not exist").
//
// Readers and writers live for one call of ReadComponent or WriteComponent
// on the caller's thread; the stream stays the caller's.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "runtime/Persistent.h"
#include "runtime/Streams.h"

namespace ie {

class TReader;
class TWriter;

using TReaderProc = std::function<void(TReader* Reader)>;
using TWriterProc = std::function<void(TWriter* Writer)>;

class TFiler : public TObject {
  IE_CLASS(TFiler, TObject)

 public:
  explicit TFiler(TStream* Stream) : FStream(Stream) {}

  TStream* GetStream() const { return FStream; }
  // Files the property Name: the writer calls WriteData when HasData, the
  // reader calls ReadData when the stream holds Name.
  virtual void DefineProperty(std::string_view Name, TReaderProc ReadData, TWriterProc WriteData,
                              bool HasData) = 0;
  // The properties that Define defines belong to the sub-object Name.
  void DefineSubProperties(std::string_view Name, const std::function<void()>& Define);

 protected:
  // Name with the prefix of the sub-objects being defined.
  std::string FullName(std::string_view Name) const;

  TStream* FStream;

 private:
  std::string FPrefix;
};

class TWriter : public TFiler {
  IE_CLASS(TWriter, TFiler)

 public:
  using TFiler::TFiler;

  void DefineProperty(std::string_view Name, TReaderProc ReadData, TWriterProc WriteData,
                      bool HasData) override;
  void WriteListBegin() { WriteTag('L'); }
  void WriteString(std::string_view Text);
  void WriteInteger(int32_t Value);
  void WriteListEnd() { WriteTag('E'); }
  // The signature, Instance's properties that have data, the end mark.
  void WriteRootComponent(TPersistent* Instance);

 private:
  void WriteTag(char Tag);
  void WriteRaw(std::string_view Text);
  void WriteWord(uint32_t Value);
};

class TReader : public TFiler {
  IE_CLASS(TReader, TFiler)

 public:
  using TFiler::TFiler;

  void DefineProperty(std::string_view Name, TReaderProc ReadData, TWriterProc WriteData,
                      bool HasData) override;
  void ReadListBegin() { ExpectTag('L'); }
  // True when the next item is the end of the list.
  bool EndOfList();
  std::string ReadString();
  int32_t ReadInteger();
  void ReadListEnd() { ExpectTag('E'); }
  // Checks the signature, then reads every property into Instance; a
  // component is loading meanwhile and hears Loaded at the end.
  void ReadRootComponent(TPersistent* Instance);

 private:
  void ExpectTag(char Tag);
  char ReadTag();
  std::string ReadRaw();
  uint32_t ReadWord();
  [[noreturn]] static void InvalidFormat();

  std::map<std::string, TReaderProc, std::less<>> FReaders;
  // A tag read ahead by EndOfList, or 0.
  char FPeeked = 0;
};

// Writes Instance's properties to Stream from its position.
void WriteComponent(TStream* Stream, TPersistent* Instance);
// Reads the properties that Stream holds from its position into Instance.
void ReadComponent(TStream* Stream, TPersistent* Instance);

}  // namespace ie
