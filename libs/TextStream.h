// TGTextStream: a buffered text stream over a byte stream, with one
// character of put-back, line reading and writing. The logical I/O streams
// of an engine are text streams over files.
//
// Reading goes through a buffer; before a write the text stream gives the
// unread part of its buffer back to the byte stream (by seeking), so
// reading and writing may alternate on one stream. Lines end with LF,
// CR LF or a lone CR; written line ends are CR LF.
//
// The byte stream is the caller's unless the text stream was told to own
// it, in which case freeing the text stream frees it. One thread at a time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/Object.h"
#include "runtime/Streams.h"

namespace ie {

class TGTextStream : public TObject {
  IE_CLASS(TGTextStream, TObject)

 public:
  TGTextStream(TStream* Stream, bool OwnsStream);
  ~TGTextStream() override;

  TStream* GetStream() const { return FStream; }

  // The next character; false at the end of input.
  bool GetChar(char& C);
  // Makes C the next character read.
  void PutBackChar(char C);
  // The rest of the current line, without its line end; false when the
  // input was already at its end (Line is then empty).
  bool GetLine(std::string& Line);
  bool IsEof();

  // Raises the runtime's EWriteError when the byte stream takes fewer bytes.
  void Put(std::string_view Text);
  // Writes CR LF.
  void PutLine();

 private:
  // Refills an exhausted buffer; false at the end of input.
  bool Fill();

  TStream* FStream;
  bool FOwnsStream;
  std::string FBuffer;
  size_t FPosition = 0;
};

}  // namespace ie
