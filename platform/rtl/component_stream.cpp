#include "platform/rtl/component_stream.h"

#include <algorithm>
#include <limits>
#include <memory>

#include "platform/rtl/ascii_text.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/string_list.h"

namespace {

// Restores a string when leaving a scope (the writer's property path prefix).
struct PathScope {
  std::string& Ref;
  std::string Saved;
  PathScope(std::string& ref, std::string value) : Ref(ref), Saved(ref) { Ref = std::move(value); }
  ~PathScope() { Ref = Saved; }
};

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    std::size_t dot = path.find('.', start);
    parts.push_back(path.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  return parts;
}

}  // namespace

// ---- writing ----

void TWriter::WritePropName(const std::string& PropName) { WriteStr(FPropPath + PropName); }

void TWriter::WriteRootComponent(TComponent* Root) {
  SetRoot(Root);
  WriteSignature();
  WriteComponent(Root);
}

void TWriter::WriteComponent(TComponent* Component) {
  const bool wasWriting = Component->HasState(csWriting);
  Component->SetState(csWriting);
  try {
    PathScope path(FPropPath, "");
    WriteStr(Component->ClassName());
    WriteStr(Component->Name());
    WriteProperties(Component);
    WriteListEnd();
    Component->GetChildren([this](TComponent* child) { WriteComponent(child); },
                           Root() ? Root() : Component);
    WriteListEnd();
  } catch (...) {
    if (!wasWriting) Component->ClearState(csWriting);
    throw;
  }
  if (!wasWriting) Component->ClearState(csWriting);
}

void TWriter::WriteProperties(TPersistent* Instance) {
  for (const TPropInfo* prop : GetPropList(Instance->ClassName())) WriteProperty(Instance, *prop);
  Instance->DefineProperties(*this);
}

void TWriter::WriteProperty(TPersistent* Instance, const TPropInfo& Prop) {
  if (Prop.Stored && !Prop.Stored(*Instance)) return;
  switch (Prop.Kind) {
    case tkInteger:
    case tkInt64:
    case tkEnumeration:
    case tkBool:
    case tkSet: {
      if (!Prop.GetOrd) return;
      std::int64_t v = Prop.GetOrd(*Instance);
      if (Prop.Default && *Prop.Default == v) return;
      WritePropName(Prop.Name);
      if (Prop.Kind == tkBool) {
        WriteBoolean(v != 0);
      } else if (Prop.Kind == tkEnumeration) {
        if (v >= 0 && static_cast<std::size_t>(v) < Prop.EnumNames.size())
          WriteIdent(Prop.EnumNames[static_cast<std::size_t>(v)]);
        else
          WriteInteger(v);
      } else if (Prop.Kind == tkSet) {
        std::vector<std::string> names;
        for (std::size_t i = 0; i < Prop.EnumNames.size() && i < 64; ++i)
          if (v & (std::int64_t{1} << i)) names.push_back(Prop.EnumNames[i]);
        WriteSet(names);
      } else {
        WriteInteger(v);
      }
      break;
    }
    case tkChar:
    case tkString: {
      if (!Prop.GetStr) return;
      std::string s = Prop.GetStr(*Instance);
      if (s.empty()) return;
      WritePropName(Prop.Name);
      if (Prop.Kind == tkChar)
        WriteChar(s[0]);
      else
        WriteString(s);
      break;
    }
    case tkFloat: {
      if (!Prop.GetFloat) return;
      double v = Prop.GetFloat(*Instance);
      if (v == 0.0) return;
      WritePropName(Prop.Name);
      WriteFloat(v);
      break;
    }
    case tkClass: {
      if (!Prop.GetObject) return;
      TPersistent* object = Prop.GetObject(*Instance);
      if (!object || dynamic_cast<TComponent*>(object)) return;  // references are not written
      if (auto* collection = dynamic_cast<TCollection*>(object)) {
        if (collection->Count() == 0) return;
        WritePropName(Prop.Name);
        WriteCollection(collection);
        return;
      }
      PathScope path(FPropPath, FPropPath + Prop.Name + ".");
      WriteProperties(object);
      break;
    }
  }
}

void TWriter::WriteCollection(TCollection* Value) {
  WriteValue(vaCollection);
  if (Value) {
    PathScope path(FPropPath, "");
    for (int i = 0; i < Value->Count(); ++i) {
      WriteListBegin();
      WriteProperties(Value->Items(i));
      WriteListEnd();
    }
  }
  WriteListEnd();
}

void TWriter::DefineProperty(const std::string& Name, const TReaderProc&,
                             const TWriterProc& WriteData, bool HasData) {
  if (!HasData || !WriteData) return;
  WritePropName(Name);
  WriteData(*this);
}

void TWriter::DefineBinaryProperty(const std::string& Name, const TStreamProc&,
                                   const TStreamProc& WriteData, bool HasData) {
  if (!HasData || !WriteData) return;
  TMemoryStream data;
  WriteData(data);
  if (data.Size() > static_cast<std::int64_t>(std::numeric_limits<std::uint32_t>::max()))
    throw EWriteError();
  WritePropName(Name);
  WriteBinary(data.Memory(), static_cast<std::uint32_t>(data.Size()));
}

// ---- reading ----

void TReader::ReadPrefix() {
  // An optional flags byte 0xF0 | flags; flag 2 is followed by the child position.
  TValueType next = NextValue();
  if ((static_cast<std::uint8_t>(next) & 0xF0) == 0xF0) {
    std::uint8_t flags = static_cast<std::uint8_t>(ReadValue()) & 0x0F;
    if (flags & 2) ReadInteger();
  }
}

TComponent* TReader::ReadRootComponent(TComponent* Root) {
  ReadSignature();
  ReadPrefix();
  const std::string className = ReadStr();
  const std::string name = ReadStr();
  std::unique_ptr<TComponent> created;
  if (!Root) {
    const TClassInfo& info = FindClass(className);
    if (!info.Create) throw EClassNotFound("Class " + className + " not found");
    std::unique_ptr<TPersistent> object(info.Create(nullptr));
    auto* component = dynamic_cast<TComponent*>(object.get());
    if (!component) throw EReadError("Invalid stream format");
    object.release();
    created.reset(component);
    created->SetName(name);
    Root = component;
  }
  SetRoot(Root);
  FLoaded.clear();
  try {
    ReadComponentBody(Root);
  } catch (...) {
    for (TComponent* c : FLoaded) c->ClearState(csLoading | csReading);
    FLoaded.clear();
    throw;  // a root created here goes with `created`
  }
  std::vector<TComponent*> loaded;
  loaded.swap(FLoaded);
  for (TComponent* c : loaded) c->ClearState(csReading);
  for (TComponent* c : loaded) c->Loaded();
  return created ? created.release() : Root;
}

TComponent* TReader::ReadComponent(TComponent* Component) {
  ReadPrefix();
  const std::string className = ReadStr();
  const std::string name = ReadStr();
  TComponent* owner = Root() ? Root()->GetChildOwner() : nullptr;
  std::unique_ptr<TComponent> created;
  if (!Component && owner) Component = owner->FindComponent(name);
  if (!Component) {
    const TClassInfo& info = FindClass(className);
    if (!info.Create) throw EClassNotFound("Class " + className + " not found");
    std::unique_ptr<TPersistent> object(info.Create(owner));
    auto* component = dynamic_cast<TComponent*>(object.get());
    if (!component) throw EReadError("Invalid stream format");
    object.release();
    created.reset(component);
    created->SetName(name);
    Component = component;
  }
  ReadComponentBody(Component);
  created.release();  // its owner has it now (or the caller, when there is no owner)
  return Component;
}

void TReader::ReadComponentBody(TComponent* Component) {
  static thread_local int depth = 0;
  if (depth >= 64) throw EReadError();
  ++depth;
  try {
    Component->SetState(csLoading | csReading);
    FLoaded.push_back(Component);
    while (!EndOfList()) ReadProperty(Component);
    ReadListEnd();
    while (!EndOfList()) ReadComponent(nullptr);
    ReadListEnd();
  } catch (...) {
    // A component created for this stream and then failed is freed by ReadComponent; forget it.
    FLoaded.erase(std::remove(FLoaded.begin(), FLoaded.end(), Component), FLoaded.end());
    Component->ClearState(csLoading | csReading);
    --depth;
    throw;
  }
  --depth;
}

void TReader::ReadProperty(TPersistent* Instance) {
  const std::string path = ReadStr();
  std::vector<std::string> parts = SplitPath(path);
  TPersistent* object = Instance;
  for (std::size_t i = 0; i + 1 < parts.size() && object; ++i) {
    const TPropInfo* prop = GetPropInfo(object->ClassName(), parts[i]);
    object = (prop && prop->Kind == tkClass && prop->GetObject) ? prop->GetObject(*object) : nullptr;
  }
  if (!object) {
    SkipValue();
    return;
  }
  const std::string& last = parts.back();
  const TPropInfo* prop = GetPropInfo(object->ClassName(), last);
  if (prop) {
    ReadPropValue(object, *prop);
    return;
  }
  const std::string savedName = FPropName;
  const bool savedHandled = FPropHandled;
  FPropName = last;
  FPropHandled = false;
  try {
    object->DefineProperties(*this);
    if (!FPropHandled) SkipValue();  // an unknown property
  } catch (...) {
    FPropName = savedName;
    FPropHandled = savedHandled;
    throw;
  }
  FPropName = savedName;
  FPropHandled = savedHandled;
}

void TReader::ReadPropValue(TPersistent* Instance, const TPropInfo& Prop) {
  auto enumIndex = [&](const std::string& ident) -> std::int64_t {
    for (std::size_t i = 0; i < Prop.EnumNames.size(); ++i)
      if (qn_ascii::SameText(Prop.EnumNames[i], ident)) return static_cast<std::int64_t>(i);
    PropValueError();
  };
  switch (Prop.Kind) {
    case tkInteger:
    case tkInt64: {
      std::int64_t v = ReadInt64();
      if (Prop.SetOrd) Prop.SetOrd(*Instance, v);
      break;
    }
    case tkBool: {
      TValueType t = NextValue();
      bool v;
      if (t == vaTrue || t == vaFalse)
        v = ReadBoolean();
      else if (t == vaIdent)
        v = qn_ascii::SameText(ReadIdent(), "True");
      else
        v = ReadInt64() != 0;
      if (Prop.SetOrd) Prop.SetOrd(*Instance, v ? 1 : 0);
      break;
    }
    case tkEnumeration: {
      TValueType t = NextValue();
      std::int64_t v;
      if (IsIntegerValue(t)) {
        v = ReadInt64();
        if (v < 0 || static_cast<std::size_t>(v) >= Prop.EnumNames.size()) PropValueError();
      } else {
        v = enumIndex(ReadIdent());
      }
      if (Prop.SetOrd) Prop.SetOrd(*Instance, v);
      break;
    }
    case tkSet: {
      std::int64_t mask = 0;
      for (const std::string& ident : ReadSet()) {
        std::int64_t bit = enumIndex(ident);
        if (bit < 64) mask |= std::int64_t{1} << bit;
      }
      if (Prop.SetOrd) Prop.SetOrd(*Instance, mask);
      break;
    }
    case tkChar: {
      std::string s;
      if (IsIntegerValue(NextValue()))
        s = std::string(1, static_cast<char>(ReadInt64()));
      else
        s = ReadString();
      if (Prop.SetStr) Prop.SetStr(*Instance, s);
      break;
    }
    case tkFloat: {
      double v = ReadFloat();
      if (Prop.SetFloat) Prop.SetFloat(*Instance, v);
      break;
    }
    case tkString: {
      std::string s = ReadString();
      if (Prop.SetStr) Prop.SetStr(*Instance, s);
      break;
    }
    case tkClass: {
      TPersistent* object = Prop.GetObject ? Prop.GetObject(*Instance) : nullptr;
      auto* collection = dynamic_cast<TCollection*>(object);
      if (collection && NextValue() == vaCollection)
        ReadCollection(collection);
      else
        SkipValue();  // a component reference or a value we cannot place
      break;
    }
  }
}

void TReader::ReadCollection(TCollection* Collection) {
  if (ReadValue() != vaCollection) PropValueError();
  TUpdateScope<TCollection> update(*Collection);
  Collection->Clear();
  while (!EndOfList()) {
    if (IsIntegerValue(NextValue())) ReadInteger();  // the item's index; items come in order
    ReadListBegin();
    TCollectionItem* item = Collection->Add();
    while (!EndOfList()) ReadProperty(item);
    ReadListEnd();
  }
  ReadListEnd();
}

void TReader::DefineProperty(const std::string& Name, const TReaderProc& ReadData,
                             const TWriterProc&, bool) {
  if (FPropHandled || !ReadData || !qn_ascii::SameText(Name, FPropName)) return;
  FPropHandled = true;
  ReadData(*this);
}

void TReader::DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData,
                                   const TStreamProc&, bool) {
  if (FPropHandled || !ReadData || !qn_ascii::SameText(Name, FPropName)) return;
  FPropHandled = true;
  std::string bytes = ReadBinary();
  TMemoryStream data;
  data.WriteString(bytes);
  data.SetPosition(0);
  ReadData(data);
}

// ---- stream entry points ----

void TStream::WriteComponent(TComponent* Instance) {
  TWriter writer(*this, 4096);
  writer.WriteRootComponent(Instance);
  writer.FlushBuffer();
}

TComponent* TStream::ReadComponent(TComponent* Instance) {
  TReader reader(*this, 4096);
  return reader.ReadRootComponent(Instance);
}

std::string ComponentToBytes(TComponent* Component) {
  TMemoryStream stream;
  stream.WriteComponent(Component);
  return stream.DataString();
}

TComponent* ComponentFromBytes(const std::string& Bytes, TComponent* Instance) {
  TMemoryStream stream;
  stream.WriteString(Bytes);
  stream.SetPosition(0);
  return stream.ReadComponent(Instance);
}
