// An open database built in memory and a request to run one handler on, with the save counted.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "server/handler_context.h"

class HandlerTest : public ::testing::Test {
protected:
  HandlerTest() : Codes(7), ResultGrid(nullptr) {}

  // Appends a record with this code and name.
  ItemRecord& AddRecord(const std::string& Code, const std::string& Name) {
    const int Index = Database.NewRecord(Codes);
    ItemRecord& R = Database.Record(Index);
    R.Code = Code;
    R.Name = Name;
    Database.CodeChanged();
    return R;
  }

  // Runs a handler on a fresh request with this body and these query fields.
  template <class F>
  std::string Run(F&& Handler, const std::string& Body = {},
                  std::map<std::string, std::string> Fields = {}) {
    Request = std::make_unique<TMemoryRequest>("", Body);
    Request->Fields = std::move(Fields);
    THandlerContext Context{Database, *Request, ResultGrid,
                            [this] {
                              std::string Bytes = Request->Body;
                              if (static_cast<int>(Bytes.size()) < Request->GetContentLength())
                                throw EReadError();
                              return Bytes;
                            },
                            [this] {
                              if (FailSave) throw EWriteError();
                              ++Saves;
                              Database.Changed = false;
                            }};
    Handler(Context);
    return Request->Reply;
  }

  // The reply as lines (CR LF removed).
  static std::vector<std::string> Lines(const std::string& Reply) {
    std::vector<std::string> Out;
    std::size_t At = 0;
    while (At < Reply.size()) {
      const auto End = Reply.find("\r\n", At);
      if (End == std::string::npos) {
        Out.push_back(Reply.substr(At));
        break;
      }
      Out.push_back(Reply.substr(At, End - At));
      At = End + 2;
    }
    return Out;
  }

  // A grid text stream written by hand: "cols,rows", then "col,row,text" for each cell given.
  struct TCell {
    int Col, Row;
    std::string Text;
  };
  static std::string GridText(int Cols, int Rows, const std::vector<TCell>& Cells) {
    std::string Out = std::to_string(Cols) + "," + std::to_string(Rows) + "\r\n";
    for (const TCell& C : Cells)
      Out += std::to_string(C.Col) + "," + std::to_string(C.Row) + "," + C.Text + "\r\n";
    return Out;
  }

  // A grid text stream read back into a grid.
  static void ParseGrid(const std::string& Text, TQnStringGrid& Grid) {
    PrepareWorkGrid(Grid);
    LoadGridText(Grid, Text, 1, 1);
  }

  TDatabase Database;
  TRecordCodeGenerator Codes;
  TQnStringGrid ResultGrid;
  std::unique_ptr<TMemoryRequest> Request;
  int Saves = 0;
  bool FailSave = false;
};
