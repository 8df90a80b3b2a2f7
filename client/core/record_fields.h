// The record page's fields by kind (dates, URLs, barcodes, quantities, record counters), the
// renaming of field labels, the six record images (show, fit, upload, clear) and the attached
// file (upload, open).  Plain logic over the record window; the window supplies the dialogs'
// answers and shows what comes back.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "client/core/record_window.h"

class TBitmap;

// ---- Field kinds --------------------------------------------------------------------------------
enum class TFieldClick { None, Date, URL, Barcode, Quantity, RecordCounter };

// The kind of the editor "Detail0".."Detail9" or "Other1".."Other6"; "" for any other name.
std::string GetFieldType(const TConfiguration& Config, const std::string& EditorName);
// What a click in a field of that kind does (the first of date, URL, barcode, quantity, counter).
TFieldClick FieldClickOf(const std::string& Kind);
bool IsRecordCounter(const std::string& Kind);
// The field Step places from Index over details 0-9 and others 21-26; its name, "" outside.
std::string ReturnFieldName(const TConfiguration& Config, int Index, int Step);

// ---- Picture fit --------------------------------------------------------------------------------
struct TPictureFit {
  bool Valid = false;  // false for a picture with no width or height
  int Width = 0;
  int Height = 0;
};
// The size a picture of PictureWidth x PictureHeight takes in the panel, ratio kept.
TPictureFit FitPicture(int PictureWidth, int PictureHeight, int PanelWidth, int PanelHeight);
// Reads a picture file: ".gif" and ".pcx" through the picture library, others through the
// picture loader; null when it does not decode or has no size.
std::unique_ptr<TBitmap> LoadRecordPicture(const std::string& FileName);

// What the picture page shows for a slot.
struct TPictureShow {
  enum TState { NoFile, Shown, Invalid } State = NoFile;
  std::string StatusText;           // PicStat's caption when no picture shows
  std::unique_ptr<TBitmap> Bitmap;  // the picture, fitted when asked
};

// What the barcode editor gives back: the value it took and whether it changed the database's
// barcode settings (it edits them in the configuration it is handed).
struct TBarcodeEdit {
  std::string Value;
  bool SettingsChanged = false;
};
using TBarcodeEditor = std::function<TBarcodeEdit(const std::string& Value, TConfiguration& Config)>;

// The address a "Jump to URL" may hand to the shell, or "" when it is none: http, https and
// mailto addresses only, with the characters that could end the redirect page's attribute or tag
// (quotes, angle brackets, blanks, control characters) percent-encoded.
std::string ShellURL(const std::string& Text);

class TRecordFields {
public:
  explicit TRecordFields(TRecordWindow& Window);

  static constexpr const char* ImageTooLargeText = "Sorry, the selected image is too large.";
  static constexpr const char* ImageNotOpenedText =
      "Sorry, the selected image could not be opened.  It may be in use by another program.";
  static constexpr const char* ImageNotValidText = "Image File is Not Valid";
  static constexpr const char* FileNotAvailableText = "Sorry, the file is not available.";

  std::string ImageWord = "Image";

  // ---- Fields ----
  // The quantity editor's amount added to field Tag through the server's "Add", after the shown
  // record is saved.  On success the record is reloaded; on failure the field keeps its text and
  // the request problem shows.
  bool AddQuantity(int Tag, int Amount);
  // A description label (Tag 0-9) or other label (Tag 20-25) renamed: the configuration fetched,
  // the input box asked, the name flagged and the configuration sent.  False when nothing changed.
  bool CustomizeLabels(int Tag, const std::string& Caption);
  // A barcode field's click: the record saved, the configuration fetched, the editor opened over
  // Text; a changed value goes into the field (SetText, whose change handler flags it) and the
  // record is saved; changed settings are flagged (row 17) and sent.  False when nothing changed
  // or a request failed (the request problem shown).
  bool EditBarcode(const std::string& Text, const std::function<void(const std::string&)>& SetText,
                   const TBarcodeEditor& Editor);
  // "Jump to URL": the field's address opened through the redirect page; other schemes are
  // refused with a message and never reach the shell.
  bool JumpToURL(const std::string& Text);
  static constexpr const char* URLRefusedText = "Only http, https and mailto addresses can be opened.";
  // The field editor's answer for detail label Tag 10-19: name and kind flagged and sent.
  bool CustomizeDetailLabel(int Tag, const std::string& Name, const std::string& Kind);

  // ---- Images (Slot 1-6) ----
  // Downloads, decodes and (Fit) fits the slot's picture into the panel; the downloaded copy is
  // deleted afterwards.
  TPictureShow DisplayPicture(int Slot, bool Fit, int PanelWidth, int PanelHeight);
  // The picture dialog's answer ("" when it was cancelled: nothing happens).  True when the
  // picture was uploaded and the record saved.
  bool SelectPicture(int Slot, const std::string& FileName);
  void ClearPicture(int Slot);
  void SetImageTitle(int Slot, const std::string& Title);

  // ---- The attachment ----
  // The attachment dialog's answer ("" cancelled).  True when uploaded and the record saved.
  bool SelectResume(const std::string& FileName, const std::string& Notes2Title);
  // Opens the attachment through the shell; false with a message when there is none or it cannot
  // be fetched.
  bool ViewResume(const std::string& Memo2FirstLine, bool Memo2HasLine, const std::string& Notes2Title);

private:
  void Inform(const std::string& Text, int Type);
  TRecordWindow& FW;
};
