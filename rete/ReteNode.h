// The node of the match network every node family derives from: its edges
// to the nodes it feeds and back to its parents, the index that hands a
// token only to the children it may pass, and the context its tests run in.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/IEValue.h"
#include "rete/IEToken.h"
#include "rete/ReteBinding.h"
#include "runtime/Object.h"

namespace ie {

class TReteNetwork;
class TReteNode;

// The input of the target node that an edge feeds.
enum TCallType : uint8_t { ctLeft, ctRight, ctSingle, ctActivate };
inline constexpr std::string_view CallTypeNames[] = {"ctLeft", "ctRight", "ctSingle", "ctActivate"};
static_assert(std::size(CallTypeNames) == ctActivate + 1);

// What a node passes on, handed to whoever collects a node's outputs.
using TTokenSink = std::function<void(const IReteToken& Token)>;

// An edge of the graph: the node fed and the input it feeds.
struct TReteEdge {
  TReteNode* Target;
  TCallType CallType;
};

class TReteNode : public TObject {
  IE_CLASS(TReteNode, TObject)

 public:
  explicit TReteNode(TReteNetwork* Rete) : FRete(Rete) {}
  ~TReteNode() override;

  // How many uses by rules hold the node; it goes with the last.
  int32_t GetRuleUseCount() const { return FRuleUseCount; }
  TReteNetwork* GetRete() const { return FRete; }
  // The node's own context, made on first use.
  TIEContext* GetContext();
  const std::vector<TReteEdge>& GetEdges() const { return FEdges; }
  int32_t GetInDegree() const { return static_cast<int32_t>(FParents.size()); }
  int32_t GetOutDegree() const { return static_cast<int32_t>(FEdges.size()); }

  // Takes Token in through the input CallType; whether it passed.
  virtual bool CallNode(const IReteToken& Token, TCallType CallType) = 0;
  // Hands Token to every successor, in edge order.
  void CallChildren(const IReteToken& Token);
  // Value (a call or a variable) resolved with Token in the node's
  // context.
  IIEValue Evaluate(const IIEValue& Value, const IReteToken& Token);

  // "TJoinNode In/Out#: 2/1 RuleUse: 1".
  std::string GetToString() const override;

 protected:
  friend class TReteNetwork;
  friend class TPatternMatchNode;
  friend class TTestNode;
  friend class TJoinNode;

  struct TParentEdge {
    TReteNode* Source;
    TCallType CallType;
  };

  // Children that test one slot for equality with a constant, filed by
  // the constant's hash code, so that a token is handed only to those it
  // may pass (and to every other child), still in edge order.
  struct TEdgeIndex {
    TSlotReader Reader;
    // Positions in FEdges, ascending.
    std::vector<uint32_t> Others;
    std::unordered_map<int32_t, std::vector<uint32_t>> ByHash;
  };

  // Everything the node would pass on now, to Sink: what a successor
  // linked below it later must be given.
  virtual void CollectOutputs(const TTokenSink& Sink) = 0;
  // The edges changed: the index is made again when next needed.
  void EdgesChanged() {
    FEdgeIndex.reset();
    FEdgeIndexStale = true;
  }
  void BuildEdgeIndex();
  // CallChildren through the index; false when the token's fact cannot be
  // read by it and every child must see the token.
  bool CallIndexedChildren(const IReteToken& Token);

  int32_t FRuleUseCount = 1;
  // Nodes made earlier have lower serials: roots are offered tokens in
  // this order.
  uint64_t FSerial = 0;
  // The node's place in the network's node list.
  size_t FPlace = 0;
  TReteNetwork* FRete;
  TReteContext* FContext = nullptr;
  std::vector<TReteEdge> FEdges;
  std::vector<TParentEdge> FParents;
  std::unique_ptr<TEdgeIndex> FEdgeIndex;
  bool FEdgeIndexStale = true;
};

}  // namespace ie
