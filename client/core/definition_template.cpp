#include "client/core/definition_template.h"

#include <algorithm>

#include "client/core/record_streams.h"
#include "client/core/server_requests.h"
#include "platform/rtl/file_io.h"
#include "platform/rtl/path_text.h"
#include "platform/sys/files.h"

static std::string Stem(const std::string& FileName) {
  const std::string Name = ExtractFileName(FileName);
  return Name.substr(0, Name.find('.'));
}

std::string GetDatabaseFileName(const std::string& Folder) {
  for (const std::string& Where : {Folder + "Data/database/", Folder}) {
    const std::vector<std::string> Found = FindFiles(Where + "*.set");
    if (!Found.empty()) return Where + Stem(Found.front());
  }
  return "";
}

TTemplateData::TTemplateData(std::string BaseName) : FBaseName(std::move(BaseName)) {
  if (!FBaseName.empty()) Load();
}

std::string TTemplateData::DefinitionName() const { return ExtractFileName(FBaseName); }

std::string TTemplateData::AttributeA(int Number) const {
  return Number >= 1 && Number <= 100 ? FAttributes.First[Number - 1] : "";
}

std::string TTemplateData::AttributeB(int Number) const {
  return Number >= 1 && Number <= 100 ? FAttributes.Second[Number - 1] : "";
}

bool TTemplateData::Load() {
  bool Ok = true;
  FAttributes = TAttributes{};
  FGrid3Count = FGrid4Count = 0;
  FConfig = TConfiguration{};
  if (FBaseName.empty()) return true;

  // The attribute file as the server reads it: a bad one gives 10 columns per grid.
  const std::string AtrName = FBaseName + ".atr";
  if (FileExists(AtrName)) {
    TConfiguration C;
    try {
      LoadAttributes(ReadFileBytes(AtrName), C);
    } catch (const Exception&) {
      Ok = false;
    }
    FAttributes = C.Attributes;
    FGrid3Count = C.Grid3Columns;
    FGrid4Count = C.Grid4Columns;
  }

  const std::string SetName = FBaseName + ".set";
  if (FileExists(SetName)) {
    TConfiguration C;
    try {
      Ok = ReadConfigurationStream(ReadFileBytes(SetName), C) && Ok;
    } catch (const Exception&) {
      Ok = false;
    }
    for (auto& Kind : C.DescriptionKinds)
      if (Kind.empty()) Kind = "Drop Down";
    if (C.StatusWord.empty()) C.StatusWord = "Status";
    if (C.DateFormat.empty()) C.DateFormat = "mm/dd/yyyy";
    FConfig = std::move(C);
  }
  return Ok;
}

int TTemplateData::CreateDatabaseOnServer(TServerSession& Session, const std::string& Name,
                                          const std::string& Type, const std::string& FileCode,
                                          const std::string& UpdateDate,
                                          const std::string& CreationDate,
                                          const std::string& Description,
                                          const std::string& Author,
                                          const std::string& Definition,
                                          const std::string& BaseURL) {
  if (!ValidDatabaseName(Name)) return 3;
  TClientRequest R;
  R.UserAgent = "CreateDB:" + Name + ";" + Definition;
  R.URL = BaseURL;
  AddURLParameter(R.URL, "Author", Author, true);
  AddURLParameter(R.URL, "Name", Name, false);
  AddURLParameter(R.URL, "Type", Type, false);
  AddURLParameter(R.URL, "Description", Description, false);
  AddURLParameter(R.URL, "CDate", CreationDate, false);
  AddURLParameter(R.URL, "UDate", UpdateDate, false);
  AddURLParameter(R.URL, "FileCode", FileCode, false);
  std::string Reply;
  try {
    Reply = Session.Send(std::move(R), false);
  } catch (const std::exception&) {
    return 3;
  }
  Session.WriteDiagnostic("crdata.txt", Reply);
  const std::string First = Reply.substr(0, Reply.find_first_of("\r\n"));
  if (First.find("database created") != std::string::npos) return 0;
  if (First.find("configuration not") != std::string::npos) return 1;
  if (First.find("database already") != std::string::npos) return 2;
  return 3;
}

std::string NewFileCode(const std::function<int(int)>& Draw) {
  std::string Code;
  for (int i = 0; i < 10; ++i) {
    const int N = std::clamp(Draw(36), 0, 35);
    Code += N < 26 ? static_cast<char>('A' + N) : static_cast<char>('0' + N - 26);
  }
  return Code;
}
