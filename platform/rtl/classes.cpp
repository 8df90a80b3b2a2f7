#include "platform/rtl/classes.h"

#include "platform/rtl/ascii_text.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <mutex>
#include <typeindex>
#include <unordered_map>

namespace {

using qn_ascii::SameText;

bool IsValidIdent(const std::string& s) {
  if (s.empty()) return false;
  auto alpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
  if (!alpha(s[0])) return false;
  for (char c : s)
    if (!alpha(c) && !(c >= '0' && c <= '9')) return false;
  return true;
}

}  // namespace

// ---- TObject ----

std::string ClassNameOf(const std::type_info& type) {
  static std::mutex mutex;
  static std::unordered_map<std::type_index, std::string> cache;
  std::lock_guard<std::mutex> lock(mutex);
  auto it = cache.find(std::type_index(type));
  if (it != cache.end()) return it->second;
  int status = 0;
  char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
  std::string name = (status == 0 && demangled) ? demangled : type.name();
  std::free(demangled);
  // Drop namespaces ("ns::TFoo" -> "TFoo"), but not inside template arguments.
  std::size_t angle = name.find('<');
  std::size_t colon = name.rfind("::", angle == std::string::npos ? std::string::npos : angle);
  if (colon != std::string::npos) name = name.substr(colon + 2);
  cache.emplace(std::type_index(type), name);
  return name;
}

std::string TObject::ClassName() const { return ClassNameOf(typeid(*this)); }

// ---- TPersistent ----

void TPersistent::Assign(const TPersistent* Source) {
  if (Source) {
    Source->AssignTo(this);
    return;
  }
  AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* Dest) const { Dest->AssignError(this); }

void TPersistent::AssignError(const TPersistent* Source) const {
  std::string source = Source ? Source->ClassName() : "nil";
  throw EConvertError("Cannot assign a " + source + " to a " + ClassName());
}

void TPersistent::DefineProperties(TFiler&) {}

// ---- TComponent ----

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  // Tell every subscriber, and forget them on both sides.
  while (!FFreeNotifies.empty()) {
    TComponent* other = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    auto& theirs = other->FFreeNotifies;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
    other->Notification(this, opRemove);
  }
  DestroyComponents();
  if (FOwner) FOwner->RemoveComponent(this);
}

TComponent* TComponent::Components(int Index) const {
  if (Index < 0 || Index >= ComponentCount()) throw EListError::OutOfBounds(Index);
  return FComponents[static_cast<std::size_t>(Index)];
}

int TComponent::ComponentIndex() const {
  if (!FOwner) return -1;
  auto& list = FOwner->FComponents;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent* TComponent::FindComponent(const std::string& AName) const {
  if (AName.empty()) return nullptr;
  for (TComponent* c : FComponents)
    if (SameText(c->FName, AName)) return c;
  return nullptr;
}

void TComponent::SetName(const std::string& NewName) {
  if (FName == NewName) return;
  if (!NewName.empty() && !IsValidIdent(NewName))
    throw EComponentError("Component name \"" + NewName + "\" is not a valid component name");
  if (FOwner)
    FOwner->ValidateRename(this, FName, NewName);
  else
    ValidateRename(nullptr, FName, NewName);
  FName = NewName;
}

void TComponent::ValidateRename(TComponent* AComponent, const std::string& CurName,
                                const std::string& NewName) {
  if (!AComponent || NewName.empty() || SameText(CurName, NewName)) return;
  TComponent* other = FindComponent(NewName);
  if (other && other != AComponent)
    throw EComponentError("A component named " + NewName + " already exists");
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (!AComponent || AComponent->FOwner == this) return;
  if (AComponent->FOwner) AComponent->FOwner->RemoveComponent(AComponent);
  ValidateRename(AComponent, "", AComponent->FName);
  Insert(AComponent);
  Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  if (!AComponent || AComponent->FOwner != this) return;
  Notification(AComponent, opRemove);
  Remove(AComponent);
}

void TComponent::Insert(TComponent* AComponent) {
  FComponents.push_back(AComponent);
  AComponent->FOwner = this;
}

void TComponent::Remove(TComponent* AComponent) {
  auto it = std::find(FComponents.begin(), FComponents.end(), AComponent);
  if (it != FComponents.end()) FComponents.erase(it);
  AComponent->FOwner = nullptr;
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TComponent* c = FComponents.back();
    // Take it out first, so that its destructor does not look for us.
    Remove(c);
    delete c;
  }
}

void TComponent::Destroying() {
  if (HasState(csDestroying)) return;
  SetState(csDestroying);
  for (TComponent* c : FComponents) c->Destroying();
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end())
    FFreeNotifies.push_back(AComponent);
  auto& theirs = AComponent->FFreeNotifies;
  if (std::find(theirs.begin(), theirs.end(), this) == theirs.end()) theirs.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (!AComponent) return;
  FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent),
                      FFreeNotifies.end());
  auto& theirs = AComponent->FFreeNotifies;
  theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
  // A component may free siblings while being told; walk a copy and skip the ones gone.
  // One still at its place is still there (the list only shifts once one goes): a form that owns
  // hundreds of components is told of each new one without a search per sibling.
  const std::vector<TComponent*> list = FComponents;
  for (std::size_t i = 0; i < list.size(); ++i) {
    TComponent* c = list[i];
    if ((i < FComponents.size() && FComponents[i] == c) ||
        std::find(FComponents.begin(), FComponents.end(), c) != FComponents.end())
      c->Notification(AComponent, Operation);
  }
}

void TComponent::Loaded() { ClearState(csLoading); }

void TComponent::GetChildren(const std::function<void(TComponent*)>&, TComponent*) {}

// ---- class registry ----

namespace {

struct Registry {
  std::mutex Mutex;
  std::map<std::string, std::unique_ptr<TClassInfo>> Classes;  // by upper-case name

  Registry() {
    auto persistent = std::make_unique<TClassInfo>();
    persistent->ClassName = "TPersistent";
    Classes.emplace("TPERSISTENT", std::move(persistent));
    auto component = std::make_unique<TClassInfo>();
    component->ClassName = "TComponent";
    component->ParentName = "TPersistent";
    component->Create = [](TComponent* owner) -> TPersistent* { return new TComponent(owner); };
    component->Properties.push_back(
        IntProperty<TComponent>("Tag", &TComponent::Tag, &TComponent::SetTag));
    Classes.emplace("TCOMPONENT", std::move(component));
  }
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

void RegisterClass(TClassInfo Info) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.Mutex);
  std::string key = qn_ascii::UpperText(Info.ClassName);
  r.Classes[key] = std::make_unique<TClassInfo>(std::move(Info));
}

void UnRegisterClass(const std::string& ClassName) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.Mutex);
  r.Classes.erase(qn_ascii::UpperText(ClassName));
}

const TClassInfo* GetClass(const std::string& ClassName) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.Mutex);
  auto it = r.Classes.find(qn_ascii::UpperText(ClassName));
  return it == r.Classes.end() ? nullptr : it->second.get();
}

const TClassInfo& FindClass(const std::string& ClassName) {
  const TClassInfo* info = GetClass(ClassName);
  if (!info) throw EClassNotFound("Class " + ClassName + " not found");
  return *info;
}

std::vector<const TPropInfo*> GetPropList(const std::string& ClassName) {
  std::vector<const TClassInfo*> chain;
  for (const TClassInfo* info = GetClass(ClassName); info && chain.size() < 64;
       info = info->ParentName.empty() ? nullptr : GetClass(info->ParentName))
    chain.push_back(info);
  std::vector<const TPropInfo*> props;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    for (const TPropInfo& p : (*it)->Properties) {
      // A class may restate an ancestor's property; the descendant's entry wins.
      auto same = std::find_if(props.begin(), props.end(),
                               [&](const TPropInfo* q) { return SameText(q->Name, p.Name); });
      if (same != props.end())
        *same = &p;
      else
        props.push_back(&p);
    }
  return props;
}

const TPropInfo* GetPropInfo(const std::string& ClassName, const std::string& PropName) {
  for (const TPropInfo* p : GetPropList(ClassName))
    if (SameText(p->Name, PropName)) return p;
  return nullptr;
}
