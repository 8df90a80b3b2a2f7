// The message decoder: reads Internet mail or news text back into the message model.
#pragma once

#include <memory>
#include <string>

#include "net/mail_message.h"
#include "net/net_streams.h"

class TNetCustomDecoder {
public:
  // Takes a copy of the whole stream, from its start.
  explicit TNetCustomDecoder(TStream& Stream);
  virtual ~TNetCustomDecoder() = default;

  void Decode();

  TNetCustomMessage* Message = nullptr;

protected:
  virtual void ReadKindHeaders() = 0;
  // Before the header block is read a second time.
  virtual void ClearKindHeaders() {}

  std::unique_ptr<TLineStream> Lines = std::make_unique<TLineStream>();
  std::unique_ptr<TNetHeaders> MessageHeaders = std::make_unique<TNetHeaders>();
  std::unique_ptr<TNetHeaders> PartHeaders = std::make_unique<TNetHeaders>();
  std::string Boundary;
  bool InAlternative = false;
  std::string OuterBoundary;
  bool AlternativeMessage = false;

private:
  bool ReadLine(std::string& line);
  void ReadHeaderBlock(TNetHeaders& list);
  void MimeDispatch();
  void MultipartWalk();
  void ReadFirstPart(bool& usePartHeaders, bool& ended);
  void ReadFurtherParts(bool usePartHeaders);
  void ReadAttachmentMessage();
  void ReadTextMessage();
  void ReadPlain();
  void Fallback(const std::string& message);
  void LoadBody(const std::string& data);
  std::string NewName(const char* prefix) const;
  // The attachment name of a part, without folders or "..".
  static std::string PartFileName(const std::string& raw);
};

class TNetMessageDecoder : public TNetCustomDecoder {
public:
  using TNetCustomDecoder::TNetCustomDecoder;

protected:
  void ReadKindHeaders() override;
  void ClearKindHeaders() override;
};

class TNetArticleDecoder : public TNetCustomDecoder {
public:
  using TNetCustomDecoder::TNetCustomDecoder;

protected:
  void ReadKindHeaders() override;
};
