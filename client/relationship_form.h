// "Relationship Diagram": the shown record in the middle, the records it refers to above, the
// records that refer to it below, to a chosen depth; re-centre on a box or open its record.
#pragma once

#include <string>

#include "client/core/relationship.h"
#include "platform/ui/containers.h"
#include "platform/ui/forms.h"
#include "platform/ui/spin_edit.h"
#include "platform/ui/std_buttons.h"
#include "platform/ui/std_painted.h"

class TDgDiagram;

class TRelationshipForm : public TForm {
public:
  TRelationshipForm(TComponent* AOwner, TRelateData Data, std::string OpenerCaption, std::string OpenerCode);

  TDgDiagram* Diagram = nullptr;
  TPanel* Panel = nullptr;
  TLabel* CenterLabel = nullptr;
  TButton* CenterBtn = nullptr;
  TSpinEdit* Depth = nullptr;
  TButton* ViewBtn = nullptr;
  TButton* OKButton = nullptr;

  // The code to load once the window is closed.
  std::string ReturnCode;

  void GenerateDiagram(const std::string& Caption, const std::string& Code);
  void CenterBtnClick();
  void View();
  void FormResize();
  const TDiagramModel& Model() const { return FModel; }

protected:
  void Resize() override;
  void Activate() override;

private:
  TRelateData FData;
  std::string FCenterCaption, FCenterCode;
  TDiagramModel FModel;
  bool FActivated = false;
};
