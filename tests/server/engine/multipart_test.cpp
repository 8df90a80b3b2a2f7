#include <gtest/gtest.h>

#include "engine_fixture.h"
#include "server/engine/http_text.h"
#include "server/engine/multipart_reader.h"
#include "server/engine/request_api.h"

namespace {

class MultipartTest : public EngineFixture {
protected:
  // Reads Body as a multipart body inside a request; returns the field text.
  std::string Parse(const std::string& Body, long long DeclaredLength = -1) {
    std::string fieldText;
    TCGIEngineSettings settings;
    settings.CGIMode = ServerMode;
    settings.OnExecRequest = [&](TObject*) {
      ReadMultipartBody(fieldText, Folder, Uploads);
      for (const std::string& file : Uploads) Contents.push_back(ReadWholeFile(file));
    };
    settings.AutoReadInput = false;
    TCGIStdEngine engine(nullptr, settings);
    Run(engine,
        {"CONTENT_LENGTH=" + std::to_string(DeclaredLength < 0 ? (long long)Body.size() : DeclaredLength),
         "CONTENT_TYPE=multipart/form-data; boundary=x"},
        Body);
    return fieldText;
  }

  static std::string Part(const std::string& Boundary, const std::string& Headers, const std::string& Data) {
    return "--" + Boundary + "\r\n" + Headers + "\r\n\r\n" + Data + "\r\n";
  }

  std::vector<std::string> Uploads;
  std::vector<std::string> Contents;
};

TEST_F(MultipartTest, TextAndFileFields) {
  const std::string body =
      Part("b1", "Content-Disposition: form-data; name=\"x\"", "hi") +
      Part("b1", "Content-Disposition: form-data; name=\"f\"; filename=\"p.jpg\"\r\nContent-Type: image/jpeg",
           std::string("\xff\xd8\0\r\n", 5)) +
      "--b1--\r\n";
  const std::string fields = Parse(body);
  ASSERT_EQ(Uploads.size(), 1u);
  EXPECT_EQ(fields, "x=hi&f_CONTENT_TYPE=image/jpeg&f=p.jpg&f_FILENAME=" + UrlEncode(Uploads[0]) + "&");
  EXPECT_EQ(Contents[0], std::string("\xff\xd8\0\r\n", 5));
  EXPECT_EQ(Uploads[0].rfind(Folder + "/", 0), 0u);
  EXPECT_EQ(Uploads[0].substr(Uploads[0].size() - 5), "p.tmp");
}

TEST_F(MultipartTest, LargeFileWithLongBoundaryArrivesWhole) {
  const std::string boundary(200, 'q');
  std::string data;
  for (int i = 0; i < 400000; ++i) data += static_cast<char>((i * 7919u) % 251u);
  // A near miss of the boundary right where a read ends must not confuse the reader.
  data.replace(131072 - 100, 150, "\r\n--" + std::string(146, 'q'));
  const std::string body =
      Part(boundary, "Content-Disposition: form-data; name=\"f\"; filename=\"big.bin\"", data) +
      Part(boundary, "Content-Disposition: form-data; name=\"after\"", "ok") + "--" + boundary + "--\r\n";
  const std::string fields = Parse(body);
  ASSERT_EQ(Contents.size(), 1u);
  EXPECT_EQ(Contents[0].size(), data.size());
  EXPECT_TRUE(Contents[0] == data);
  EXPECT_NE(fields.find("&after=ok&"), std::string::npos);
}

TEST_F(MultipartTest, ClientFileNamesCannotLeaveTheUploadFolder) {
  const std::string body =
      Part("b", "Content-Disposition: form-data; name=\"f\"; filename=\"../../etc/pa\x01ss..wd\"", "x") + "--b--";
  Parse(body);
  ASSERT_EQ(Uploads.size(), 1u);
  EXPECT_EQ(Uploads[0].rfind(Folder + "/", 0), 0u);
  EXPECT_EQ(Uploads[0].find(".."), std::string::npos);
  EXPECT_EQ(SafeUploadName("C:\\dir\\..\\a\tb.txt"), "ab.txt");
}

TEST_F(MultipartTest, TruncatedBodyClearsTheFields) {
  const std::string body = Part("b", "Content-Disposition: form-data; name=\"x\"", "hi") + "--b--\r\n";
  EXPECT_EQ(Parse(body, static_cast<long long>(body.size()) + 50), "");
}

TEST_F(MultipartTest, UploadFilesGoAtTheEndOfTheRequest) {
  std::string path;
  TCGIEngineSettings settings;
  settings.CGIMode = ServerMode;
  settings.AutoReadInput = true;
  settings.TempDir = Folder;
  settings.OnExecRequest = [&](TObject*) {
    GetCurrentEngine()->GetField("f_FILENAME", "", path);
    EXPECT_TRUE(::access(path.c_str(), F_OK) == 0);
  };
  TCGIStdEngine engine(nullptr, settings);
  const std::string body =
      Part("b", "Content-Disposition: form-data; name=\"f\"; filename=\"a.txt\"", "data") + "--b--\r\n";
  Run(engine, {"CONTENT_LENGTH=" + std::to_string(body.size()), "CONTENT_TYPE=multipart/form-data; boundary=b"},
      body);
  ASSERT_FALSE(path.empty());
  EXPECT_NE(::access(path.c_str(), F_OK), 0);
}

}  // namespace
