#include "skin/SkinManage.h"

#include <algorithm>

#include "foundation/text/Utf8.h"

namespace skin {

namespace {

std::unique_ptr<TSkinManage>& Global() {
  static std::unique_ptr<TSkinManage> manager;
  return manager;
}

}  // namespace

TSkinManage* SkinManager() { return Global().get(); }

TSkinManage& CreateSkinManager(TSkinWindowHost& host) {
  Global().reset();
  Global() = std::make_unique<TSkinManage>(host);
  return *Global();
}

void FreeSkinManager() { Global().reset(); }

TSkinManage::~TSkinManage() {
  host_.StopActionTimer();
  for (auto& form : forms_) form->Release();
  forms_.clear();
}

void TSkinManage::AddSkinData(TSkinData* component) {
  if (component && std::find(components_.begin(), components_.end(), component) == components_.end())
    components_.push_back(component);
}

void TSkinManage::RemoveSkinData(TSkinData* component) {
  std::erase(components_, component);
  if (actionFor_ == component) {
    action_ = saNone;
    actionFor_ = nullptr;
  }
  std::erase(purgeFor_, component);
  // Windows drawn with it would paint from a freed skin.
  for (size_t i = forms_.size(); i-- > 0;)
    if (&forms_[i]->Component() == component) Free(i, !forms_[i]->Destroyed());
  if (!Pending()) host_.StopActionTimer();
}

void TSkinManage::WindowActivated(TWindowId window) {
  if (started_ == 0) {
    started_ = 1;
    if (Pending()) host_.StartActionTimer(kActionDelay);
  }
  AddForm(window);
}

TSkinnedWindow* TSkinManage::FindForm(TWindowId window) const {
  // A destroyed window's object waits for the purge; a new window may already have its address.
  for (const auto& form : forms_)
    if (form->Window() == window && !form->Destroyed()) return form.get();
  return nullptr;
}

void TSkinManage::RemoveForm(TWindowId window) {
  for (auto& form : forms_)
    if (form->Window() == window) {
      // The object is being destroyed by its owner: let go of it without freeing it.
      (void)form.release();
    }
  std::erase_if(forms_, [](const std::unique_ptr<TSkinnedWindow>& f) { return !f; });
}

TSkinData* TSkinManage::ChooseComponent(const TWindowFacts& facts) const {
  TSkinData* found = nullptr;
  if (facts.form)
    for (TSkinData* c : components_)
      if (c->SkinFormtype == TSkinFormType::sfOnlyThisForm && c->OwnerForm == facts.form) found = c;
  if (found) return found;
  const std::string cls = olv::utf8::AsciiLower(facts.className);
  if (cls == "tmessageform" || cls == "#32770")
    for (TSkinData* c : components_)
      if (c->SkinFormtype == TSkinFormType::sfDialog) found = c;
  if (found) return found;
  for (TSkinData* c : components_)
    if (c->SkinFormtype == TSkinFormType::sfMainform) found = c;
  if (found) return found;
  return components_.empty() ? nullptr : components_.front();
}

TSkinData* TSkinManage::PopupComponent(const TWindowFacts& facts) const {
  if (!enabled_ || facts.answersSkinned) return nullptr;
  TSkinData* c = ChooseComponent(facts);
  if (!c || c->Empty() || !c->SkinControls.Has(xcMainMenu)) return nullptr;
  return c;
}

bool TSkinManage::AddForm(TWindowId window) {
  if (!enabled_ || !window || FindForm(window)) return false;
  const TWindowFacts facts = host_.Facts(window);
  if (facts.answersSkinned) return false;
  if (!attachingAll_ && facts.child && !facts.parentIsMdiClient) return false;
  if (!facts.hasArea || (facts.form && facts.tag == 99)) return false;
  if (facts.className == "TApplication") return false;
  bool doSkin = true;
  for (TSkinData* c : components_)
    if (c->SkinFormtype == TSkinFormType::sfMainform) {
      c->DoFormSkin(facts.className, doSkin);
      break;
    }
  if (!doSkin) return false;
  TSkinData* component = ChooseComponent(facts);
  if (!component || component->Empty()) return false;
  std::unique_ptr<TSkinnedWindow> form = host_.AttachWindow(window, *component);
  if (!form) return false;
  forms_.push_back(std::move(form));
  return true;
}

void TSkinManage::SetAction(int action, int interval, TSkinData* component) {
  if (action == saPurge) {
    if (component && std::find(purgeFor_.begin(), purgeFor_.end(), component) == purgeFor_.end())
      purgeFor_.push_back(component);
  } else {
    action_ = action;
    actionFor_ = component;
  }
  if (started_ != 0) {
    host_.StartActionTimer(interval);
  } else {
    if (action == saAttachAll) enabled_ = true;
    if (action == saDetachAll) enabled_ = false;
  }
}

void TSkinManage::DoAction() {
  host_.StopActionTimer();
  const int action = action_;
  TSkinData* component = actionFor_;
  std::vector<TSkinData*> purged;
  purged.swap(purgeFor_);
  action_ = saNone;
  actionFor_ = nullptr;
  if (component) {
    switch (action) {
      case saAttachAll: AttachAll(*component); break;
      case saDetachAll: DetachAll(*component); break;
      case saSkinChanged: SkinChanged(*component); break;
      default: break;
    }
  }
  if (!purged.empty()) Purge();
  // Each component concerned hears once, after everything was carried out.
  if (component) component->DoSkinChanged();
  for (TSkinData* c : purged)
    if (c != component && std::find(components_.begin(), components_.end(), c) != components_.end())
      c->DoSkinChanged();
}

void TSkinManage::AttachAll(TSkinData& component) {
  if (component.SkinFormtype == TSkinFormType::sfOnlyThisForm) {
    const std::vector<TWindowId> forms = host_.ApplicationForms();
    for (size_t i = forms.size(); i-- > 0;)
      if (forms[i] == component.OwnerForm) {
        AddForm(forms[i]);
        break;
      }
    return;
  }
  enabled_ = true;
  attachingAll_ = true;
  const std::vector<TWindowId> forms = host_.ApplicationForms();
  for (size_t i = forms.size(); i-- > 0;) AddForm(forms[i]);
  attachingAll_ = false;
}

void TSkinManage::DetachAll(TSkinData& component) {
  if (component.SkinFormtype == TSkinFormType::sfOnlyThisForm) {
    for (size_t i = forms_.size(); i-- > 0;)
      if (&forms_[i]->Component() == &component) {
        Free(i, true);
        break;
      }
    return;
  }
  enabled_ = false;
  for (size_t i = forms_.size(); i-- > 0;) Free(i, !forms_[i]->Destroyed());
}

void TSkinManage::SkinChanged(TSkinData& component) {
  const bool onlyFirst = component.SkinFormtype == TSkinFormType::sfOnlyThisForm;
  std::vector<TSkinnedWindow*> users;
  for (auto& form : forms_)
    if (&form->Component() == &component && !form->Destroyed()) {
      users.push_back(form.get());
      if (onlyFirst) break;
    }
  for (TSkinnedWindow* f : users) f->TakeUpSkin();
  for (TSkinnedWindow* f : users) f->ApplySkinColors();
}

void TSkinManage::Purge() {
  for (size_t i = forms_.size(); i-- > 0;)
    if (forms_[i]->Destroyed()) Free(i, false);
}

void TSkinManage::Free(size_t index, bool unskin) {
  std::unique_ptr<TSkinnedWindow> form = std::move(forms_[index]);
  forms_.erase(forms_.begin() + static_cast<std::ptrdiff_t>(index));
  if (unskin) form->Unskin();
}

}  // namespace skin
