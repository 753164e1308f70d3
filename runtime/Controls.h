// The least of actions and controls that a host without a user interface
// needs: an action that executes, and controls that sit in a parent with a
// list of children. A host with a real user interface derives from them
// and replaces the hooks (Execute, SetParent, InsertControl,
// RemoveControl).
//
// Ownership is the component's: a parent does not own its children, it
// only lists them; a control leaves its parent when either is freed.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "runtime/Component.h"

namespace ie {

using TActionEvent = std::function<void(TObject* Sender)>;

class TBasicAction : public TComponent {
  IE_CLASS(TBasicAction, TComponent)

 public:
  using TComponent::TComponent;

  const TActionEvent& GetOnExecute() const { return FOnExecute; }
  void SetOnExecute(TActionEvent Handler) { FOnExecute = std::move(Handler); }
  // True when the action did something: here, when OnExecute is assigned
  // (it is then called).
  virtual bool Execute();

 private:
  TActionEvent FOnExecute;
};

class TWinControl;

class TControl : public TComponent {
  IE_CLASS(TControl, TComponent)

 public:
  using TComponent::TComponent;

  void BeforeDestruction() override;

  TWinControl* GetParent() const { return FParent; }
  // Leaves the old parent's children and joins the new one's.
  virtual void SetParent(TWinControl* Parent);

 private:
  TWinControl* FParent = nullptr;
};

class TWinControl : public TControl {
  IE_CLASS(TWinControl, TControl)

 public:
  using TControl::TControl;

  void BeforeDestruction() override;

  int32_t GetControlCount() const { return static_cast<int32_t>(FControls.size()); }
  TControl* GetControl(int32_t Index) const;
  // Called by a child's SetParent.
  virtual void InsertControl(TControl* Control);
  virtual void RemoveControl(TControl* Control);

 private:
  std::vector<TControl*> FControls;
};

}  // namespace ie
