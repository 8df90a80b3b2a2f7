#include "client/link_label.h"

#include "controls/html_label.h"

TCustomLabel* MakeLinkLabel(TComponent* Owner, TWinControl* Parent, const std::string& Name, const std::string& Text,
                            int Left, int Top, int Width, int Height) {
  auto* Label = new TMarkupLabel(Owner);
  Label->SetName(Name);
  Label->SetParent(Parent);
  Label->SetBounds(Left, Top, Width, Height);
  TStringList Html;
  Html.Add("<U><FONT color=\"#0000FF\">" + Text + "</FONT></U>");
  Label->SetHTMLText(Html);
  Label->SetVAlignment(tvaCenter);
  Label->SetCursor(crHandPoint);
  return Label;
}

std::string LinkLabelMarkup(TCustomLabel* Label) {
  auto* Markup = dynamic_cast<TMarkupLabel*>(Label);
  return Markup ? Markup->HTMLText().Text() : std::string();
}
