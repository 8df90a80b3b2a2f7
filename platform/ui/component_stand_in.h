// Used only until the run-time library's object classes are in the tree: the least of
// TObject and TComponent that the controls need (the owner frees what it owns).
#pragma once

#include <algorithm>
#include <string>
#include <vector>

class TObject {
public:
  virtual ~TObject() = default;
};

class TComponent : public TObject {
public:
  explicit TComponent(TComponent* AOwner) : FOwner(AOwner) {
    if (FOwner) FOwner->FComponents.push_back(this);
  }
  ~TComponent() override {
    while (!FComponents.empty()) {
      TComponent* c = FComponents.back();
      FComponents.pop_back();
      c->FOwner = nullptr;
      delete c;
    }
    if (FOwner) {
      auto& v = FOwner->FComponents;
      v.erase(std::remove(v.begin(), v.end(), this), v.end());
    }
  }
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;
  TComponent* Owner() const { return FOwner; }
  const std::string& Name() const { return FName; }
  void SetName(const std::string& name) { FName = name; }

private:
  TComponent* FOwner = nullptr;
  std::vector<TComponent*> FComponents;
  std::string FName;
};
