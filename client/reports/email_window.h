// The e-mail window's logic: one plain-text message, one SMTP transaction per checked recipient
// whose address is usable, each recipient's status, and the outcome reported once.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "client/reports/report_common.h"

class TNetSMTPClient;
class TNetMessage;
class TSearchList;
class TCustomIniFile;

struct TEmailRecipient {
  std::string Code, Name, Address;
  std::string Status = "Message not sent";
  bool Checked = true;
};

class TEmailSender {
public:
  TEmailSender();
  ~TEmailSender();

  static constexpr const char* NotSent = "Message not sent";
  static constexpr const char* Sent = "Message Sent";
  static constexpr const char* Error = "ERROR";
  static constexpr const char* NoRecipientsText = "No recipients selected.";
  static constexpr const char* FailedText =
      "Your message could not be sent.  Please check the mail server and port and try again.";
  static constexpr const char* PartlyText =
      "Warning:  Your message could not be sent to all recipients.  See status area for details.";
  static constexpr const char* SentText = "Your message has been sent.";
  static constexpr const char* SearchListQuestion =
      "Only items on the search list will be selected.  All other items will be cleared.  Do you want to continue ?";
  static constexpr const char* NoSearchListText = "There are no items on the search list.";

  std::vector<TEmailRecipient> Items;
  std::string MailServer, MailPort = "25", SenderEmail, SenderName, Subject, Priority = "Normal";
  std::vector<std::string> Body;

  TNetSMTPClient& SendMail() { return *FClient; }
  TNetMessage& MailText() { return *FMessage; }

  // A recipient: checked, an address with "@" and no control character in it.
  static bool Eligible(const TEmailRecipient& R);
  // The Send button: the count of messages sent; the outcome message shown, after OnStatus.
  int Send();
  // Told once every recipient's status is set, before the outcome is shown: the window shows
  // each recipient's status behind the message.
  std::function<void()> OnStatus;
  void SelectAll();
  // Checks only the items on the search list (after the question); false when answered No.
  bool SelectSearchList(const TSearchList& List);

  // The four settings of the settings key.
  void ReadSettings(TCustomIniFile& Key);
  void WriteSettings(TCustomIniFile& Key) const;

  // The recipients of the server function "EmailList" over email field E and name field N.
  // The blocks of a cut reply are kept up to the last whole one; false when the request failed.
  static bool LoadEmailList(TServerSession& Session, int E, int N, std::vector<TEmailRecipient>& Out);

private:
  std::unique_ptr<TNetSMTPClient> FClient;
  std::unique_ptr<TNetMessage> FMessage;
};
