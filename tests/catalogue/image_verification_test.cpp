// An image held to the catalogue's MD5: the checksum of a file read in pieces, and the
// image scan that marks only files whose checksum matches.

#include "catalogue/image_verification.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "catalogue/image_scan.h"
#include "program_machine.h"

namespace {

// MD5 of "hello world" and of the empty file.
const std::string kHelloMd5 = "5eb63bbbe01eeed093cb22bb8f5acdc3";
const std::string kEmptyMd5 = "d41d8cd98f00b204e9800998ecf8427e";

OsEntry Entry(const std::string& md5, int64_t size = 11) {
  OsEntry e;
  e.md5 = md5;
  e.size = size;
  return e;
}

TEST(ReadFileInChunks, HandsTheWholeFileOverInPiecesOfTheGivenSize) {
  ProgramMachine machine;
  auto& files = platform::Current().files();
  std::string bytes(10000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  files.WriteFile(L"D:\\data.bin", bytes);
  std::string joined;
  std::vector<size_t> sizes;
  ASSERT_TRUE(files.ReadFileInChunks(L"D:\\data.bin", 4096, [&](const char* data, size_t size) {
    joined.append(data, size);
    sizes.push_back(size);
  }));
  EXPECT_EQ(joined, bytes);
  EXPECT_EQ(sizes, (std::vector<size_t>{4096, 4096, 1808}));
  EXPECT_FALSE(files.ReadFileInChunks(L"D:\\missing.bin", 4096, [](const char*, size_t) {}));
  EXPECT_FALSE(files.ReadFileInChunks(L"D:\\", 4096, [](const char*, size_t) {}));
}

TEST(VerifyImageFile, HoldsAFileToTheEntrysChecksumWhenItNamesOne) {
  ProgramMachine machine;
  auto& files = platform::Current().files();
  files.WriteFile(L"D:\\hello.gho", "hello world");
  files.WriteFile(L"D:\\empty.gho", "");
  struct Case {
    const char* what;
    std::string md5;
    std::wstring path;
    bool matches;
    std::string actual;
  };
  const Case cases[] = {
      {"right checksum", kHelloMd5, L"D:\\hello.gho", true, kHelloMd5},
      {"upper case checksum", "5EB63BBBE01EEED093CB22BB8F5ACDC3", L"D:\\hello.gho", true, kHelloMd5},
      {"wrong checksum", kEmptyMd5, L"D:\\hello.gho", false, kHelloMd5},
      {"empty file", kEmptyMd5, L"D:\\empty.gho", true, kEmptyMd5},
      {"missing file", kHelloMd5, L"D:\\missing.gho", false, ""},
      // No checksum to hold to: the file is not even read.
      {"no checksum", "", L"D:\\missing.gho", true, ""},
      {"too short to be one", "5eb63bbb", L"D:\\missing.gho", true, ""},
      {"not hex", std::string(32, 'g'), L"D:\\missing.gho", true, ""},
  };
  for (const Case& c : cases) {
    ImageVerdict verdict = VerifyImageFile(Entry(c.md5), c.path);
    EXPECT_EQ(verdict.matches, c.matches) << c.what;
    EXPECT_EQ(verdict.actualMd5, c.actual) << c.what;
  }
  std::wstring text = ChecksumMismatchText(Entry(kEmptyMd5), L"D:\\hello.gho", VerifyImageFile(Entry(kEmptyMd5), L"D:\\hello.gho"));
  EXPECT_NE(text.find(L"D:\\hello.gho"), std::wstring::npos);
  EXPECT_NE(text.find(L"d41d8cd98f00b204e9800998ecf8427e"), std::wstring::npos);
  EXPECT_NE(text.find(L"5eb63bbbe01eeed093cb22bb8f5acdc3"), std::wstring::npos);
}

TEST(MarkDownloadedImages, ASizeMatchCountsOnlyWithTheEntrysChecksum) {
  ProgramMachine machine;
  const std::wstring dir = machine.params().imageDir;
  platform::Current().files().WriteFile(dir + L"win10.gho", "hello world");
  OsList list;
  for (const std::string& md5 : {kHelloMd5, kEmptyMd5, std::string()}) {
    auto e = std::make_unique<OsEntry>(Entry(md5));
    list.push_back(std::move(e));
  }
  MarkDownloadedImages(list, dir);
  EXPECT_EQ(list[0]->state, 3);  // same size, same checksum
  EXPECT_EQ(list[0]->localPath, dir + L"win10.gho");
  EXPECT_EQ(list[1]->state, 0);  // same size, another checksum
  EXPECT_EQ(list[1]->localPath, L"");
  EXPECT_EQ(list[2]->state, 3);  // no checksum: the size decides
}

}  // namespace

namespace {

// The same bytes count again for a file whose size and write time did not change; a file
// written moments before its check is read again, since its write time cannot tell.
TEST(FileMd5, AnUnchangedOldFileIsAnsweredFromMemoryAndAFreshOneIsReadAgain) {
  namespace fs = std::filesystem;
  ProgramMachine machine;
  auto& files = platform::Current().files();
  const fs::path host = machine.machine().HostPath(L"D:\\Tarnvik\\gho-prlm\\win10.gho");
  auto rewrite = [&](const std::string& bytes, fs::file_time_type time) {
    files.WriteFile(L"D:\\Tarnvik\\gho-prlm\\win10.gho", bytes);
    fs::last_write_time(host, time);
  };
  const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
  fs::create_directories(host.parent_path());
  rewrite("hello world", old);
  EXPECT_EQ(FileMd5(L"D:\\Tarnvik\\gho-prlm\\win10.gho"), kHelloMd5);
  // Other bytes of the same size under the same write time: what was read is kept.
  rewrite("hello_world", old);
  EXPECT_EQ(FileMd5(L"D:\\TARNVIK\\gho-prlm\\WIN10.gho"), kHelloMd5);
  // Any change of the write time reads the file again.
  rewrite("hello_world", old + std::chrono::seconds(1));
  const std::optional<std::string> changed = FileMd5(L"D:\\Tarnvik\\gho-prlm\\win10.gho");
  ASSERT_TRUE(changed);
  EXPECT_NE(*changed, kHelloMd5);

  const auto fresh = fs::file_time_type::clock::now();
  rewrite("hello world", fresh);
  EXPECT_EQ(FileMd5(L"D:\\Tarnvik\\gho-prlm\\win10.gho"), kHelloMd5);
  rewrite("hello_world", fresh);
  EXPECT_EQ(FileMd5(L"D:\\Tarnvik\\gho-prlm\\win10.gho"), changed);
}

}  // namespace
