// The object model: TObject, TPersistent, TComponent, and the class registry with its tables of
// published properties (our stand-in for run-time type information, used by the component streams).
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <typeinfo>
#include <string>
#include <vector>

#include "platform/rtl/exceptions.h"

QN_DECLARE_EXCEPTION(EComponentError, Exception);
QN_DECLARE_EXCEPTION(EClassNotFound, EFilerError);
QN_DECLARE_EXCEPTION(EInvalidCast, Exception);

class TObject;
class TPersistent;
class TComponent;
class TFiler;

using TNotifyEvent = std::function<void(TObject* Sender)>;

// Horizontal alignment of a text (labels, grid cells, list columns, header sections).
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// Base of every class-library object.  ClassName is the C++ class name (without namespaces), so a
// class registered for streaming needs no extra declaration; a class may override it.
class TObject {
public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  virtual std::string ClassName() const;
};

// The C++ class name of a type, as TObject::ClassName gives it.
std::string ClassNameOf(const std::type_info& type);

// An object that can copy itself from another (Assign) and that the component streams can write.
class TPersistent : public TObject {
public:
  // Copies Source into this object.  The default hands over to Source->AssignTo, whose default
  // raises EConvertError "Cannot assign a <Source class> to a <this class>".
  virtual void Assign(const TPersistent* Source);

  // Binary and custom properties that the published-property table cannot describe.
  virtual void DefineProperties(TFiler& Filer);

  // The owner used to build a display name for nested objects; nullptr by default.
  virtual TPersistent* GetOwner() const { return nullptr; }

protected:
  virtual void AssignTo(TPersistent* Dest) const;
  [[noreturn]] void AssignError(const TPersistent* Source) const;
};

enum TOperation { opInsert, opRemove };

using TComponentState = unsigned;
enum : TComponentState {
  csLoading = 1u << 0,
  csReading = 1u << 1,
  csWriting = 1u << 2,
  csDestroying = 1u << 3,
  csDesigning = 1u << 4,  // never set in this system
  csAncestor = 1u << 5,
  csUpdating = 1u << 6,
  csFixups = 1u << 7,
};

// A named, owned object.  The owner frees what it owns, last first, when it is destroyed; a
// component that is freed leaves its owner's list first.  Every insertion and removal is told to
// the owner (and from there to all its components) through Notification, and a freed component
// tells every component that asked for it with FreeNotification.
//
// Create owned components with `new TSomething(owner)`: the owner takes them.  A class whose
// owned components use its own members while they are destroyed calls DestroyComponents() in its
// destructor, because the base destructor runs after the derived members are gone.
class TComponent : public TPersistent {
public:
  explicit TComponent(TComponent* AOwner = nullptr);
  ~TComponent() override;

  TComponent* Owner() const { return FOwner; }
  const std::string& Name() const { return FName; }
  // Renames the component.  A name must be empty or an identifier (letters, digits, "_", not
  // starting with a digit) and unique among the owner's components (compared without case):
  // EComponentError otherwise.
  virtual void SetName(const std::string& NewName);
  std::intptr_t Tag() const { return FTag; }
  void SetTag(std::intptr_t Value) { FTag = Value; }

  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  // Raises EListError "List index out of bounds (n)" for a bad index.
  TComponent* Components(int Index) const;
  int ComponentIndex() const;
  // Finds an owned component by name without case; nullptr when there is none.
  TComponent* FindComponent(const std::string& AName) const;

  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);
  // Frees every owned component, last first.
  void DestroyComponents();
  // Marks this component and its owned components csDestroying.
  void Destroying();

  // Asks to be told (Notification opRemove) when AComponent is freed; both sides forget each other
  // when either is freed.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  TComponentState ComponentState() const { return FComponentState; }
  bool HasState(TComponentState State) const { return (FComponentState & State) != 0; }
  void SetState(TComponentState State) { FComponentState |= State; }
  void ClearState(TComponentState State) { FComponentState &= ~State; }

  // Called once the component has been read from a stream or set up in full; clears csLoading.
  virtual void Loaded();

  // The components a stream writes as children of this one when it is the root; the default
  // gives none.
  virtual void GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root);
  // The component that a streamed child gets as its owner; the default is this component.
  virtual TComponent* GetChildOwner() { return this; }

  TPersistent* GetOwner() const override { return FOwner; }

protected:
  // Told of every component inserted into or removed from the owner, and of every freed component
  // that this one asked about.  The default forgets a removed free-notification subscriber and
  // passes the notice on to every owned component.  Overrides call the base.
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  virtual void ValidateRename(TComponent* AComponent, const std::string& CurName,
                              const std::string& NewName);

private:
  void Insert(TComponent* AComponent);
  void Remove(TComponent* AComponent);

  TComponent* FOwner = nullptr;
  std::string FName;
  std::intptr_t FTag = 0;
  TComponentState FComponentState = 0;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
};

// Calls BeginUpdate now and EndUpdate when the scope ends, also when it ends by an exception
// (then an exception from EndUpdate itself is dropped, so the first one reaches the caller).
template <class T>
class TUpdateScope {
public:
  explicit TUpdateScope(T& Target) : FTarget(Target), FExceptions(std::uncaught_exceptions()) {
    FTarget.BeginUpdate();
  }
  ~TUpdateScope() noexcept(false) {
    if (std::uncaught_exceptions() > FExceptions) {
      try {
        FTarget.EndUpdate();
      } catch (...) {
      }
    } else {
      FTarget.EndUpdate();
    }
  }
  TUpdateScope(const TUpdateScope&) = delete;
  TUpdateScope& operator=(const TUpdateScope&) = delete;

private:
  T& FTarget;
  int FExceptions;
};

// ---- class registry and published properties ----

enum TTypeKind {
  tkInteger,
  tkInt64,
  tkChar,
  tkEnumeration,  // ordinal value, written as the identifier EnumNames[value]
  tkBool,         // written as False / True
  tkFloat,
  tkString,
  tkSet,    // bit mask over EnumNames, written as a set of identifiers
  tkClass,  // an owned sub-object (TPersistent, TStrings, TCollection): written as nested
            // properties "Name.Sub"
};

// One published property.  Ordinal kinds use GetOrd/SetOrd, tkFloat GetFloat/SetFloat, tkString
// and tkChar GetStr/SetStr, tkClass GetObject.  Build entries with the helpers below.
struct TPropInfo {
  std::string Name;
  TTypeKind Kind = tkInteger;
  std::function<std::int64_t(TPersistent&)> GetOrd;
  std::function<void(TPersistent&, std::int64_t)> SetOrd;
  std::function<double(TPersistent&)> GetFloat;
  std::function<void(TPersistent&, double)> SetFloat;
  std::function<std::string(TPersistent&)> GetStr;
  std::function<void(TPersistent&, const std::string&)> SetStr;
  std::function<TPersistent*(TPersistent&)> GetObject;
  std::vector<std::string> EnumNames;
  // An ordinal property equal to its default is not written.
  std::optional<std::int64_t> Default;
  // When assigned and false, the property is not written.
  std::function<bool(TPersistent&)> Stored;
};

// A registered class: its name, its parent's name (whose properties come first), a factory
// (components get their owner; plain persistents may leave it empty) and its own properties.
struct TClassInfo {
  std::string ClassName;
  std::string ParentName;
  std::function<TPersistent*(TComponent* Owner)> Create;
  std::vector<TPropInfo> Properties;
};

// Registers (or replaces) a class.  "TPersistent" and "TComponent" (Tag) are always there.
void RegisterClass(TClassInfo Info);
void UnRegisterClass(const std::string& ClassName);
// nullptr when the class is not registered.
const TClassInfo* GetClass(const std::string& ClassName);
// Raises EClassNotFound "Class <name> not found" when the class is not registered.
const TClassInfo& FindClass(const std::string& ClassName);
// Every published property of a class, its ancestors' first; empty for an unknown class.
std::vector<const TPropInfo*> GetPropList(const std::string& ClassName);
// A property of a class or its ancestors, found without case; nullptr when there is none.
const TPropInfo* GetPropInfo(const std::string& ClassName, const std::string& PropName);

// Registers class T with a factory that calls T(Owner) (components) or T() (other persistents).
template <class T>
void RegisterPersistentClass(std::string Name, std::string ParentName,
                             std::vector<TPropInfo> Properties = {}) {
  TClassInfo info;
  info.ClassName = std::move(Name);
  info.ParentName = std::move(ParentName);
  if constexpr (std::is_constructible_v<T, TComponent*>) {
    info.Create = [](TComponent* owner) -> TPersistent* { return new T(owner); };
  } else if constexpr (std::is_default_constructible_v<T>) {
    info.Create = [](TComponent*) -> TPersistent* { return new T(); };
  }
  info.Properties = std::move(Properties);
  RegisterClass(std::move(info));
}

namespace qn_props {
template <class C>
C& As(TPersistent& p) {
  auto* c = dynamic_cast<C*>(&p);
  if (!c) throw EInvalidCast("Invalid class typecast");
  return *c;
}
}  // namespace qn_props

// Property helpers: Get is a member function or callable taking C&, Set a member function or
// callable taking (C&, value).
template <class C, class G, class S>
TPropInfo IntProperty(std::string Name, G Get, S Set,
                      std::optional<std::int64_t> Default = std::int64_t{0}) {
  TPropInfo p;
  p.Name = std::move(Name);
  p.Kind = tkInteger;
  p.GetOrd = [Get](TPersistent& o) {
    return static_cast<std::int64_t>(std::invoke(Get, qn_props::As<C>(o)));
  };
  p.SetOrd = [Set](TPersistent& o, std::int64_t v) {
    using Arg = decltype(std::invoke(Get, std::declval<C&>()));
    std::invoke(Set, qn_props::As<C>(o), static_cast<std::decay_t<Arg>>(v));
  };
  p.Default = Default;
  return p;
}

template <class C, class G, class S>
TPropInfo BoolProperty(std::string Name, G Get, S Set, std::optional<bool> Default = false) {
  TPropInfo p;
  p.Name = std::move(Name);
  p.Kind = tkBool;
  p.GetOrd = [Get](TPersistent& o) {
    return static_cast<std::int64_t>(std::invoke(Get, qn_props::As<C>(o)) ? 1 : 0);
  };
  p.SetOrd = [Set](TPersistent& o, std::int64_t v) { std::invoke(Set, qn_props::As<C>(o), v != 0); };
  if (Default) p.Default = *Default ? 1 : 0;
  return p;
}

template <class C, class G, class S>
TPropInfo EnumProperty(std::string Name, std::vector<std::string> EnumNames, G Get, S Set,
                       std::optional<std::int64_t> Default = std::int64_t{0}) {
  TPropInfo p;
  p.Name = std::move(Name);
  p.Kind = tkEnumeration;
  p.EnumNames = std::move(EnumNames);
  p.GetOrd = [Get](TPersistent& o) {
    return static_cast<std::int64_t>(std::invoke(Get, qn_props::As<C>(o)));
  };
  p.SetOrd = [Set](TPersistent& o, std::int64_t v) {
    using Arg = decltype(std::invoke(Get, std::declval<C&>()));
    std::invoke(Set, qn_props::As<C>(o), static_cast<std::decay_t<Arg>>(v));
  };
  p.Default = Default;
  return p;
}

// A set: bit i of the value stands for EnumNames[i].
template <class C, class G, class S>
TPropInfo SetProperty(std::string Name, std::vector<std::string> EnumNames, G Get, S Set,
                      std::optional<std::int64_t> Default = std::int64_t{0}) {
  TPropInfo p = EnumProperty<C>(std::move(Name), std::move(EnumNames), Get, Set, Default);
  p.Kind = tkSet;
  return p;
}

template <class C, class G, class S>
TPropInfo FloatProperty(std::string Name, G Get, S Set) {
  TPropInfo p;
  p.Name = std::move(Name);
  p.Kind = tkFloat;
  p.GetFloat = [Get](TPersistent& o) { return static_cast<double>(std::invoke(Get, qn_props::As<C>(o))); };
  p.SetFloat = [Set](TPersistent& o, double v) { std::invoke(Set, qn_props::As<C>(o), v); };
  return p;
}

template <class C, class G, class S>
TPropInfo StringProperty(std::string Name, G Get, S Set) {
  TPropInfo p;
  p.Name = std::move(Name);
  p.Kind = tkString;
  p.GetStr = [Get](TPersistent& o) { return std::string(std::invoke(Get, qn_props::As<C>(o))); };
  p.SetStr = [Set](TPersistent& o, const std::string& v) { std::invoke(Set, qn_props::As<C>(o), v); };
  return p;
}

// An owned sub-object, written as nested properties.  Get returns a pointer to a TPersistent.
template <class C, class G>
TPropInfo ObjectProperty(std::string Name, G Get) {
  TPropInfo p;
  p.Name = std::move(Name);
  p.Kind = tkClass;
  p.GetObject = [Get](TPersistent& o) -> TPersistent* {
    return std::invoke(Get, qn_props::As<C>(o));
  };
  return p;
}
