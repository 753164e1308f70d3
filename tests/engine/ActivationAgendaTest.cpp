#include "engine/ActivationAgenda.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <tuple>
#include <vector>

#include "TestSupport.h"
#include "core/IEFacts.h"
#include "core/IEValue.h"
#include "rete/IERule.h"

namespace ie {
namespace {

// An engine stand-in that orders the agenda it owns by SearchInsertion.
class AgendaTest : public ::testing::Test, public IAgendaOwner {
 protected:
  ~AgendaTest() override {
    Agenda.Clear();
    for (auto& [Salience, Rule] : Rules) Rule->Free();
  }

  int32_t SearchInsertion(TActivation& Activation) override {
    return ie::SearchInsertion(Agenda, Activation, Strategy);
  }

  TActivation* NewActivation(int32_t Salience, IReteToken Token = IReteToken()) {
    TRule*& Rule = Rules[Salience];
    if (Rule == nullptr) {
      Rule = Create<TRule>(nullptr);
      Rule->SetSalience(new TIEValue(Salience, dtInteger));
    }
    return new TActivation(Rule, std::move(Token), nullptr, 1.0f);
  }
  // Adds an activation of each salience, in order.
  std::vector<TActivation*> AddAll(std::initializer_list<int32_t> Saliences) {
    std::vector<TActivation*> Added;
    for (int32_t Salience : Saliences) {
      Added.push_back(NewActivation(Salience));
      Agenda.Add(Added.back());
    }
    return Added;
  }
  std::vector<TActivation*> Entries() const {
    std::vector<TActivation*> Result;
    for (int32_t I = 0; I < Agenda.GetCount(); ++I) Result.push_back(Agenda.GetActivation(I));
    return Result;
  }

  std::map<int32_t, TRule*> Rules;
  TSearchStrategy Strategy = ssDepthFirst;
  TIEAgenda Agenda{this};
};

TEST_F(AgendaTest, SalienceOrdersAcrossStrategies) {
  for (TSearchStrategy Each : {ssDepthFirst, ssBreadthFirst}) {
    Strategy = Each;
    AddAll({20, 5, 0});
    EXPECT_EQ(Agenda.Add(NewActivation(10)), 1);
    EXPECT_EQ(Agenda.Add(NewActivation(30)), 0);
    EXPECT_EQ(Agenda.Add(NewActivation(-5)), 5);
    Agenda.Clear();
    // Inside a run of equal saliences the first probe decides.
    AddAll({10, 5, 5, 5, 0});
    EXPECT_EQ(ie::SearchSalience(Agenda, 5, Each), 2);
    Agenda.Clear();
  }
  EXPECT_EQ(ie::SearchSalience(Agenda, 5, ssDepthFirst), -1);
}

// Only the two ends of the agenda give strict last-in-first-out and
// first-in-first-out inside a run of equal saliences.
TEST_F(AgendaTest, AgendaEndsDecideEqualRuns) {
  AddAll({5, 5, 5, 0});
  EXPECT_EQ(ie::SearchSalience(Agenda, 5, ssDepthFirst), 0);
  EXPECT_EQ(ie::SearchSalience(Agenda, 0, ssBreadthFirst), -1);
  EXPECT_EQ(ie::SearchSalience(Agenda, 0, ssDepthFirst), 3);
}

// Lex and mea against the order they promise: salience, then for mea the
// first link's fact ID, then the fact IDs newest first compared as
// sequences (of two with equal common parts the longer goes first), then
// the newest activation first. Links without a fact add no ID. Enough
// entries, with some withdrawn, to split and merge chunks.
TEST_F(AgendaTest, RecencyStrategiesOrderEqualSaliencesByFactIds) {
  std::vector<IFact> Facts;
  for (int32_t ID = 0; ID < 30; ++ID) {
    Facts.push_back(new TFact(nullptr));
    Facts.back()->SetID(ID);
  }
  struct TEntry {
    TActivation* Activation;
    int32_t Salience;
    int32_t First;
    std::vector<int32_t> Ids;
    int32_t Made;
  };
  for (TSearchStrategy Each : {ssLex, ssMea}) {
    Strategy = Each;
    std::mt19937 Random(11);
    std::vector<TEntry> Live;
    for (int32_t Made = 0; Made < 3000; ++Made) {
      IReteToken Token;
      TEntry Entry{nullptr, static_cast<int32_t>(Random() % 3), 0, {}, Made};
      const auto Links = 1 + Random() % 4;
      for (uint32_t Link = 0; Link < Links; ++Link) {
        const IFact Fact = Link > 0 && Random() % 4 == 0 ? IFact() : Facts[Random() % Facts.size()];
        Token = new TIEToken(Token, Fact);
        if (!Fact) continue;
        Entry.Ids.push_back(Fact->GetID());
        if (Link == 0 && Each == ssMea) Entry.First = Fact->GetID();
      }
      std::sort(Entry.Ids.rbegin(), Entry.Ids.rend());
      Entry.Activation = NewActivation(Entry.Salience, Token);
      Agenda.Add(Entry.Activation);
      Live.push_back(Entry);
      if (Random() % 4 == 0) {
        const auto Gone = static_cast<int32_t>(Random() % Agenda.GetCount());
        std::erase_if(Live,
                      [&](const TEntry& E) { return E.Activation == Agenda.GetActivation(Gone); });
        Agenda.Delete(Gone);
      }
    }
    std::sort(Live.begin(), Live.end(), [](const TEntry& A, const TEntry& B) {
      return std::tie(B.Salience, B.First, B.Ids, B.Made) <
             std::tie(A.Salience, A.First, A.Ids, A.Made);
    });
    ASSERT_EQ(Agenda.GetCount(), static_cast<int32_t>(Live.size()));
    for (size_t I = 0; I < Live.size(); ++I) {
      ASSERT_EQ(Agenda.GetActivation(static_cast<int32_t>(I)), Live[I].Activation) << I;
    }
    Agenda.Clear();
  }
}

TEST_F(AgendaTest, ScratchAgendaAppends) {
  TIEAgenda Scratch(nullptr);
  EXPECT_EQ(Scratch.Add(NewActivation(0)), 0);
  EXPECT_EQ(Scratch.Add(NewActivation(9)), 1);
}

TEST_F(AgendaTest, PutDataTakesOnlyActivations) {
  AddAll({1, 2});
  TStringList NotAnActivation;
  EXPECT_EQ(ErrorOf([&] { Agenda.PutData(0, &NotAnActivation); }),
            "Invalid object, agenda can only accept TActivation objects");
  EXPECT_EQ(ErrorOf([&] { Agenda.PutData(0, nullptr); }),
            "Invalid object, agenda can only accept TActivation objects");
  // The replaced activation is freed (the sanitizers watch it).
  TActivation* Replacement = NewActivation(7);
  Agenda.PutData(1, Replacement);
  EXPECT_EQ(Agenda.IndexOf(Replacement), 1);
  EXPECT_EQ(ErrorOf<EListError>([&] { Agenda.GetActivation(2); }), "List index out of bounds (2)");
}

TEST_F(AgendaTest, ExtractKeepsTheActivationAlive) {
  const auto Added = AddAll({3, 2, 1});
  TActivation* Taken = Agenda.Extract(1);
  EXPECT_EQ(Taken, Added[1]);
  EXPECT_EQ(Agenda.IndexOf(Taken), -1);
  EXPECT_EQ(Agenda.IndexOf(Added[2]), 1);
  EXPECT_EQ(Taken->GetRule()->GetSalience(), 2);
  Taken->Free();
  Agenda.SetOwnsObjects(false);
  Agenda.Clear();
  for (TActivation* Activation : {Added[0], Added[2]}) Activation->Free();
}

// The re-sort of a strategy switch: a scratch agenda holds the same
// activations while the engine's agenda lets go of them one by one.
TEST_F(AgendaTest, SharedActivationsStayFoundOnBothAgendas) {
  const auto Added = AddAll({4, 3, 2, 1});
  TIEAgenda Scratch(nullptr);
  Scratch.Assign(&Agenda);
  EXPECT_EQ(Scratch.IndexOf(Added[2]), 2);
  EXPECT_EQ(Agenda.IndexOf(Added[2]), 2);
  Agenda.SetOwnsObjects(false);
  Agenda.Delete(Agenda.IndexOf(Added[0]));
  EXPECT_EQ(Agenda.IndexOf(Added[0]), -1);
  EXPECT_EQ(Agenda.IndexOf(Added[3]), 2);
  Scratch.Extract(Scratch.IndexOf(Added[3]));
  EXPECT_EQ(Agenda.IndexOf(Added[3]), 2);
  Agenda.Clear();
  EXPECT_EQ(Scratch.IndexOf(Added[1]), 1);
  Added[3]->Free();
}

// Puts each activation where the test says.
class TPlacedAgenda : public TActivationAgenda {
 public:
  int32_t FindInsertion(TActivation*) override { return Next; }
  int32_t Next = -1;
};

// Random inserts and removals by identity, against a plain vector, across
// enough entries to split and merge chunks many times.
TEST_F(AgendaTest, LargeAgendaMatchesAPlainList) {
  TPlacedAgenda Placed;
  std::vector<TActivation*> Model;
  std::mt19937 Random(7);
  for (int32_t Step = 1; Step <= 40000; ++Step) {
    // Grows to a few thousand entries, then shrinks to none.
    const bool Grow = Step < 20000 ? Random() % 4 != 0 : Random() % 4 == 0;
    if (Grow || Model.empty()) {
      const auto Index = static_cast<int32_t>(Random() % (Model.size() + 1));
      TActivation* Activation = NewActivation(0);
      Placed.Next = Index == static_cast<int32_t>(Model.size()) ? -1 : Index;
      ASSERT_EQ(Placed.Add(Activation), Index);
      Model.insert(Model.begin() + Index, Activation);
    } else {
      const auto Index = static_cast<int32_t>(Random() % Model.size());
      TActivation* Gone = Model[Index];
      Model.erase(Model.begin() + Index);
      ASSERT_EQ(Placed.IndexOf(Gone), Index);
      if (Step % 2 == 0) {
        Placed.Delete(Index);
      } else {
        ASSERT_EQ(Placed.Extract(Index), Gone);
        ASSERT_EQ(Placed.IndexOf(Gone), -1);
        Gone->Free();
      }
    }
    ASSERT_EQ(Placed.GetCount(), static_cast<int32_t>(Model.size()));
    if (Step % 1000 == 0) {
      for (size_t I = 0; I < Model.size(); ++I) {
        ASSERT_EQ(Placed.GetActivation(static_cast<int32_t>(I)), Model[I]);
      }
    }
  }
}

}  // namespace
}  // namespace ie
