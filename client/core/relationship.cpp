#include "client/core/relationship.h"

#include <algorithm>
#include <array>

#include "client/core/record_window.h"

namespace {

bool Has(const std::string& Line, const char* Part) { return Line.find(Part) != std::string::npos; }

class TBuilder {
public:
  TBuilder(const TRelateData& D, int Width, int Height, const std::function<int(int)>& Random)
      : FD(D), FWidth(Width), FRandom(Random) {
    FModel.Height = Height;
  }
  TDiagramModel Model() { return std::move(FModel); }

  void AddEntity(int r, int Level) {
    const int L = std::clamp(Level, 0, 100);
    TDiagramBox B;
    B.Caption = FD.Names[r];
    B.Name = FD.Codes[r];
    B.Top = Level * 70 - Draw(50);
    if (FLeft[L]) {
      B.Left = Draw(50) + FWidth / 2 - FOffset[L];
      FLeft[L] = false;
    } else {
      B.Left = Draw(50) + FWidth / 2 + FOffset[L];
      FLeft[L] = true;
    }
    FOffset[L] += 125;
    if (B.Top + 50 > FModel.Height) FModel.Height = B.Top + 50;
    FModel.Boxes.push_back(B);
  }

  void AddChildren(int r, int d, int Level) {
    if (d <= 0 || r < 0 || FD.RelationCount == 0) return;
    for (int k = 0; k < FD.RelationCount; ++k) {
      const auto& List = FD.Relations[k];
      for (std::size_t j = 0; j < List.size() && j < FD.Codes.size(); ++j) {
        if (List[j] != FD.Codes[r]) continue;
        const int J = static_cast<int>(j);
        if (!FModel.Box(FD.Codes[j])) AddEntity(J, Level);
        AddChildren(J, d - 1, Level + 1);
        AddParents(J, d - 1, Level - 1);
        FModel.Links.push_back({FD.Codes[r], FD.Codes[j]});
      }
    }
  }

  void AddParents(int r, int d, int Level) {
    if (d <= 0 || r < 0 || FD.RelationCount == 0) return;
    for (int k = 0; k < FD.RelationCount; ++k) {
      const auto& List = FD.Relations[k];
      if (r >= static_cast<int>(List.size())) continue;
      const int p = FD.Find(List[r]);
      if (p < 0) continue;
      if (!FModel.Box(FD.Codes[p])) AddEntity(p, Level);
      AddParents(p, d - 1, Level - 1);
      AddChildren(p, d - 1, Level + 1);
      FModel.Links.push_back({FD.Codes[r], FD.Codes[p]});
    }
  }

private:
  int Draw(int n) { return FRandom ? FRandom(n) : 0; }
  const TRelateData& FD;
  int FWidth;
  const std::function<int(int)>& FRandom;
  TDiagramModel FModel;
  std::array<int, 101> FOffset{};
  std::array<bool, 101> FLeft = [] {
    std::array<bool, 101> A;
    A.fill(true);
    return A;
  }();
};

}  // namespace

int TRelateData::Find(const std::string& Code) const {
  for (std::size_t i = 0; i < Codes.size(); ++i)
    if (Codes[i] == Code) return static_cast<int>(i);
  return -1;
}

const TDiagramBox* TDiagramModel::Box(const std::string& Name) const {
  for (const auto& B : Boxes)
    if (B.Name == Name) return &B;
  return nullptr;
}

std::string RelationCode(const std::string& Value) {
  const auto At = Value.find(':');
  if (At == std::string::npos) return Value;
  return At + 2 <= Value.size() ? Value.substr(At + 2) : std::string();
}

TRelateData ParseRelateReply(const std::vector<std::string>& Lines) {
  TRelateData D;
  const int Count = static_cast<int>(Lines.size());
  int i = 2;
  while (i < Count - 1 && !Has(Lines[i], "*** Relate List End ***")) {
    D.Codes.push_back(Lines[i]);
    D.Names.push_back(i + 1 < Count ? Lines[i + 1] : std::string());
    int j = i + 3, k = 0;
    while (j < Count - 1 && !Has(Lines[j], "*** Finish ***")) {
      if (k < 10) {
        auto& List = D.Relations[k];
        // Records without a k-th value leave an empty entry in list k.
        List.resize(D.Codes.size() - 1);
        List.push_back(RelationCode(Lines[j]));
      }
      ++k;
      ++j;
    }
    if (k > 0) D.RelationCount = std::min(k, 10);
    i = j + 1;
  }
  for (auto& List : D.Relations) List.resize(D.Codes.size());
  return D;
}

TDiagramModel GenerateDiagram(const TRelateData& Data, const std::string& Code, int Depth, int Width,
                              int Height, const std::function<int(int)>& Random) {
  TBuilder B(Data, Width, Height, Random);
  const int r = Data.Find(Code);
  // A centre the list does not hold gives an empty diagram.
  if (r >= 0) {
    B.AddEntity(r, 5);
    B.AddParents(r, Depth, 4);
    B.AddChildren(r, Depth, 6);
  }
  return B.Model();
}

void RelationshipDiagram(TRecordWindow& W, const std::function<std::string(const TRelateData&)>& ShowWindow) {
  if (!W.SaveRecord(W.Buffers.Current, true)) return;
  TServerSession& S = W.Session();
  S.InitializeRequest();
  S.SetParameter("Function", "RelateRecords", true);
  std::vector<std::string> Lines;
  if (!S.GetServerPath() || !S.CheckResult("SendRecordList", &Lines)) return;
  std::string Joined;
  for (const auto& L : Lines) Joined += L + "\r\n";
  S.WriteDiagnostic("relate.txt", Joined);
  const TRelateData Data = ParseRelateReply(Lines);
  W.BeginModal();
  const std::string Code = ShowWindow ? ShowWindow(Data) : W.Number();
  W.EndModal();
  if (!Code.empty()) W.GetRecord("G" + Code);
}
