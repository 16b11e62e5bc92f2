#include "cli/JobRunner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace velastrin::cli {
namespace {

class JobsCase : public ::testing::TestWithParam<unsigned> {};

// Later inputs finish first; delivery still follows the inputs.
TEST_P(JobsCase, OutcomesAreDeliveredInInputOrderWhateverTheJobs) {
  std::vector<TInput> Inputs;
  for (int i = 0; i < 12; ++i)
    Inputs.push_back({"f" + std::to_string(i), 10, {}, {}});
  std::vector<std::size_t> Order;
  std::string Text;
  const auto Outcomes = RunJobs(
      Inputs, GetParam(),
      [](const TInput& Input, TJobContext& Context) {
        const int i = std::stoi(Input.Path.substr(1));
        std::this_thread::sleep_for(std::chrono::milliseconds((12 - i) % 4 * 3));
        Context.AddBytes(Input.Size);
        if (i % 5 == 3)
          throw std::runtime_error("bad " + Input.Path);
        TFileResult Result;
        Result.Output = Input.Path + "\n";
        return Result;
      },
      [&](std::size_t Index, const TJobOutcome& Outcome) {
        Order.push_back(Index);
        Text += Outcome.Failed ? Outcome.Reason + "!\n" : Outcome.Result.Output;
      });
  std::vector<std::size_t> Expected(12);
  for (std::size_t i = 0; i < 12; ++i)
    Expected[i] = i;
  EXPECT_EQ(Order, Expected);
  EXPECT_EQ(Text, "f0\nf1\nf2\nbad f3!\nf4\nf5\nf6\nf7\nbad f8!\nf9\nf10\nf11\n");
  ASSERT_EQ(Outcomes.size(), 12u);
  EXPECT_TRUE(Outcomes[8].Failed);
  EXPECT_FALSE(Outcomes[9].Failed);
}

INSTANTIATE_TEST_SUITE_P(JobRunner, JobsCase, ::testing::Values(1u, 2u, 5u, 64u));

TEST(JobRunner, ProgressLineIsErasedBeforeDeliveryAndAtTheEnd) {
  std::vector<TInput> Inputs{{"slow", 1000000, {}, {}}};
  std::ostringstream Line;
  RunJobs(
      Inputs, 1,
      [](const TInput& Input, TJobContext& Context) {
        Context.AddBytes(Input.Size);
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        return TFileResult{};
      },
      [](std::size_t, const TJobOutcome&) {}, &Line);
  const std::string Text = Line.str();
  EXPECT_NE(Text.find("\r0/1 file, "), std::string::npos) << Text;
  EXPECT_EQ(Text.substr(Text.size() - 4), "\r\x1b[K");
}

TEST(JobRunner, ProgressTextShowsFilesAndMegabytesPerSecond) {
  EXPECT_EQ(ProgressText(3, 20, 50000000, 2.0), "3/20 files, 25.0 MB/s");
  EXPECT_EQ(ProgressText(0, 1, 0, 0.0), "0/1 file, 0.0 MB/s");
}

TEST(JobRunner, NoInputsNoThreadsNoDelivery) {
  int Calls = 0;
  const auto Outcomes = RunJobs(
      {}, 4, [&](const TInput&, TJobContext&) { return ++Calls, TFileResult{}; },
      [&](std::size_t, const TJobOutcome&) { ++Calls; });
  EXPECT_TRUE(Outcomes.empty());
  EXPECT_EQ(Calls, 0);
}

} // namespace
} // namespace velastrin::cli
