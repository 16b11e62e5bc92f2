#include "support/uOutputFiles.h"

#include "testsupport/TestFiles.h"
#include "testsupport/TestTempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace velastrin {
namespace {

using test::TTempDir;

std::string ReadFile(const std::string& Name) {
  return test::ReadBytes(Name);
}

void WriteAll(int Handle, const std::string& Text) {
  ASSERT_EQ(::write(Handle, Text.data(), Text.size()), static_cast<ssize_t>(Text.size()));
  ::close(Handle);
}

std::size_t FilesIn(const TTempDir& Dir) {
  std::size_t Count = 0;
  for ([[maybe_unused]] const auto& Entry : std::filesystem::directory_iterator(Dir.Path()))
    ++Count;
  return Count;
}

TEST(OutputFiles, CommitRenamesEveryFileAndReplacesAnExistingOne) {
  TTempDir Dir;
  test::WriteBytes(Dir.File("b.ascii"), "old and longer");
  {
    TOutputFiles Outputs;
    WriteAll(Outputs.Create(Dir.File("a.txt")), "info");
    WriteAll(Outputs.Create(Dir.File("b.ascii")), "data");
    const std::string Temporary = Outputs.TemporaryName(0);
    EXPECT_EQ(std::filesystem::path(Temporary).parent_path(), Dir.Path()); // same folder
    EXPECT_TRUE(std::filesystem::exists(Temporary));
    EXPECT_FALSE(std::filesystem::exists(Dir.File("a.txt"))); // not before it is complete
    EXPECT_EQ(ReadFile(Dir.File("b.ascii")), "old and longer");
    EXPECT_EQ(LiveTemporaryFiles().size(), 2u);
    Outputs.Commit();
  }
  EXPECT_EQ(ReadFile(Dir.File("a.txt")), "info");
  EXPECT_EQ(ReadFile(Dir.File("b.ascii")), "data");
  EXPECT_EQ(FilesIn(Dir), 2u);
  EXPECT_TRUE(LiveTemporaryFiles().empty());
}

TEST(OutputFiles, WhatIsNotCommittedIsRemovedAndAnOldFileStays) {
  TTempDir Dir;
  test::WriteBytes(Dir.File("a.txt"), "old");
  {
    TOutputFiles Outputs;
    WriteAll(Outputs.Create(Dir.File("a.txt")), "half");
  }
  EXPECT_EQ(ReadFile(Dir.File("a.txt")), "old");
  EXPECT_EQ(FilesIn(Dir), 1u);
  EXPECT_TRUE(LiveTemporaryFiles().empty());
}

TEST(OutputFiles, MissingFolderFailsWithTheFinalNameAndTheReason) {
  TTempDir Dir;
  TOutputFiles Outputs;
  try {
    Outputs.Create(Dir.File("no/a.txt"));
    FAIL() << "no error";
  } catch (const std::runtime_error& Error) {
    EXPECT_EQ(std::string(Error.what()),
              "Cannot create file \"" + Dir.File("no/a.txt") + "\". No such file or directory");
  }
}

TEST(OutputFiles, FailedRenameRemovesTheFilesNotRenamed) {
  TTempDir Dir;
  std::filesystem::create_directories(Dir.File("taken.ascii/inside")); // a full folder
  {
    TOutputFiles Outputs;
    WriteAll(Outputs.Create(Dir.File("taken.ascii")), "data");
    EXPECT_THROW(Outputs.Commit(), std::runtime_error);
  }
  EXPECT_EQ(FilesIn(Dir), 1u);
  EXPECT_TRUE(LiveTemporaryFiles().empty());
}

} // namespace
} // namespace velastrin
