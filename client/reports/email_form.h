// The e-mail window, over its logic.
#pragma once

#include "client/reports/email_window.h"
#include "platform/ui/forms.h"

class TReportWindows;
class TPageControl;
class TTabSheet;
class TRichEdit;
class TEdit;
class TComboBox;
class TListView;
class TButton;

class TEmailForm : public TForm {
public:
  explicit TEmailForm(TReportWindows& Windows);
  ~TEmailForm() override;
  TEmailSender& Logic() { return FLogic; }

  // The recipients into the list, each checked and not sent.
  void SetRecipients(const std::vector<TEmailRecipient>& Items);
  void FormActivate();
  void BitBtn1Click();
  void FormClose();

  TPageControl* MailBook = nullptr;
  TRichEdit* MessageBody = nullptr;
  TEdit* Subject = nullptr;
  TComboBox* pMail = nullptr;
  TEdit* MailServer = nullptr;
  TEdit* MailPort = nullptr;
  TEdit* SenderEmail = nullptr;
  TEdit* SenderName = nullptr;
  TListView* RList = nullptr;
  TButton* BitBtn1 = nullptr;
  TButton* SelectAllBtn = nullptr;
  TButton* SearchListBtn = nullptr;
  TButton* CloseEmail = nullptr;

private:
  void ReadList();
  void ShowList();
  TReportWindows& FWindows;
  TEmailSender FLogic;
};
