// The main window's help links, the calculator and calendar, and the reset of the application's
// settings.
#pragma once

#include <memory>
#include <string>

class TView;
class TCalculator;

class TViewTools {
public:
  explicit TViewTools(TView& View);
  ~TViewTools();

  // The maker's help page; the help menu opens it and its two anchors.
  static constexpr const char* HelpPage = "https://www.harrowmere.com/quillon/help.htm";
  static constexpr const char* ResetQuestion =
      "This function will reset the application program to original installation settings.  Are "
      "you sure you want to continue ?";
  static constexpr const char* ResetDoneText = "Original application settings have been restored.";

  // Opens Url in the browser through the redirect page in the client's private folder.
  bool OpenLink(const std::string& Url);

  // The help page's anchor of a topic: its name without blanks.
  static std::string HelpTopicURL(const std::string& Topic);
  void Contents1Click() { OpenLink(HelpPage); }
  void GettingStarted1Click() { OpenLink(HelpTopicURL("Getting Started")); }
  void ContactHarrowmere1Click() { OpenLink(std::string(HelpPage) + "#Contact"); }

  void Calculator1Click();
  void Calander1Click();
  // Asks first; false when the user said No (nothing changed).
  bool ResetApplication1Click();

private:
  TView& V;
  std::unique_ptr<TCalculator> FCalculator;
};

// Binds the help menu, Calculator, Calendar (menu and tool bar) and Reset Application.
void WireToolCommands(TView& View);
