#include "platform/sys/workbook/zip_parts.h"

#include <dlfcn.h>
#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>

#include "platform/rtl/exceptions.h"

namespace {

#define QN_ZIP_CALLS(X) X(zip_close) X(zip_discard) X(zip_error_fini) X(zip_error_init_with_code) X(zip_error_strerror) X(zip_fclose) X(zip_file_add) X(zip_file_strerror) X(zip_fopen_index) X(zip_fread) X(zip_get_name) X(zip_get_num_entries) X(zip_open) X(zip_set_file_compression) X(zip_source_buffer) X(zip_source_free) X(zip_stat_index) X(zip_stat_init) X(zip_strerror)

// The zip library is loaded when a workbook is first read or written, not at the program's
// start: it brings its compression and cryptography libraries along (a few milliseconds of
// every start of the client, which reads and writes workbooks only on a person's command).
struct TZipLibrary {
#define QN_ZIP_CALL(name) decltype(&::name) name = nullptr;
  QN_ZIP_CALLS(QN_ZIP_CALL)
#undef QN_ZIP_CALL
};

const TZipLibrary& Zip() {
  static const TZipLibrary library = [] {
    TZipLibrary lib;
    void* handle = dlopen(QN_LIBZIP_SONAME, RTLD_NOW | RTLD_LOCAL);
    if (!handle) throw EOleException(std::string("Workbooks cannot be read or written: ") + dlerror());
#define QN_ZIP_CALL(name)                                                                        \
  lib.name = reinterpret_cast<decltype(lib.name)>(dlsym(handle, #name));                       \
  if (!lib.name) throw EOleException("Workbooks cannot be read or written: " QN_LIBZIP_SONAME " lacks " #name);
    QN_ZIP_CALLS(QN_ZIP_CALL)
#undef QN_ZIP_CALL
    return lib;
  }();
  return library;
}

std::string ZipErrorText(int code) {
  zip_error_t error;
  Zip().zip_error_init_with_code(&error, code);
  std::string text = Zip().zip_error_strerror(&error);
  Zip().zip_error_fini(&error);
  return text;
}

struct TArchiveCloser {
  void operator()(zip_t* za) const { Zip().zip_discard(za); }
};
using TArchive = std::unique_ptr<zip_t, TArchiveCloser>;

struct TFileCloser {
  void operator()(zip_file_t* f) const { Zip().zip_fclose(f); }
};

// Part names of an archive may not climb out of it or repeat.
bool IsSafePartName(const std::string& name) {
  if (name.empty() || name.front() == '/' || name.find('\\') != std::string::npos) return false;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t slash = name.find('/', start);
    std::string segment = name.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    if (segment == "..") return false;
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  return true;
}

constexpr zip_uint32_t kDeflateLevel = 2;

}  // namespace

bool IsZipFile(const std::string& fileName) {
  std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(fileName.c_str(), "rb"), &std::fclose);
  if (!f) return false;
  char sig[4] = {};
  return std::fread(sig, 1, 4, f.get()) == 4 && sig[0] == 'P' && sig[1] == 'K' && sig[2] == 3 && sig[3] == 4;
}

TZipParts ReadZipParts(const std::string& fileName) {
  std::unique_ptr<FILE, int (*)(FILE*)> probe(std::fopen(fileName.c_str(), "rb"), &std::fclose);
  if (!probe) throw EOleException("Cannot open the workbook file " + fileName);
  probe.reset();
  if (!IsZipFile(fileName)) throw EOleException("The file " + fileName + " is not a workbook file");
  int code = 0;
  TArchive za(Zip().zip_open(fileName.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code));
  if (!za) throw EOleException("The workbook file " + fileName + " is damaged: " + ZipErrorText(code));
  zip_int64_t count = Zip().zip_get_num_entries(za.get(), 0);
  if (count < 0 || static_cast<std::size_t>(count) > kMaxZipEntries)
    throw EOleException("The workbook file " + fileName + " holds too many parts");
  TZipParts parts;
  std::set<std::string> names;
  std::size_t total = 0;
  for (zip_int64_t i = 0; i < count; ++i) {
    const char* rawName = Zip().zip_get_name(za.get(), static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS);
    if (!rawName) throw EOleException("The workbook file " + fileName + " is damaged");
    std::string name = rawName;
    if (!name.empty() && name.back() == '/') continue;  // a folder entry
    if (!IsSafePartName(name) || !names.insert(name).second)
      throw EOleException("The workbook file " + fileName + " holds a bad part name: " + name);
    std::unique_ptr<zip_file_t, TFileCloser> f(Zip().zip_fopen_index(za.get(), static_cast<zip_uint64_t>(i), 0));
    if (!f) throw EOleException("The workbook file " + fileName + " is damaged: " + Zip().zip_strerror(za.get()));
    TZipPart part;
    part.Name = name;
    // The part is read straight into its bytes, whose room the size the archive gives sets
    // aside once (within the ceiling: the size is only what the file claims).
    zip_stat_t stat;
    Zip().zip_stat_init(&stat);
    if (Zip().zip_stat_index(za.get(), static_cast<zip_uint64_t>(i), 0, &stat) == 0 && (stat.valid & ZIP_STAT_SIZE))
      part.Bytes.reserve(static_cast<std::size_t>(std::min<zip_uint64_t>(stat.size, kMaxPartBytes)) + 1);
    constexpr std::size_t kChunk = 65536;
    for (;;) {
      const std::size_t have = part.Bytes.size();
      part.Bytes.resize(have + kChunk);
      zip_int64_t n = Zip().zip_fread(f.get(), part.Bytes.data() + have, kChunk);
      part.Bytes.resize(have + static_cast<std::size_t>(std::max<zip_int64_t>(n, 0)));
      if (n < 0)
        throw EOleException("The workbook file " + fileName + " is damaged: " + Zip().zip_file_strerror(f.get()));
      if (n == 0) break;
      total += static_cast<std::size_t>(n);
      if (part.Bytes.size() > kMaxPartBytes || total > kMaxArchiveBytes)
        throw EOleException("The workbook file " + fileName + " is too large");
    }
    parts.push_back(std::move(part));
  }
  return parts;
}

void WriteZipParts(const std::string& fileName, const TZipParts& parts) {
  int code = 0;
  TArchive za(Zip().zip_open(fileName.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code));
  if (!za) throw EOleException("Cannot save the workbook file " + fileName + ": " + ZipErrorText(code));
  for (const TZipPart& part : parts) {
    zip_source_t* src = Zip().zip_source_buffer(za.get(), part.Bytes.data(), part.Bytes.size(), 0);
    if (!src) throw EOleException("Cannot save the workbook file " + fileName + ": " + Zip().zip_strerror(za.get()));
    zip_int64_t index = Zip().zip_file_add(za.get(), part.Name.c_str(), src, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
      Zip().zip_source_free(src);
      throw EOleException("Cannot save the workbook file " + fileName + ": " + Zip().zip_strerror(za.get()));
    }
    // A fast deflate level: on sheet XML it makes files about a tenth larger than the best
    // level in a small part of the time (the library's default is the best level).
    Zip().zip_set_file_compression(za.get(), static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, kDeflateLevel);
  }
  if (Zip().zip_close(za.get()) != 0)
    throw EOleException("Cannot save the workbook file " + fileName + ": " + Zip().zip_strerror(za.get()));
  za.release();  // closed
}
