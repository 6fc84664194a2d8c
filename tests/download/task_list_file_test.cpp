// downlist.json, byte for byte.

#include <gtest/gtest.h>

#include "app/text_helpers.h"
#include "download/task_list_file.h"

namespace {

TEST(TaskListFile, WritesCompactSortedCodePage936TextWithOneLineEnd) {
  EXPECT_EQ(WriteTaskList({}), "null\n");
  std::string text = WriteTaskList({{L"深度系统.iso", L"D:\\工具\\gho-prlm\\", L"http://h/a\"b", 0.5f},
                                    {L"b.gho", L"E:\\", L"http://h/b", 0.0f}});
  EXPECT_EQ(text, "[{\"fPer\":0.5,\"sFileName\":\"" + WideToLocal(L"深度系统.iso") + "\",\"sSavePath\":\"" +
                      WideToLocal(L"D:\\\\工具\\\\gho-prlm\\\\") +
                      "\",\"sUrl\":\"http://h/a\\\"b\"},"
                      "{\"fPer\":0.0,\"sFileName\":\"b.gho\",\"sSavePath\":\"E:\\\\\",\"sUrl\":\"http://h/b\"}]\n");
}

TEST(TaskListFile, ReadsBackWhatItWroteAndCopesWithMissingMembers) {
  std::vector<ParkedEntry> entries{{L"深度系统.iso", L"D:\\工具\\", L"http://h/深", 0.25f}};
  auto read = ReadTaskList(WriteTaskList(entries));
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].fileName, entries[0].fileName);
  EXPECT_EQ(read[0].saveDir, entries[0].saveDir);
  EXPECT_EQ(read[0].url, entries[0].url);
  EXPECT_FLOAT_EQ(read[0].fraction, 0.25f);

  read = ReadTaskList(R"([{"sUrl":"http://h/x"},{"fPer":"high","sFileName":7}])");
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].url, L"http://h/x");
  EXPECT_EQ(read[0].fileName, L"");
  EXPECT_EQ(read[0].fraction, 0.0f);
  EXPECT_EQ(read[1].fileName, L"");
  EXPECT_EQ(read[1].fraction, 0.0f);

  for (const char* nothing : {"null", "[]", "{}", "", "[{", "\"text\""}) {
    EXPECT_TRUE(ReadTaskList(nothing).empty()) << nothing;
  }
}

}  // namespace
