#include "platform/rtl/components.h"

#include <algorithm>

#include "platform/rtl/exceptions.h"

namespace {

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }

// Component names are Pascal identifiers: a letter or underscore, then letters,
// digits or underscores.
bool IsValidIdent(const String& s) {
  if (s.empty() || !IsAsciiLetter(s[0])) return false;
  return std::all_of(s.begin() + 1, s.end(), [](char c) { return IsAsciiLetter(c) || (c >= '0' && c <= '9'); });
}

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool AsciiSameText(const String& a, const String& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiUpper(x) == AsciiUpper(y); });
}

void EraseOne(std::vector<TComponent*>& list, TComponent* item) {
  auto it = std::find(list.begin(), list.end(), item);
  if (it != list.end()) list.erase(it);
}

}  // namespace

// ---------------------------------------------------------------------------
// TPersistent

void TPersistent::Assign(TPersistent* Source) {
  if (Source == nullptr) AssignError(nullptr);
  Source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* Dest) {
  if (Dest == nullptr) throw EConvertError("Cannot assign a %s to a %s", {String(ClassName()), String("nil")});
  Dest->AssignError(this);
}

void TPersistent::AssignError(const TPersistent* Source) const {
  String sourceName = Source != nullptr ? Source->ClassName() : "nil";
  throw EConvertError("Cannot assign a %s to a %s", {sourceName, String(ClassName())});
}

void TPersistent::DefineProperties(TFiler*) {}

String TPersistent::GetNamePath() const {
  String result = ClassName();
  if (const TPersistent* owner = GetOwner()) {
    String path = owner->GetNamePath();
    if (!path.empty()) result = path + "." + result;
  }
  return result;
}

// ---------------------------------------------------------------------------
// TComponent

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner != nullptr) AOwner->InsertComponent(this);
}

TComponent::~TComponent() { NotifyRemoval(); }

void TComponent::NotifyRemoval() {
  Destroying();
  // Partners that asked to hear about this component (or that it asked about).
  while (!FFreeNotifies.empty()) {
    TComponent* partner = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    partner->RemoveNotification(this);
    partner->Notification(this, TOperation::opRemove);
  }
  DestroyComponents();
  if (FOwner != nullptr) FOwner->RemoveComponent(this);
}

TComponent* TComponent::Components(int32_t Index) const {
  if (Index < 0 || Index >= ComponentCount()) throw EListError("List index out of bounds (%d)", {Index});
  return FComponents[static_cast<size_t>(Index)];
}

int32_t TComponent::ComponentIndex() const {
  if (FOwner == nullptr) return -1;
  auto& list = FOwner->FComponents;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int32_t>(it - list.begin());
}

void TComponent::SetName(const String& NewName) {
  if (FName == NewName) return;
  if (!NewName.empty() && !IsValidIdent(NewName))
    throw EComponentError("''%s'' is not a valid component name", {NewName});
  if (FOwner != nullptr)
    FOwner->ValidateRename(this, FName, NewName);
  else
    ValidateRename(nullptr, FName, NewName);  // a root may not share a name with its own components
  FName = NewName;
}

void TComponent::ValidateRename(TComponent* AComponent, const String& CurName, const String& NewName) const {
  if (NewName.empty()) return;
  if (AComponent != nullptr && AsciiSameText(CurName, NewName)) return;  // only the letter case changes
  TComponent* existing = FindComponent(NewName);
  if (existing != nullptr && existing != AComponent)
    throw EComponentError("A component named %s already exists", {NewName});
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (AComponent == nullptr || AComponent->FOwner == this) return;
  // An ownership cycle would make destruction recurse without end.
  for (TComponent* c = this; c != nullptr; c = c->FOwner)
    if (c == AComponent) throw EComponentError("A component cannot own itself or its owner");
  ValidateRename(AComponent, String(), AComponent->FName);
  if (AComponent->FOwner != nullptr) AComponent->FOwner->RemoveComponent(AComponent);
  Insert(AComponent);
  Notification(AComponent, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  if (AComponent == nullptr || AComponent->FOwner != this) return;
  Notification(AComponent, TOperation::opRemove);
  Remove(AComponent);
}

void TComponent::Insert(TComponent* AComponent) {
  FComponents.push_back(AComponent);
  AComponent->FOwner = this;
}

void TComponent::Remove(TComponent* AComponent) {
  EraseOne(FComponents, AComponent);
  AComponent->FOwner = nullptr;
}

TComponent* TComponent::FindComponent(const String& AName) const {
  if (AName.empty()) return nullptr;
  for (TComponent* c : FComponents)
    if (AsciiSameText(c->FName, AName)) return c;
  return nullptr;
}

void TComponent::DestroyComponents() {
  // Each component leaves this list (with notification) in its destructor.
  while (!FComponents.empty()) {
    TComponent* last = FComponents.back();
    delete last;
  }
}

void TComponent::Destroying() {
  if (FComponentState.Contains(TComponentStateItem::csDestroying)) return;
  FComponentState.Include(TComponentStateItem::csDestroying);
  if (FLiveCell) FLiveCell->Instance = nullptr;
  for (TComponent* c : FComponents) c->Destroying();
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (AComponent == nullptr || AComponent == this) return;
  // Components of one owner hear about each other through the owner.
  if (FOwner == nullptr || AComponent->FOwner != FOwner) {
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end())
      FFreeNotifies.push_back(AComponent);
    auto& other = AComponent->FFreeNotifies;
    if (std::find(other.begin(), other.end(), this) == other.end()) other.push_back(this);
  }
  FComponentState.Include(TComponentStateItem::csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (AComponent == nullptr) return;
  RemoveNotification(AComponent);
  AComponent->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* AComponent) { EraseOne(FFreeNotifies, AComponent); }

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == TOperation::opRemove && AComponent != nullptr) RemoveFreeNotification(AComponent);
  // A handler may add or delete components: re-clamp the index after each call.
  int32_t i = ComponentCount() - 1;
  while (i >= 0) {
    FComponents[static_cast<size_t>(i)]->Notification(AComponent, Operation);
    --i;
    if (i >= ComponentCount()) i = ComponentCount() - 1;
  }
}

void TComponent::Loaded() { FComponentState.Exclude(TComponentStateItem::csLoading); }

void TComponent::GetChildren(std::function<void(TComponent*)>, TComponent*) {}

std::shared_ptr<TComponent::TLiveCell> TComponent::LiveCell() {
  if (!FLiveCell) {
    bool dying = FComponentState.Contains(TComponentStateItem::csDestroying);
    FLiveCell = std::make_shared<TLiveCell>(TLiveCell{dying ? nullptr : this});
  }
  return FLiveCell;
}
