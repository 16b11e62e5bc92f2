#include "cli/tests/CliTestSupport.h"

#include "cli/CommandLine.h"
#include "export/tests/ExportTestSupport.h"

#include <csignal>
#include <fcntl.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace velastrin::testing {

TCliRun RunCli(const std::vector<std::string>& Args) {
  std::vector<std::string> All{"velastrin"};
  All.insert(All.end(), Args.begin(), Args.end());
  std::ostringstream Out, Err;
  TCliRun Run;
  Run.Status = cli::RunCommandLine(All, cli::TConsole{Out, Err, false});
  Run.Out = Out.str();
  Run.Err = Err.str();
  return Run;
}

TCliRun RunChild(const std::string& Exe, const std::vector<std::string>& Args,
                 const std::function<bool()>& SignalWhen, const std::string& Cwd) {
  TTempDir Dir;
  const std::string OutName = Dir.File("stdout"), ErrName = Dir.File("stderr");
  std::vector<std::string> Env;
  for (char** E = environ; *E; ++E) {
    const std::string V = *E;
    if (V.rfind("DISPLAY=", 0) != 0 && V.rfind("WAYLAND_DISPLAY=", 0) != 0 &&
        V.rfind("QT_QPA_PLATFORM=", 0) != 0)
      Env.push_back(V);
  }
  std::vector<std::string> Argv{Exe};
  Argv.insert(Argv.end(), Args.begin(), Args.end());
  const pid_t Pid = ::fork();
  if (Pid == 0) {
    const int Out = ::open(OutName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int Err = ::open(ErrName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(Out, 1);
    ::dup2(Err, 2);
    if (!Cwd.empty() && ::chdir(Cwd.c_str()) != 0)
      ::_exit(126);
    // The test runner may have the signals blocked; the child starts with a clean mask.
    sigset_t None;
    sigemptyset(&None);
    ::sigprocmask(SIG_SETMASK, &None, nullptr);
    std::vector<char*> A, E;
    for (std::string& S : Argv)
      A.push_back(S.data());
    A.push_back(nullptr);
    for (std::string& S : Env)
      E.push_back(S.data());
    E.push_back(nullptr);
    ::execve(Exe.c_str(), A.data(), E.data());
    ::_exit(127);
  }
  int Status = 0;
  bool Reaped = false;
  while (SignalWhen) {
    if (::waitpid(Pid, &Status, WNOHANG) == Pid) {
      Reaped = true;
      break;
    }
    if (SignalWhen()) {
      ::kill(Pid, SIGTERM);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (!Reaped)
    ::waitpid(Pid, &Status, 0);
  TCliRun Run;
  Run.Status = WIFEXITED(Status) ? WEXITSTATUS(Status) : 128 + WTERMSIG(Status);
  Run.Out = ReadFile(OutName);
  Run.Err = ReadFile(ErrName);
  return Run;
}

} // namespace velastrin::testing
