// scenario_launcher: runs a Windows program as its child and ends it with TerminateProcess when
// told, which is how the scenario driver kills the Windows build of the player under Wine at a
// moment of its choosing (the driver, a Linux program, cannot call TerminateProcess itself).
//
//   scenario_launcher.exe TERMINATE-LINE PROGRAM [ARG...]
//
// Passes its standard input on to the child line by line, except a line equal to
// TERMINATE-LINE, on which it terminates the child. The child writes to the launcher's own
// standard output and error. The child is in a job object that ends it if the launcher itself
// is killed. Exit status: the child's (kTerminated after TerminateProcess), or 2 when the child
// cannot be started.
#include <windows.h>

#include <cstdio>
#include <string>
#include <string_view>

namespace {

constexpr UINT kTerminated = 137;  // as a shell reports a process ended by SIGKILL
constexpr int kCannotStart = 2;

// One argument quoted for CreateProcessW's command line, as the C runtime splits it again.
std::wstring quoted(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos)
    return arg;
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote escaped; elsewhere they are literal.
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

struct Relay {
  HANDLE input;        // the launcher's standard input
  HANDLE child_input;  // the write end of the child's standard input
  HANDLE child;        // the child process
  std::string terminate_line;
};

// Passes lines on until the input ends, then closes the child's input.
DWORD WINAPI relay_input(void* argument) {
  const Relay& relay = *static_cast<const Relay*>(argument);
  std::string pending;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(relay.input, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
    pending.append(buffer, got);
    for (std::size_t end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
      std::string line = pending.substr(0, end + 1);
      pending.erase(0, end + 1);
      std::string_view text(line.data(), end);
      if (!text.empty() && text.back() == '\r')
        text.remove_suffix(1);
      if (text == relay.terminate_line) {
        TerminateProcess(relay.child, kTerminated);
        continue;
      }
      DWORD written = 0;
      WriteFile(relay.child_input, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
  }
  CloseHandle(relay.child_input);
  return 0;
}

HANDLE inheritable(HANDLE handle) {
  HANDLE copy = nullptr;
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE ||
      !DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, TRUE,
                       DUPLICATE_SAME_ACCESS)) {
    return nullptr;
  }
  return copy;
}

// A job that ends its processes when its last handle closes, as when the launcher is killed.
HANDLE killing_job() {
  HANDLE job = CreateJobObjectW(nullptr, nullptr);
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (job != nullptr &&
      !SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits))) {
    CloseHandle(job);
    job = nullptr;
  }
  return job;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fputs("usage: scenario_launcher TERMINATE-LINE PROGRAM [ARG...]\n", stderr);
    return kCannotStart;
  }
  std::wstring command_line;
  for (int i = 2; i < argc; ++i)
    command_line += (i > 2 ? L" " : L"") + quoted(argv[i]);

  SECURITY_ATTRIBUTES attributes{sizeof(attributes), nullptr, TRUE};
  HANDLE child_input = nullptr;
  HANDLE input_writer = nullptr;
  if (!CreatePipe(&child_input, &input_writer, &attributes, 0) ||
      !SetHandleInformation(input_writer, HANDLE_FLAG_INHERIT, 0)) {
    std::fprintf(stderr, "scenario_launcher: CreatePipe failed (%lu)\n", GetLastError());
    return kCannotStart;
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = child_input;
  startup.hStdOutput = inheritable(GetStdHandle(STD_OUTPUT_HANDLE));
  startup.hStdError = inheritable(GetStdHandle(STD_ERROR_HANDLE));
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED,
                      nullptr, nullptr, &startup, &process)) {
    std::fprintf(stderr, "scenario_launcher: cannot start %ls (%lu)\n", argv[2], GetLastError());
    return kCannotStart;
  }
  HANDLE job = killing_job();
  if (job != nullptr)
    AssignProcessToJobObject(job, process.hProcess);
  ResumeThread(process.hThread);
  CloseHandle(process.hThread);
  CloseHandle(child_input);

  std::string terminate;  // ASCII, as the driver writes it
  for (const wchar_t* c = argv[1]; *c != L'\0'; ++c)
    terminate += static_cast<char>(*c);
  static Relay relay{GetStdHandle(STD_INPUT_HANDLE), input_writer, process.hProcess, terminate};
  HANDLE relay_thread = CreateThread(nullptr, 0, relay_input, &relay, 0, nullptr);
  if (relay_thread == nullptr)
    CloseHandle(input_writer);  // the child reads no commands, and so ends

  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = kCannotStart;
  GetExitCodeProcess(process.hProcess, &status);
  std::fflush(stdout);
  return static_cast<int>(status);
}
