// The opening status window.
#include "forms/status_window.h"

#include <memory>

#include "ui/controls.h"
#include "ui/font_object.h"

using namespace ui;

namespace forms {

OpeningWindow* CreateOpeningWindow(Widget& parent) {
  auto object = std::make_unique<OpeningWindow>();
  OpeningWindow* o = object.get();
  o->StatusForm = CreateForm(parent, "Form2");
  o->StatusForm->SetSize(320, 66);
  o->StatusForm->AddToAutoFree(std::move(object));
  o->StatusForm->SetVisible(false);
  o->StatusForm->SetCaptionPresent(false);
  // Only the command that showed it hides it again.
  o->StatusForm->OnClose = [](Widget&, bool& accept) { accept = false; };

  o->StatusLabel = CreateLabel(*o->StatusForm, "Открываем архив...");
  o->StatusLabel->SetAlign(Align::Client);
  FontObject& font = o->StatusLabel->GetFont();
  font.SetColor(0);
  font.SetStyle(kBold);
  font.SetHeight(-16);
  font.SetFaceName("Arial");
  o->StatusLabel->SetTextAlign(TextAlign::Center);
  o->StatusLabel->SetVerticalAlign(VerticalAlign::Center);

  o->StatusForm->CenterOnParent();
  o->StatusForm->SetResizable(false);
  return o;
}

void ShowStatus(OpeningWindow& window, const std::string& text) {
  window.StatusLabel->SetText(text);
  if (!window.StatusForm->Visible()) window.StatusForm->Show();
  window.StatusForm->UpdateNow();
}

void HideStatus(OpeningWindow& window) { window.StatusForm->Hide(); }

}  // namespace forms
