#include "cli/Inputs.h"

#include "export/tests/ExportTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace velastrin::cli {
namespace {

using velastrin::testing::TTempDir;
using velastrin::testing::WriteFileBytes;

std::vector<std::string> Paths(const TInputList& List) {
  std::vector<std::string> Out;
  for (const TInput& Input : List.Inputs)
    Out.push_back(Input.Path);
  return Out;
}

TEST(FindInputs, FoldersAreSearchedRecursivelyForEdfNamesInAnyCaseInSortedOrder) {
  TTempDir Dir;
  std::filesystem::create_directories(Dir.File("b/deep"));
  std::filesystem::create_directories(Dir.File("a"));
  for (const char* Name :
       {"b/deep/z.EDF", "b/night.edf", "a/Day.Edf", "a/notes.txt", "b/deep/edf", "a/x.edf.bak"})
    WriteFileBytes(Dir.File(Name), "x");
  std::filesystem::create_directories(Dir.File("a/folder.edf")); // a folder is no input
  const TInputList List = FindInputs({Dir.Path().string()});
  EXPECT_EQ(Paths(List), (std::vector<std::string>{Dir.File("a/Day.Edf"), Dir.File("b/deep/z.EDF"),
                                                   Dir.File("b/night.edf")}));
  EXPECT_TRUE(List.Problems.empty());
  EXPECT_EQ(List.Inputs[0].Size, 1u);
}

TEST(FindInputs, FilesAreTakenAsGivenInTheOrderGivenAndOnlyOnce) {
  TTempDir Dir;
  WriteFileBytes(Dir.File("2.edf"), "x");
  WriteFileBytes(Dir.File("1.rec"), "x");
  std::filesystem::create_symlink(Dir.File("2.edf"), Dir.File("link.edf"));
  const TInputList List =
      FindInputs({Dir.File("2.edf"), Dir.File("1.rec"), Dir.File("link.edf"), Dir.Path().string()});
  // The link and the folder's finds lead to files already taken.
  EXPECT_EQ(Paths(List), (std::vector<std::string>{Dir.File("2.edf"), Dir.File("1.rec")}));
  EXPECT_TRUE(List.Problems.empty());
}

TEST(FindInputs, MissingPathsAndFoldersWithoutEdfFilesAreProblemsWithReasons) {
  TTempDir Dir;
  std::filesystem::create_directories(Dir.File("empty"));
  WriteFileBytes(Dir.File("ok.edf"), "x");
  const TInputList List =
      FindInputs({Dir.File("absent.edf"), Dir.File("empty"), Dir.File("ok.edf")});
  EXPECT_EQ(Paths(List), (std::vector<std::string>{Dir.File("ok.edf")}));
  ASSERT_EQ(List.Problems.size(), 2u);
  EXPECT_EQ(List.Problems[0].Path, Dir.File("absent.edf"));
  EXPECT_EQ(List.Problems[0].Reason, "No such file or directory");
  EXPECT_EQ(List.Problems[1].Path, Dir.File("empty"));
  EXPECT_NE(List.Problems[1].Reason.find("no EDF files"), std::string::npos);
}

TEST(FileNames, IdentityFollowsLinksAndNormalNamesCompareSpellings) {
  TTempDir Dir;
  WriteFileBytes(Dir.File("a.edf"), "x");
  std::filesystem::create_hard_link(Dir.File("a.edf"), Dir.File("hard.edf"));
  std::filesystem::create_symlink(Dir.File("a.edf"), Dir.File("soft.edf"));
  EXPECT_EQ(FileIdentity(Dir.File("a.edf")), FileIdentity(Dir.File("hard.edf")));
  EXPECT_EQ(FileIdentity(Dir.File("a.edf")), FileIdentity(Dir.File("soft.edf")));
  EXPECT_FALSE(FileIdentity(Dir.File("none.edf")).has_value());
  EXPECT_EQ(NormalName(Dir.File("x/../a.edf")), NormalName(Dir.File("./a.edf")));
  EXPECT_EQ(NormalName("rel.txt"), (std::filesystem::current_path() / "rel.txt").string());
}

} // namespace
} // namespace velastrin::cli
