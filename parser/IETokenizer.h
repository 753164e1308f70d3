// The tokenizer of the rule language: text in, tokens out.
//
// TIEStreamToken is one token: its kind (a TIEType ordinal for words,
// strings, numbers and variables, the character code for punctuation), its
// text or number, the line it ends on and the whitespace and comments that
// came before it. Tokens are reference counted (IStreamToken).
//
// TIETokenizerStream is the abstract tokenizer over a text stream;
// TIERuleStream tokenizes this rule language. It reads one whole top-level
// S-expression ahead onto a stack of ready tokens, so the parser can look
// at the head of a construct and put tokens back, and it keeps the text of
// the S-expression handed out so far for error messages. Lone wildcards get
// fresh names from the engine the stream reads for (or, without one, from
// the stream itself). Input that is not valid UTF-8 raises EIEParseException.
//
// One thread at a time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/IEFactOwner.h"
#include "core/IEParseException.h"
#include "core/IEValue.h"
#include "libs/TextStream.h"
#include "rete/IEContext.h"

namespace ie {

class TIEStreamToken;
using IStreamToken = TRef<TIEStreamToken>;

// Punctuation tokens are told by their character: Token->IsChar('(').
class TIEStreamToken : public TInterfacedObject {
  IE_CLASS(TIEStreamToken, TInterfacedObject)

 public:
  TIEStreamToken() = default;
  TIEStreamToken(int32_t DataType, std::string Text, int32_t LineNumber)
      : FDataType(DataType), FLineNumber(LineNumber), FText(std::move(Text)) {}

  int32_t GetDataType() const { return FDataType; }
  void SetDataType(int32_t Value) { FDataType = Value; }
  int32_t GetLineNumber() const { return FLineNumber; }
  void SetLineNumber(int32_t Value) { FLineNumber = Value; }
  // The value of a number token.
  double GetNumber() const { return FNumber; }
  void SetNumber(double Value) { FNumber = Value; }
  // Empty for numbers.
  const std::string& GetText() const { return FText; }
  void SetText(std::string Value) { FText = std::move(Value); }
  int32_t GetTag() const { return FTag; }
  void SetTag(int32_t Value) { FTag = Value; }
  const std::string& GetWhiteSpace() const { return FWhiteSpace; }
  void SetWhiteSpace(std::string Value) { FWhiteSpace = std::move(Value); }

  bool IsChar(char C) const { return FDataType == static_cast<unsigned char>(C); }
  bool IsEOF() const { return FDataType == dtNone && FText == "EOF"; }
  // An atom, string, integer, float, variable or multifield variable.
  bool IsValue() const;
  bool IsVariable() const { return FDataType == dtVariable || FDataType == dtMultiVariable; }

  // Kind, line, number, text and tag; the whitespace stays.
  void Assign(TPersistent* Source) override;
  IStreamToken Clone() const;
  // Same kind, line and number; the text does not count.
  bool Equals(const IStreamToken& Other) const;
  // The token as source text; for error messages.
  std::string GetToString() const override;

  // The token as a value: TRUE, FALSE and nil (in any letter case) are the
  // shared constants, the end of input the shared EOF value.
  IIEValue Value() const;
  // For a variable token, the value bound to its name in Context ("Unknown
  // variable name: %s" when unbound); any other token as Value().
  IIEValue Value(TIEContext* Context) const;
  // The inverse of Value: kind and text or number of the value.
  void SetValue(const IIEValue& Value);

 protected:
  ~TIEStreamToken() override = default;

 private:
  int32_t FDataType = dtNone;
  int32_t FLineNumber = 0;
  double FNumber = 0;
  std::string FText;
  int32_t FTag = 0;
  std::string FWhiteSpace;
};

class TIETokenizerStream : public TGTextStream {
  IE_CLASS(TIETokenizerStream, TGTextStream)

 public:
  using TGTextStream::TGTextStream;

  // Forgets the tokens read ahead and the S-expression text.
  virtual void Clear() = 0;
  // Drops the rest of the current line, tokens read ahead from it included.
  virtual void DiscardUntilEOL() = 0;
  // Hands out the rest of the current construct, up to its closing
  // parenthesis or the end of input.
  virtual void MoveToNextConstruct() = 0;
  virtual IStreamToken NextToken() = 0;
  // Token becomes the next token again.
  virtual void PutBackToken(const IStreamToken& Token) = 0;
  // The keyword after the next "(", nothing consumed; empty when the next
  // token is no "(".
  virtual std::string Head() = 0;
};

// Token kinds that are no TIEType: the end hint of FinishToken.
inline constexpr int32_t EndOfInputHint = -1;
inline constexpr int32_t WordHint = 0;
inline constexpr int32_t StringHint = '"';
inline constexpr int32_t LineEndHint = '\r';

class TIERuleStream : public TIETokenizerStream {
  IE_CLASS(TIERuleStream, TIETokenizerStream)

 public:
  // Over Stream from its position; Engine (may be nil) names the wildcards.
  TIERuleStream(TStream* Stream, bool OwnsStream, TCustomFactEngine* Engine = nullptr);
  // Over a copy of Text.
  explicit TIERuleStream(const std::string& Text, TCustomFactEngine* Engine = nullptr);

  TCustomFactEngine* GetEngine() const { return FEngine; }
  void SetEngine(TCustomFactEngine* Engine) { FEngine = Engine; }

  // Whitespace other than line ends goes to the pending whitespace; true
  // when a line end stopped the skipping (it is consumed and counted).
  virtual bool SkipInLineSpaces();
  // The rest of the line; the line and its line end join the pending
  // whitespace, and the line is counted.
  std::string GetLine() override;

  void Clear() override;
  void DiscardUntilEOL() override;
  void MoveToNextConstruct() override;
  IStreamToken NextToken() override;
  void PutBackToken(const IStreamToken& Token) override;
  std::string Head() override;

  // One token straight from the characters.
  virtual IStreamToken BuildNextToken();
  // Text classified by Hint: a punctuation character, StringHint, WordHint,
  // LineEndHint or EndOfInputHint; any other hint raises
  // "Invalid Token hint for parsing token: %s".
  virtual IStreamToken FinishToken(int32_t Hint, const std::string& Text);

  // The token last handed out or put back; reads one when there is none.
  IStreamToken GetCurrentToken();
  int32_t GetLineNumber() const { return FLineNumber; }
  void SetLineNumber(int32_t Value) { FLineNumber = Value; }
  // How many parentheses the tokens handed out of the current S-expression
  // left open.
  int32_t GetDepth() const { return FDepth; }
  // The text of the S-expression handed out so far.
  std::string GetToString() const override { return FSExpression; }

 private:
  void ReadAhead();
  // After a reader error in a construct with Open parentheses open: its
  // text so far becomes the S-expression's, and the rest of it is passed
  // over, so that none of it is read as top-level items of its own.
  void SkipConstruct(int32_t Open);
  void ReadString();
  // Counts a line after a line end that starts with C has been consumed
  // into Text; false when C starts no line end.
  bool TakeLineEnd(char C, std::string& Text);
  std::string GenerateName(const char* Prefix);
  [[noreturn]] void RaiseParseError(const std::string& Message) const;

  // Ready tokens; the next one is at the back.
  std::vector<IStreamToken> FReady;
  int32_t FLineNumber = 1;
  std::string FTokenText;
  std::string FSExpression;
  // The text of the S-expression before, while nothing of the one read
  // ahead is handed out.
  std::string FFormerSExpression;
  // Tokens handed out of the S-expression read ahead last.
  int32_t FHandedOut = 0;
  IStreamToken FCurrent;
  int32_t FDepth = 0;
  std::vector<IStreamToken> FWork;
  std::string FWhiteSpace;
  // Set while the last character consumed ended a line.
  bool FAtLineStart = true;
  TCustomFactEngine* FEngine;
  int32_t FNameIndex = 0;
};

}  // namespace ie
