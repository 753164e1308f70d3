#include "ExpressionBuffer.h"

namespace ie {

void TExpressionBuffer::AddLine(const std::string& Line, int32_t LineNumber) {
  bool Content = false;
  for (size_t I = 0; I < Line.size(); ++I) {
    const char C = Line[I];
    if (FInString) {
      if (C == '\\') {
        ++I;
      } else if (C == '"') {
        FInString = false;
      }
      continue;
    }
    if (C == ';') break;
    switch (C) {
      case ' ':
      case '\t':
      case '\r':
      case '\f':
      case '\v':
        continue;
      case '"':
        FInString = true;
        break;
      case '\\':
        ++I;
        break;
      case '(':
        ++FDepth;
        break;
      case ')':
        --FDepth;
        break;
      default:
        break;
    }
    Content = true;
  }
  if (!FHasContent && !Content && !FInString) return;
  if (!FHasContent) FFirstLine = LineNumber;
  FHasContent = true;
  FText += Line;
  FText += '\n';
}

std::string TExpressionBuffer::Take() {
  // Without the last line end, so that the end of the text is on its last line.
  if (!FText.empty()) FText.pop_back();
  std::string Text = std::move(FText);
  Clear();
  return Text;
}

void TExpressionBuffer::Clear() {
  FText.clear();
  FFirstLine = 0;
  FDepth = 0;
  FInString = false;
  FHasContent = false;
}

}  // namespace ie
