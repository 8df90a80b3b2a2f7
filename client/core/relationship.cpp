#include "client/core/relationship.h"

#include <algorithm>
#include <array>
#include <map>

#include "client/core/record_window.h"

namespace {

bool Has(const std::string& Line, const char* Part) { return Line.find(Part) != std::string::npos; }

class TBuilder {
public:
  TBuilder(const TRelateData& D, const std::function<int(const std::string&)>& CaptionWidth)
      : FD(D), FCaptionWidth(CaptionWidth) {}

  // Lays the rows out: one row a level, the top row at the margin, each row's boxes side by side
  // and the rows centred on the widest one (or on Width when that is wider).
  TDiagramModel Model(int Width, int Height) {
    int Widest = 0;
    std::map<int, int> RowWidth;
    for (std::size_t i = 0; i < FModel.Boxes.size(); ++i) {
      int& W = RowWidth[FLevels[i]];
      W += (W ? kDiagramGap : 0) + FModel.Boxes[i].Width;
      Widest = std::max(Widest, W);
    }
    const int Across = std::max(Width, Widest + 2 * kDiagramMargin);
    const int TopLevel = RowWidth.empty() ? 0 : RowWidth.begin()->first;
    std::map<int, int> Next;
    for (const auto& [Level, W] : RowWidth) Next[Level] = (Across - W) / 2;
    int Bottom = 0;
    for (std::size_t i = 0; i < FModel.Boxes.size(); ++i) {
      TDiagramBox& B = FModel.Boxes[i];
      B.Left = Next[FLevels[i]];
      Next[FLevels[i]] += B.Width + kDiagramGap;
      B.Top = kDiagramMargin + (FLevels[i] - TopLevel) * (B.Height + kDiagramRowGap);
      Bottom = std::max(Bottom, B.Top + B.Height);
    }
    FModel.Width = Across;
    FModel.Height = std::max(Height, Bottom + kDiagramMargin);
    return std::move(FModel);
  }

  void AddEntity(int r, int Level) {
    TDiagramBox B;
    B.Caption = FD.Names[r];
    B.Name = FD.Codes[r];
    if (FCaptionWidth) B.Width = std::clamp(FCaptionWidth(B.Caption), B.Width, kDiagramMaxBoxWidth);
    FLevels.push_back(std::clamp(Level, 0, 100));
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
  const TRelateData& FD;
  const std::function<int(const std::string&)>& FCaptionWidth;
  TDiagramModel FModel;
  std::vector<int> FLevels;  // each box's level, in the boxes' order
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
                              int Height, const std::function<int(const std::string&)>& CaptionWidth) {
  TBuilder B(Data, CaptionWidth);
  const int r = Data.Find(Code);
  // A centre the list does not hold gives an empty diagram.
  if (r >= 0) {
    B.AddEntity(r, 5);
    B.AddParents(r, Depth, 4);
    B.AddChildren(r, Depth, 6);
  }
  return B.Model(Width, Height);
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
