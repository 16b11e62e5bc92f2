#include "cli/CommandLine.h"

#include "cli/AnonymizeCommand.h"
#include "cli/CheckCommand.h"
#include "cli/ExportCommand.h"
#include "cli/Inputs.h"
#include "cli/JobRunner.h"
#include "cli/RepairCommand.h"
#include "support/uSysUtils.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <fstream>
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
    &MakeAnonymizeCommand,
};

const std::string ProgramName = "velastrin";

const char* const ProgramDescription =
    "velastrin: exports one signal of an EDF recording to a signal-information file and an\n"
    "ASCII data file.\n"
    "\n"
    "  velastrin [EDFInputfile SignalNumber [InfoOutputFile [DataOutputFile]]] [switches]\n"
    "      The desktop program, filled from the command line. Switches (with \"/\" or \"-\"):\n"
    "      /SPACE /COMMA /TAB /CRLF select the separator; /BATCH exports without user\n"
    "      interaction and ends; /? or /h shows the command-line help box.\n"
    "  velastrin COMMAND [OPTIONS] PATH...\n"
    "      A command-line tool over many recordings, without windows.\n";

const char* const ProgramFooter =
    "\"velastrin COMMAND --help\" shows the options of a command. Exit status of a\n"
    "command: 0 every file done, 1 at least one file failed, 2 nothing could start;\n"
    "check: 0 every file valid, 1 some only lenient, 2 some unreadable or missing.";

unsigned DefaultJobs() {
  return std::max(1u, std::thread::hardware_concurrency());
}

// The options every subcommand has, bound by AddFrameOptions.
struct TFrameOptions {
  unsigned Jobs = DefaultJobs();
  std::vector<std::string> Paths;
  std::string Shard;
  std::string FilesFrom;
  bool Null = false;
};

void AddFrameOptions(CLI::App& Command, TFrameOptions& Options) {
  Command
      .add_option("-j,--jobs", Options.Jobs,
                  "Files processed at once (default: the number of cores)")
      ->check(CLI::Range(1u, 1024u));
  Command
      .add_option("--shard", Options.Shard,
                  "Only the K-th of N equal slices of the sorted input list (a task of an array "
                  "job; N tasks together take every file once)")
      ->type_name("K/N");
  Command
      .add_option("--files-from", Options.FilesFrom,
                  "More inputs from FILE, one path a line (\"-\": standard input)")
      ->type_name("FILE");
  Command.add_flag("--null", Options.Null, "Paths of --files-from end with NUL bytes, not lines");
  Command
      .add_option("PATH", Options.Paths,
                  "EDF and BDF files, and folders searched for *.edf and *.bdf files")
      ->type_name("PATH...");
}

// Every path named: on the command line, then those of the list.
std::vector<std::string> NamedPaths(const TFrameOptions& Options, const TConsole& Console) {
  std::vector<std::string> Paths = Options.Paths;
  if (Options.FilesFrom.empty())
    return Paths;
  std::vector<std::string> Listed;
  if (Options.FilesFrom == "-") {
    Listed = ReadFileList(Console.In ? *Console.In : std::cin, Options.Null);
  } else {
    std::ifstream List(Options.FilesFrom, std::ios::binary);
    if (!List)
      throw TUsageError("cannot read the file list \"" + Options.FilesFrom + "\"");
    Listed = ReadFileList(List, Options.Null);
  }
  Paths.insert(Paths.end(), Listed.begin(), Listed.end());
  return Paths;
}

int RunSubcommand(TSubcommand& Command, const TFrameOptions& Options, const TConsole& Console) {
  const std::string Title = ProgramName + " " + Command.Name();
  std::vector<TInput> Entries;
  std::vector<TInput> Inputs; // the entries that are files, for Prepare
  try {
    const std::vector<std::string> Paths = NamedPaths(Options, Console);
    if (Paths.empty())
      throw TUsageError("no input given: name files or folders, or --files-from");
    std::optional<TShard> Shard;
    if (!Options.Shard.empty())
      Shard = ParseShard(Options.Shard);
    const TInputList Found = FindInputs(Paths);
    if (Found.Inputs.empty()) {
      for (const TInputProblem& Problem : Found.Problems) {
        Console.Out << Command.FailureOutput(Problem.Path, Problem.Reason);
        Console.Err << Problem.Path << ": " << Problem.Reason << '\n';
      }
      throw TUsageError("no input found");
    }
    Command.CheckAllInputs(Found.Inputs);
    Entries = InputEntries(Found);
    if (Shard)
      Entries = ShardOf(std::move(Entries), *Shard);
    std::copy_if(Entries.begin(), Entries.end(), std::back_inserter(Inputs),
                 [](const TInput& Entry) { return Entry.Problem.empty(); });
    Command.Prepare(Inputs);
  } catch (const TUsageError& Error) {
    Console.Err << Title << ": " << Error.what() << '\n';
    return CliStatus::NotStarted;
  }

  const TJob Job = [&Command](const TInput& Input, TJobContext& Context) {
    return RunFile(Command, Input, Context);
  };
  const TDeliver Deliver = [&](std::size_t Index, const TJobOutcome& Outcome) {
    if (!Outcome.Failed)
      Command.Counted(Outcome.Result);
    Console.Out << (Outcome.Failed ? Command.FailureOutput(Entries[Index].Path, Outcome.Reason)
                                   : Outcome.Result.Output)
                << std::flush;
    for (const std::string& Warning : Outcome.Result.Warnings)
      Console.Err << Entries[Index].Path << ": warning: " << Warning << '\n';
    Console.Err << std::flush;
  };
  const std::vector<TJobOutcome> Outcomes =
      RunJobs(Entries, Options.Jobs, Job, Deliver, Console.ErrIsTerminal ? &Console.Err : nullptr);

  std::size_t Failed = 0;
  for (std::size_t i = 0; i < Outcomes.size(); ++i)
    if (Outcomes[i].Failed) {
      ++Failed;
      Console.Err << Entries[i].Path << ": " << Outcomes[i].Reason << '\n';
    }
  Console.Err << Command.SummaryLine(Outcomes.size() - Failed, Failed) << '\n' << std::flush;
  return Command.ExitStatus(Failed, Outcomes.size());
}

std::string CommandNames(const std::vector<std::unique_ptr<TSubcommand>>& Commands) {
  std::string Names;
  for (const auto& Command : Commands)
    Names += (Names.empty() ? "" : ", ") + Command->Name();
  return Names;
}

bool IsCommandWord(const std::string& Word) {
  return !Word.empty() &&
         std::all_of(Word.begin(), Word.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

} // namespace

std::vector<std::unique_ptr<TSubcommand>> Subcommands() {
  std::vector<std::unique_ptr<TSubcommand>> List;
  for (TSubcommandFactory Make : Registered)
    List.push_back(Make());
  return List;
}

bool IsCommandLineTool(const std::string& FirstParameter) {
  return FirstParameter == "--help" || FirstParameter == "--version" ||
         IsCommandWord(FirstParameter);
}

int RunCommandLine(const std::vector<std::string>& Args, const TConsole& Console) {
  const std::vector<std::unique_ptr<TSubcommand>> Commands = Subcommands();
  CLI::App App(ProgramDescription, ProgramName);
  App.set_help_flag("-h,--help", "Print this help and exit");
  App.set_version_flag("--version", ProgramName + " " + VELASTRIN_VERSION);
  App.require_subcommand(1);
  App.footer(ProgramFooter);
  App.formatter(std::make_shared<CLI::Formatter>());
  App.get_formatter()->column_width(12); // the command names are short
  std::vector<TFrameOptions> Options(Commands.size());
  std::vector<CLI::App*> Parsers;
  for (std::size_t i = 0; i < Commands.size(); ++i) {
    CLI::App* Parser = App.add_subcommand(Commands[i]->Name(), Commands[i]->Description());
    Parser->formatter(std::make_shared<CLI::Formatter>());
    Parser->footer(""); // not the program's
    Parser->set_help_flag("-h,--help", "Print this help and exit");
    Parser->set_version_flag("--version", ProgramName + " " + VELASTRIN_VERSION);
    Commands[i]->AddOptions(*Parser);
    AddFrameOptions(*Parser, Options[i]);
    Parsers.push_back(Parser);
  }

  const std::string First = Args.size() > 1 ? Args[1] : "";
  const auto Known = std::find_if(Commands.begin(), Commands.end(),
                                  [&](const auto& Command) { return Command->Name() == First; });
  if (First.empty() || (First[0] != '-' && Known == Commands.end())) {
    Console.Err << ProgramName << ": "
                << (First.empty() ? "no command given"
                                  : "unknown command \"" + First + "\" (and no file of that name)")
                << "; the commands are " << CommandNames(Commands) << " (see \"" << ProgramName
                << " --help\")\n";
    return CliStatus::NotStarted;
  }
  // CLI11 takes the arguments in reverse order.
  std::vector<std::string> Rest(Args.rbegin(), Args.rend() - 1);
  try {
    App.parse(Rest);
  } catch (const CLI::CallForHelp&) {
    Console.Out << App.help(); // the help of the command named, if any
    return CliStatus::Success;
  } catch (const CLI::CallForVersion&) {
    Console.Out << ProgramName << " " << VELASTRIN_VERSION << '\n';
    return CliStatus::Success;
  } catch (const CLI::ParseError& Error) {
    const std::string Title = Known == Commands.end() ? ProgramName : ProgramName + " " + First;
    // The usage first: the reason stays the last line of a batch job's log.
    Console.Err << App.help() << '\n' << Title << ": " << Error.what();
    if (Known == Commands.end())
      Console.Err << "; the commands are " << CommandNames(Commands);
    Console.Err << '\n';
    return CliStatus::NotStarted;
  }
  for (std::size_t i = 0; i < Commands.size(); ++i)
    if (Parsers[i]->parsed())
      return RunSubcommand(*Commands[i], Options[i], Console);
  return CliStatus::NotStarted; // require_subcommand leaves no other way
}

int RunCommandLine(int argc, char** argv) {
  InstallInterruptCleanup();
  InitFormatSettingsFromEnvironment();
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> Args(argv, argv + argc);
  return RunCommandLine(Args, TConsole{std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1});
}

} // namespace velastrin::cli
