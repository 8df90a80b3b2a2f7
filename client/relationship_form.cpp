#include "client/relationship_form.h"

#include "client/view_layout.h"
#include "controls/diagram.h"

using namespace view_layout;

TRelationshipForm::TRelationshipForm(TComponent* AOwner, TRelateData Data, std::string OpenerCaption,
                                     std::string OpenerCode)
    : TForm(AOwner), ReturnCode(OpenerCode), FData(std::move(Data)), FCenterCaption(std::move(OpenerCaption)),
      FCenterCode(std::move(OpenerCode)) {
  SetName("RelationshipForm");
  SetCaption("Relationship Diagram");
  SetPosition(poScreenCenter);
  SetColor(clBtnFace);
  SetBounds(0, 0, 760, 560);
  PaintFormBackground(this);
  Diagram = Make<TDgDiagram>(this, this, "Diagram", 0, 0, 760, 460);
  Panel = Make<TPanel>(this, this, "Panel", 0, 472, 560, 40);
  Panel->SetCaption("");
  MakeCaptioned<TLabel>(this, Panel, "CenterTitle", "Center", 8, 12, 45, 15);
  CenterLabel = MakeCaptioned<TLabel>(this, Panel, "CenterLabel", "", 56, 12, 150, 15);
  CenterBtn = MakeCaptioned<TButton>(this, Panel, "CenterBtn", "Center", 210, 8, 70, 25);
  MakeCaptioned<TLabel>(this, Panel, "DepthTitle", "Depth", 290, 12, 40, 15);
  Depth = Make<TSpinEdit>(this, Panel, "Depth", 332, 9, 45, 22);
  Depth->SetMinValue(1);
  Depth->SetMaxValue(5);
  Depth->SetValue(3);
  ViewBtn = MakeCaptioned<TButton>(this, Panel, "ViewBtn", "View", 390, 8, 75, 25);
  OKButton = MakeCaptioned<TButton>(this, Panel, "OKButton", "Close", 475, 8, 75, 25);
  CenterBtn->OnClick = [this](TObject*) { CenterBtnClick(); };
  ViewBtn->OnClick = [this](TObject*) { View(); };
  OKButton->OnClick = [this](TObject*) { SetModalResult(mrOk); };
  Depth->OnChange = [this](TObject*) {
    if (FActivated) GenerateDiagram(FCenterCaption, FCenterCode);
  };
  // The window's first size came before its panel and diagram: they are placed for it now.
  FormResize();
}

void TRelationshipForm::Activate() {
  TForm::Activate();
  if (FActivated) return;
  FActivated = true;
  GenerateDiagram(FCenterCaption, FCenterCode);
}

void TRelationshipForm::GenerateDiagram(const std::string& Caption, const std::string& Code) {
  CenterLabel->SetCaption(Caption);
  // A box is as wide as its record's name in the caption bar's font, with room for the bar's
  // margins.
  Diagram->Canvas().Font().Assign(Diagram->Font());
  FModel = ::GenerateDiagram(FData, Code, Depth->Value(), Diagram->ClientWidth(), Diagram->ClientHeight(),
                             [this](const std::string& Name) { return Diagram->Canvas().TextWidth(Name) + 16; });
  Diagram->Links().Clear();
  Diagram->Items().Clear();
  Diagram->Items().BeginUpdate();
  for (const TDiagramBox& B : FModel.Boxes) {
    TDgDiagramItem* Item = Diagram->Items().Add();
    Item->SetName(B.Name);
    Item->SetCaption(B.Caption);
    Item->SetBounds(B.Left, B.Top, B.Width, B.Height);
  }
  Diagram->Items().EndUpdate();
  Diagram->Links().BeginUpdate();
  for (const TDiagramLink& L : FModel.Links) {
    TDgDiagramLink* Link = Diagram->Links().Add();
    Link->SetBeginItemName(L.Begin);
    Link->SetEndItemName(L.End);
  }
  Diagram->Links().EndUpdate();
  Diagram->SetDiagramWidth(FModel.Width);
  Diagram->SetDiagramHeight(FModel.Height);
}

void TRelationshipForm::CenterBtnClick() {
  TDgDiagramItem* Item = Diagram->SelectedItem();
  if (!Item) return;
  FCenterCaption = Item->Caption();
  FCenterCode = Item->Name();
  GenerateDiagram(FCenterCaption, FCenterCode);
}

void TRelationshipForm::View() {
  TDgDiagramItem* Item = Diagram->SelectedItem();
  if (!Item) return;
  FCenterCaption = Item->Caption();
  ReturnCode = Item->Name();
  SetModalResult(mrOk);
}

void TRelationshipForm::Resize() {
  TForm::Resize();
  FormResize();
}

void TRelationshipForm::FormResize() {
  if (!Panel || !Diagram) return;
  Panel->SetLeft(std::max(0, (ClientWidth() - Panel->Width()) / 2));
  Panel->SetTop(std::max(0, Height() - 88));
  Diagram->SetBounds(0, 0, ClientWidth(), std::max(50, Height() - 100));
}
