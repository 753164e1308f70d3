// Gathers input lines until they hold whole top-level expressions, so that
// a construct typed over several lines reaches the parser in one piece.
//
// The buffer follows parentheses, strings (with their backslash escapes)
// and comments as the tokenizer reads them. It is complete at the end of a
// line where every parenthesis opened has been closed and something other
// than blanks and comments was read; a stray ")" completes it at once so
// that the parser reports it. Lines holding only blanks and comments are
// dropped. Used by one thread.
#pragma once

#include <cstdint>
#include <string>

namespace ie {

class TExpressionBuffer {
 public:
  // Line is one input line without its line end; LineNumber counts from 1.
  void AddLine(const std::string& Line, int32_t LineNumber);
  bool IsComplete() const { return FHasContent && !FInString && FDepth <= 0; }
  bool IsEmpty() const { return !FHasContent; }
  int32_t GetFirstLine() const { return FFirstLine; }
  // The lines gathered; the parser is told the first one's number, so
  // that a long file is not read again line by line for every expression.
  // Empties the buffer.
  std::string Take();
  void Clear();

 private:
  std::string FText;
  int32_t FFirstLine = 0;
  int32_t FDepth = 0;
  bool FInString = false;
  bool FHasContent = false;
};

}  // namespace ie
