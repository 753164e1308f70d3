#include "parser/IETokenizer.h"

#include <cmath>
#include <limits>
#include <utility>

#include "runtime/Conversions.h"
#include "runtime/Format.h"

namespace ie {

namespace {

bool IsPunctuation(int32_t Code) {
  switch (Code) {
    case '&':
    case '(':
    case ')':
    case '=':
    case '[':
    case ']':
    case '|':
    case '~':
      return true;
    default:
      return false;
  }
}

// Well-formed UTF-8: no stray continuation bytes, no overlong forms, no
// surrogates, nothing above U+10FFFF.
bool IsValidUTF8(const std::string& Text) {
  const auto* P = reinterpret_cast<const unsigned char*>(Text.data());
  const auto* End = P + Text.size();
  while (P < End) {
    const unsigned char Lead = *P++;
    if (Lead < 0x80) continue;
    int Count;
    unsigned char Low = 0x80;
    unsigned char High = 0xBF;
    if (Lead >= 0xC2 && Lead <= 0xDF) {
      Count = 1;
    } else if (Lead >= 0xE0 && Lead <= 0xEF) {
      Count = 2;
      if (Lead == 0xE0) Low = 0xA0;
      if (Lead == 0xED) High = 0x9F;
    } else if (Lead >= 0xF0 && Lead <= 0xF4) {
      Count = 3;
      if (Lead == 0xF0) Low = 0x90;
      if (Lead == 0xF4) High = 0x8F;
    } else {
      return false;
    }
    if (End - P < Count) return false;
    if (*P < Low || *P > High) return false;
    for (int I = 1; I < Count; ++I) {
      if ((P[I] & 0xC0) != 0x80) return false;
    }
    P += Count;
  }
  return true;
}

int32_t RoundToInteger(double Number) {
  constexpr double Low = std::numeric_limits<int32_t>::min();
  constexpr double High = std::numeric_limits<int32_t>::max();
  if (!(Number >= Low)) return std::numeric_limits<int32_t>::min();
  if (Number > High) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(std::lround(Number));
}

}  // namespace

// TIEStreamToken

bool TIEStreamToken::IsValue() const {
  switch (FDataType) {
    case dtAtom:
    case dtString:
    case dtInteger:
    case dtFloat:
    case dtVariable:
    case dtMultiVariable:
      return true;
    default:
      return false;
  }
}

void TIEStreamToken::Assign(TPersistent* Source) {
  auto* Token = dynamic_cast<TIEStreamToken*>(Source);
  if (Token == nullptr) return TInterfacedObject::Assign(Source);
  FDataType = Token->FDataType;
  FLineNumber = Token->FLineNumber;
  FNumber = Token->FNumber;
  FText = Token->FText;
  FTag = Token->FTag;
}

IStreamToken TIEStreamToken::Clone() const {
  IStreamToken Copy = new TIEStreamToken();
  Copy->Assign(const_cast<TIEStreamToken*>(this));
  return Copy;
}

bool TIEStreamToken::Equals(const IStreamToken& Other) const {
  return Other && Other->FDataType == FDataType && Other->FLineNumber == FLineNumber &&
         Other->FNumber == FNumber;
}

std::string TIEStreamToken::GetToString() const {
  switch (FDataType) {
    case dtString:
      return "\\\"" + FText + "\"\\";
    case dtInteger:
      return IntToStr(static_cast<int64_t>(FNumber));
    case dtFloat:
      return Format("%.4f", FNumber);
    case dtVariable:
      return "?" + FText;
    case dtMultiVariable:
      return "$?" + FText;
    default:
      if (!FText.empty()) return FText;
      return std::string(1, static_cast<char>(FDataType));
  }
}

IIEValue TIEStreamToken::Value() const {
  switch (FDataType) {
    case dtAtom:
      if (FText == FCTrue->GetText()) return FCTrue;
      if (FText == FCFalse->GetText()) return FCFalse;
      if (FText.size() == 3 && (FText[0] | 0x20) == 'n' && (FText[1] | 0x20) == 'i' &&
          (FText[2] | 0x20) == 'l') {
        return FCNil;
      }
      return new TIEValue(FText, dtAtom);
    case dtInteger:
    case dtFactId:
    case dtDescriptor:
      return new TIEValue(RoundToInteger(FNumber), static_cast<TIEType>(FDataType));
    case dtExternalAddress:
    case dtObject:
      // No number becomes an address or an object again: the integer stands in.
      return new TIEValue(RoundToInteger(FNumber), dtInteger);
    case dtFloat:
      return new TIEValue(FNumber);
    case dtVariable:
    case dtMultiVariable:
    case dtSlot:
    case dtMultiSlot:
      return new TIEValue(FText, static_cast<TIEType>(FDataType));
    case dtNone:
      if (FText == "EOF") return FCEOF;
      break;
    default:
      break;
  }
  return new TIEValue(FText, dtString);
}

IIEValue TIEStreamToken::Value(TIEContext* Context) const {
  if (Context == nullptr || !IsVariable()) return Value();
  return Context->GetVariable(FText);
}

void TIEStreamToken::SetValue(const IIEValue& Value) {
  const TIEType Kind = Value->GetDType();
  FDataType = Kind;
  switch (Kind) {
    case dtInteger:
    case dtFactId:
    case dtDescriptor:
      FNumber = Value->GetAsInteger();
      FText.clear();
      break;
    case dtFloat:
      FNumber = Value->GetAsFloat();
      FText.clear();
      break;
    default:
      FText = IEStringTypes.Contains(Kind) ? Value->GetText() : Value->GetToString();
      break;
  }
}

// TIERuleStream

TIERuleStream::TIERuleStream(TStream* Stream, bool OwnsStream, TCustomFactEngine* Engine)
    : TIETokenizerStream(Stream, OwnsStream), FEngine(Engine) {}

TIERuleStream::TIERuleStream(const std::string& Text, TCustomFactEngine* Engine)
    : TIERuleStream(Create<TStringStream>(Text), true, Engine) {}

void TIERuleStream::RaiseParseError(const std::string& Message) const {
  throw EIEParseException(Message, FLineNumber);
}

bool TIERuleStream::TakeLineEnd(char C, std::string& Text) {
  if (C != '\r' && C != '\n') return false;
  Text += C;
  if (C == '\r') {
    char Next;
    if (GetChar(Next)) {
      if (Next == '\n') {
        Text += Next;
      } else {
        PutBackChar(Next);
      }
    }
  }
  ++FLineNumber;
  FAtLineStart = true;
  return true;
}

bool TIERuleStream::SkipInLineSpaces() {
  char C;
  while (GetChar(C)) {
    if (!IsWhiteSpace(C)) {
      PutBackChar(C);
      return false;
    }
    if (TakeLineEnd(C, FWhiteSpace)) return true;
    FWhiteSpace += C;
    FAtLineStart = false;
  }
  return false;
}

std::string TIERuleStream::GetLine() {
  std::string Line;
  char C;
  while (GetChar(C)) {
    if (TakeLineEnd(C, Line)) {
      FWhiteSpace += Line;
      Line.resize(Line.find_last_not_of("\r\n") + 1);
      return Line;
    }
    Line += C;
    FAtLineStart = false;
  }
  FWhiteSpace += Line;
  return Line;
}

void TIERuleStream::Clear() {
  FReady.clear();
  FSExpression.clear();
  FFormerSExpression.clear();
  FHandedOut = 0;
  FDepth = 0;
}

void TIERuleStream::DiscardUntilEOL() {
  const int32_t Line = FCurrent ? FCurrent->GetLineNumber() : FLineNumber;
  while (!FReady.empty() && FReady.back()->GetLineNumber() <= Line) FReady.pop_back();
  // Tokens left belong to later lines, so the characters are past this one.
  if (FReady.empty() && !FAtLineStart) GetLine();
}

void TIERuleStream::MoveToNextConstruct() {
  // The rest of a construct is what its read-ahead left on the stack.
  while (FDepth > 0 && !FReady.empty()) {
    if (NextToken()->IsEOF()) break;
  }
}

void TIERuleStream::ReadAhead() {
  FHandedOut = 0;
  FDepth = 0;
  FWork.clear();
  int32_t Open = 0;
  for (;;) {
    IStreamToken Token;
    try {
      Token = BuildNextToken();
    } catch (const EIEParseException&) {
      SkipConstruct(Open);
      throw;
    }
    if (Token->IsChar('(')) {
      ++Open;
    } else if (Token->IsChar(')')) {
      --Open;
    }
    const bool Done = Open <= 0 || Token->IsEOF();
    FWork.push_back(std::move(Token));
    if (Done) break;
  }
  FReady.assign(FWork.rbegin(), FWork.rend());
  FWork.clear();
}

void TIERuleStream::SkipConstruct(int32_t Open) {
  FFormerSExpression = std::exchange(FSExpression, std::string());
  for (const IStreamToken& Token : FWork) {
    FSExpression += Token->GetToString();
    FSExpression += ' ';
  }
  FWork.clear();
  // Every reader error consumes what it read, so the skip goes on past one.
  while (Open > 0) {
    IStreamToken Token;
    try {
      Token = BuildNextToken();
    } catch (const EIEParseException&) {
      continue;
    }
    if (Token->IsEOF()) break;
    if (Token->IsChar('(')) {
      ++Open;
    } else if (Token->IsChar(')')) {
      --Open;
    }
  }
}

IStreamToken TIERuleStream::NextToken() {
  if (FReady.empty()) ReadAhead();
  IStreamToken Token = std::move(FReady.back());
  FReady.pop_back();
  // The text starts anew with the first token of an S-expression; the
  // former one stays until then, so peeking ahead keeps it for messages.
  if (FHandedOut++ == 0) FFormerSExpression = std::exchange(FSExpression, std::string());
  if (!FSExpression.empty() && Token->GetLineNumber() > FCurrent->GetLineNumber()) {
    FSExpression += NewLineString;
  }
  FSExpression += Token->GetToString();
  FSExpression += ' ';
  if (Token->IsChar('(')) {
    ++FDepth;
  } else if (Token->IsChar(')')) {
    --FDepth;
  }
  FCurrent = Token;
  return Token;
}

void TIERuleStream::PutBackToken(const IStreamToken& Token) {
  FReady.push_back(Token);
  FCurrent = Token;
  if (FHandedOut > 0 && --FHandedOut == 0) {
    FSExpression = std::move(FFormerSExpression);
    FFormerSExpression.clear();
  } else {
    FSExpression.erase(FSExpression.find_last_not_of(' ') + 1);
    const std::string Text = Token->GetToString();
    if (FSExpression.size() >= Text.size() &&
        FSExpression.compare(FSExpression.size() - Text.size(), Text.size(), Text) == 0) {
      FSExpression.erase(FSExpression.size() - Text.size());
    }
    FSExpression.erase(FSExpression.find_last_not_of(' ') + 1);
    if (!FSExpression.empty()) FSExpression += ' ';
  }
  if (Token->IsChar('(')) {
    --FDepth;
  } else if (Token->IsChar(')')) {
    ++FDepth;
  }
}

std::string TIERuleStream::Head() {
  const IStreamToken Open = NextToken();
  if (!Open->IsChar('(')) {
    PutBackToken(Open);
    return std::string();
  }
  const IStreamToken Keyword = NextToken();
  PutBackToken(Keyword);
  PutBackToken(Open);
  switch (Keyword->GetDataType()) {
    case dtAtom:
    case dtVariable:
      return Keyword->GetText();
    default:
      return Keyword->GetToString();
  }
}

IStreamToken TIERuleStream::GetCurrentToken() {
  if (!FCurrent) NextToken();
  return FCurrent;
}

std::string TIERuleStream::GenerateName(const char* Prefix) {
  if (FEngine != nullptr) return FEngine->GenerateSymbol(Prefix);
  return Prefix + IntToStr(++FNameIndex);
}

void TIERuleStream::ReadString() {
  // A string left open is reported where it starts, not at the end of text.
  const int32_t StartLine = FLineNumber;
  const auto Unterminated = [StartLine] {
    throw EIEParseException(SUnterminatedString, StartLine);
  };
  char C;
  for (;;) {
    if (!GetChar(C)) Unterminated();
    FAtLineStart = false;
    if (C == '"') return;
    if (C == '\\' && !GetChar(C)) Unterminated();
    if (!TakeLineEnd(C, FTokenText)) FTokenText += C;
  }
}

IStreamToken TIERuleStream::BuildNextToken() {
  for (;;) {
    FTokenText.clear();
    while (SkipInLineSpaces() && !IsEOF()) {
    }
    char C;
    if (!GetChar(C)) return FinishToken(EndOfInputHint, FTokenText);
    FAtLineStart = false;
    switch (C) {
      case '=':
      case '&':
      case '(':
      case ')':
      case '[':
      case ']':
      case '|':
      case '~':
        return FinishToken(static_cast<unsigned char>(C), std::string(1, C));
      case '"':
        ReadString();
        return FinishToken(StringHint, FTokenText);
      case ';':
        FWhiteSpace += C;
        GetLine();
        continue;
      default:
        break;
    }
    FTokenText += C;
    char D;
    while (GetChar(D)) {
      FAtLineStart = false;
      if (IsWhiteSpace(D)) {
        // The token ends on this line; what ended it belongs before the next.
        IStreamToken Token = FinishToken(WordHint, FTokenText);
        if (!TakeLineEnd(D, FWhiteSpace)) FWhiteSpace += D;
        return Token;
      }
      if (D == '\\') {
        if (!GetChar(D)) break;
        FTokenText += D;
        continue;
      }
      if (EndsWord(D)) {
        PutBackChar(D);
        return FinishToken(WordHint, FTokenText);
      }
      FTokenText += D;
    }
    return FinishToken(EndOfInputHint, FTokenText);
  }
}

IStreamToken TIERuleStream::FinishToken(int32_t Hint, const std::string& Text) {
  IStreamToken Token = new TIEStreamToken(dtNone, std::string(), FLineNumber);
  if (Hint == EndOfInputHint) {
    if (Text.empty()) {
      Token->SetText("EOF");
    } else {
      Hint = WordHint;
    }
  }
  if (Hint == WordHint) {
    if (Text.starts_with("$?")) {
      Token->SetDataType(dtMultiVariable);
      Token->SetText(Text.size() > 2 ? Text.substr(2) : GenerateName(SBlankMulti));
    } else if (Text.starts_with('?')) {
      Token->SetDataType(dtVariable);
      Token->SetText(Text.size() > 1 ? Text.substr(1) : GenerateName(SBlankPrefix));
    } else {
      Token->SetDataType(dtAtom);
      Token->SetText(Text);
      const char First = Text.empty() ? ' ' : Text[0];
      const bool NumberLike =
          (First >= '0' && First <= '9') || First == '+' || First == '-' || First == '.';
      int32_t Integer = 0;
      double Float = 0;
      if (Text.size() == 1 && !(First >= '0' && First <= '9')) {
        // "+", "-" and "." alone are atoms.
      } else if (NumberLike && TryStrToInt(Text, Integer)) {
        Token->SetDataType(dtInteger);
        Token->SetNumber(Integer);
        Token->SetText(std::string());
      } else if (NumberLike && TryStrToFloat(Text, Float)) {
        Token->SetDataType(dtFloat);
        Token->SetNumber(Float);
        Token->SetText(std::string());
      } else if (NumberLike && IsFloatText(Text)) {
        // Beyond the range of a float: no number, and no symbol either.
        RaiseParseError(Format(SNumberOutOfRange, Text));
      }
    }
  } else if (Hint == StringHint) {
    Token->SetDataType(dtString);
    Token->SetText(Text);
  } else if (Hint == LineEndHint) {
    Token->SetDataType(dtAtom);
    Token->SetText("CRLF");
  } else if (IsPunctuation(Hint)) {
    Token->SetDataType(Hint);
    Token->SetText(Text);
  } else if (Hint != EndOfInputHint) {
    RaiseParseError(Format(SInvalidTokenHint, IntToStr(Hint)));
  }
  if (!IsValidUTF8(Token->GetText()) || !IsValidUTF8(FWhiteSpace)) {
    FWhiteSpace.clear();
    RaiseParseError(Format(SInvalidUTF8, FLineNumber));
  }
  Token->SetWhiteSpace(std::move(FWhiteSpace));
  FWhiteSpace.clear();
  return Token;
}

}  // namespace ie
