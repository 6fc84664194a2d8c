#pragma once
// A container owns its children. Floating children sit at their "pos" relative to the
// container; the others each fill the container's area less its inset (layouts below
// arrange them instead).

#include <vector>

#include "skin/control.h"

namespace DuiLib {

class CContainerUI : public CControlUI {
 public:
  CContainerUI() = default;
  ~CContainerUI() override;
  LPCTSTR GetClass() const override { return L"ContainerUI"; }
  void* GetInterface(LPCTSTR name) override;
  void SetManager(CPaintManagerUI* manager, CControlUI* parent) override;

  virtual bool Add(CControlUI* control);
  virtual bool AddAt(CControlUI* control, int index);
  // The removed control is deleted (once the current event is over) unless
  // `doNotDestroy`, which hands it back to the caller.
  virtual bool Remove(CControlUI* control, bool doNotDestroy = false);
  virtual bool RemoveAt(int index, bool doNotDestroy = false);
  virtual void RemoveAll();
  int GetCount() const { return static_cast<int>(items_.size()); }
  CControlUI* GetItemAt(int index) const;
  int GetItemIndex(CControlUI* control) const;

  void SetInset(const RECT& inset);
  void SetChildPadding(int padding);
  void SetAttribute(LPCTSTR name, LPCTSTR value) override;

  void SetPos(const RECT& rect) override;
  void DoPaint(IRenderer& renderer, const RECT& clip) override;
  CControlUI* FindControlAt(POINT point) override;
  CControlUI* FindControlByName(const CDuiString& name) override;
  void ForEach(const std::function<void(CControlUI*)>& visit) override;

 protected:
  RECT ContentArea() const;
  void PlaceFloat(CControlUI* child);
  // Lays the children one after another, down or across, from `start`: fixed lengths as
  // given, the others share what is left; across the line a child fills the area unless
  // it has a fixed size there.
  void ArrangeInLine(bool vertical, int start);
  // Where the children are clipped while painting.
  virtual RECT ChildClip() const { return pos_; }

  std::vector<CControlUI*> items_;
  RECT inset_;
  int childPadding_ = 0;
};

}  // namespace DuiLib
