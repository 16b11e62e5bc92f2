#include "cli/CommandLine.h"

#include "cli/AtomicOutput.h"
#include "cli/CheckCommand.h"
#include "cli/ExportCommand.h"
#include "cli/Inputs.h"
#include "cli/JobRunner.h"
#include "cli/RepairCommand.h"
#include "support/uSysUtils.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <iostream>
#include <thread>
#include <unistd.h>

namespace velastrin::cli {

namespace {

// The subcommands: one line each.
constexpr TSubcommandFactory Registered[] = {
    &MakeExportCommand,
    &MakeCheckCommand,
    &MakeRepairCommand,
};

// Names that go to the command-line tool before their subcommand exists, so that a script
// gets "unknown command" rather than the desktop program.
constexpr const char* Reserved[] = {"check", "repair"};

const std::string ProgramName = "velastrin";

unsigned DefaultJobs() {
  return std::max(1u, std::thread::hardware_concurrency());
}

int RunSubcommand(TSubcommand& Command, const std::vector<std::string>& Args,
                  const TConsole& Console) {
  const std::string Title = ProgramName + " " + Command.Name();
  CLI::App App(Command.Description(), Title);
  App.set_help_flag("-h,--help", "Print this help and exit");
  App.set_version_flag("--version", ProgramName + " " + VELASTRIN_VERSION);
  Command.AddOptions(App);
  unsigned Jobs = DefaultJobs();
  App.add_option("-j,--jobs", Jobs, "Files processed at once (default: the number of cores)")
      ->check(CLI::Range(1u, 1024u));
  std::vector<std::string> Paths;
  App.add_option("PATH", Paths, "EDF and BDF files, and folders searched for *.edf and *.bdf files")
      ->required()
      ->type_name("PATH...");

  // CLI11 takes the arguments in reverse order.
  std::vector<std::string> Rest(Args.rbegin(), Args.rend() - 2);
  try {
    App.parse(Rest);
  } catch (const CLI::CallForHelp&) {
    Console.Out << App.help();
    return CliStatus::Success;
  } catch (const CLI::CallForVersion&) {
    Console.Out << ProgramName << " " << VELASTRIN_VERSION << '\n';
    return CliStatus::Success;
  } catch (const CLI::ParseError& Error) {
    Console.Err << Title << ": " << Error.what() << "\n\n" << App.help();
    return CliStatus::NotStarted;
  }

  const TInputList Found = FindInputs(Paths);
  auto ReportProblems = [&] {
    for (const TInputProblem& Problem : Found.Problems)
      Console.Err << Problem.Path << ": " << Problem.Reason << '\n';
  };
  if (Found.Inputs.empty()) {
    ReportProblems();
    Console.Err << Title << ": no input found\n";
    return CliStatus::NotStarted;
  }
  try {
    Command.Prepare(Found.Inputs);
  } catch (const TUsageError& Error) {
    Console.Err << Title << ": " << Error.what() << '\n';
    return CliStatus::NotStarted;
  }

  const TJob Job = [&Command](const TInput& Input, TJobContext& Context) {
    return Command.Run(Input, Context);
  };
  const TDeliver Deliver = [&](std::size_t Index, const TJobOutcome& Outcome) {
    Console.Out << Outcome.Result.Output << std::flush;
    for (const std::string& Warning : Outcome.Result.Warnings)
      Console.Err << Found.Inputs[Index].Path << ": warning: " << Warning << '\n';
    Console.Err << std::flush;
  };
  const std::vector<TJobOutcome> Outcomes =
      RunJobs(Found.Inputs, Jobs, Job, Deliver, Console.ErrIsTerminal ? &Console.Err : nullptr);

  std::size_t Failed = Found.Problems.size();
  ReportProblems();
  for (std::size_t i = 0; i < Outcomes.size(); ++i)
    if (Outcomes[i].Failed) {
      ++Failed;
      Console.Err << Found.Inputs[i].Path << ": " << Outcomes[i].Reason << '\n';
    }
  const std::size_t Total = Outcomes.size() + Found.Problems.size();
  Console.Err << Command.SummaryLine(Total - Failed, Failed) << '\n' << std::flush;
  return Command.ExitStatus(Failed, Total);
}

} // namespace

std::vector<std::unique_ptr<TSubcommand>> Subcommands() {
  std::vector<std::unique_ptr<TSubcommand>> List;
  for (TSubcommandFactory Make : Registered)
    List.push_back(Make());
  return List;
}

bool IsCommandLineTool(const std::string& FirstParameter) {
  if (FirstParameter == "--help" || FirstParameter == "--version")
    return true;
  if (std::find(std::begin(Reserved), std::end(Reserved), FirstParameter) != std::end(Reserved))
    return true;
  for (const auto& Command : Subcommands())
    if (Command->Name() == FirstParameter)
      return true;
  return false;
}

std::string ProgramHelpText() {
  std::string Text =
      "velastrin: exports one signal of an EDF recording to a signal-information file and an\n"
      "ASCII data file.\n"
      "\n"
      "Usage:\n"
      "  velastrin [EDFInputfile SignalNumber [InfoOutputFile [DataOutputFile]]] [switches]\n"
      "      The desktop program, filled from the command line. Switches (with \"/\" or \"-\"):\n"
      "      /SPACE /COMMA /TAB /CRLF select the separator; /BATCH exports without user\n"
      "      interaction and ends; /? or /h shows the command-line help box.\n"
      "  velastrin COMMAND [OPTIONS] PATH...\n"
      "      A command-line tool over many recordings, without windows.\n"
      "  velastrin --help | --version\n"
      "\n"
      "Commands:\n";
  for (const auto& Command : Subcommands()) {
    std::string Name = "  " + Command->Name();
    Name.resize(std::max<std::size_t>(Name.size() + 2, 12), ' ');
    Text += Name + Command->Description() + "\n";
  }
  Text += "\n"
          "\"velastrin COMMAND --help\" shows the options of a command. Exit status of a\n"
          "command: 0 every file done, 1 at least one file failed, 2 nothing could start;\n"
          "check: 0 every file valid, 1 some only lenient, 2 some unreadable or missing.\n";
  return Text;
}

int RunCommandLine(const std::vector<std::string>& Args, const TConsole& Console) {
  const std::string First = Args.size() > 1 ? Args[1] : "";
  if (First == "--help") {
    Console.Out << ProgramHelpText();
    return CliStatus::Success;
  }
  if (First == "--version") {
    Console.Out << ProgramName << " " << VELASTRIN_VERSION << '\n';
    return CliStatus::Success;
  }
  for (const auto& Command : Subcommands())
    if (Command->Name() == First)
      return RunSubcommand(*Command, Args, Console);
  Console.Err << ProgramName << ": unknown command \"" << First << "\"\n\n" << ProgramHelpText();
  return CliStatus::NotStarted;
}

int RunCommandLine(int argc, char** argv) {
  InstallInterruptCleanup();
  InitFormatSettingsFromEnvironment();
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> Args(argv, argv + argc);
  return RunCommandLine(Args, TConsole{std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1});
}

} // namespace velastrin::cli
