// TGTextStream: text read through a byte stream, buffered, character by
// character (with characters put back in front of what is still unread) or
// line by line, and written to it. The tokenizer builds on it, and the
// logical I/O streams of an engine are text streams over files.
//
// Before a write the text stream gives what it has read ahead (and what
// was put back) back to the byte stream by seeking, so that reading and
// writing may alternate on one stream. Written line ends are CR LF.
//
// The text stream frees the byte stream it reads only when told that it
// owns it. One thread at a time.
#pragma once

#include <string>
#include <string_view>

#include "runtime/Object.h"
#include "runtime/Streams.h"

namespace ie {

class TGTextStream : public TObject {
  IE_CLASS(TGTextStream, TObject)

 public:
  // Over Stream from its current position.
  TGTextStream(TStream* Stream, bool OwnsStream);
  ~TGTextStream() override;

  TStream* GetStream() const { return FStream; }

  // The next character; false at the end of input.
  virtual bool GetChar(char& C);
  // The next GetChar returns C; characters put back come out in the
  // reverse order of putting.
  void PutBackChar(char C) { FPutBack.push_back(C); }
  // The rest of the line without its line end, which is consumed (line
  // feed, carriage return, or the pair); empty at the end of input.
  virtual std::string GetLine();
  // True when nothing is left to read.
  bool IsEOF();

  // Writes Text where the reading stopped; the runtime's EWriteError when
  // the byte stream takes fewer bytes.
  void Put(std::string_view Text);
  // Writes CR LF.
  void PutLine() { Put("\r\n"); }

 protected:
  // Reads the line end that starts with C (a carriage return may be
  // followed by a line feed); false when C starts none.
  bool ConsumeLineEnd(char C);

 private:
  bool Fill();

  TStream* FStream;
  bool FOwnsStream;
  std::string FBuffer;
  size_t FPosition = 0;
  std::string FPutBack;
};

}  // namespace ie
