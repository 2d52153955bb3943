#include "convert/filter.h"

#include "base/handles.h"
#include "base/text.h"
#include "settings/settings.h"

#include <new>

namespace {

constexpr Text kCannotCreateInput{L"パイプ入力用のファイルを作成できません。", L"Cannot create a file for in-pipe."};
constexpr Text kNoMemoryForCommand{L"パイプ入出力のためのコマンドライン生成に必要なメモリが足りません。",
                                   L"Out of memory."};
constexpr Text kCannotCreateProcess{L"コマンドラインを実行するためのプロセスを生成できません。",
                                    L"Cannot create a new process."};
constexpr Text kCannotOpenOutput{L"コマンドラインの出力結果を開けません。", L"Cannot open a file for out-pipe."};
constexpr Text kNoMemoryForOutput{L"コマンドラインの出力結果を取得するためのメモリを確保できません。",
                                  L"Out of memory for reading pipe."};
constexpr Text kCannotReadOutput{L"コマンドラインの出力結果を取得できません。", L"Cannot read a file for out-pipe."};
constexpr Text kTimedOut{
    L"コマンドラインが30秒以内に終了しなかったため、強制終了しました。テキストは変換前のままです。",
    L"The command line did not end within 30 seconds and was stopped; the text was left as it "
    L"was."};

constexpr const wchar_t* kFilePrefixes[] = {L"PZI", L"PZO", L"PZE"};

// The command that runs now, so that a closing program can end it and remove its files.
struct RunningFilter {
    HANDLE job = nullptr;
    HANDLE process = nullptr;
    const TempFile* files[3] = {};
};
struct FilterState {
    FilterWait wait = nullptr;
    RunningFilter* running = nullptr;
};
FilterState filterState;

bool BlockingWait(HANDLE process, DWORD timeoutMs) { return WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0; }

enum class Encoding { Utf16, Utf8, Ansi };

Encoding EncodingOf(int charCode) {
    return charCode == 1 ? Encoding::Utf16 : charCode == 2 ? Encoding::Utf8 : Encoding::Ansi;
}

std::string Encode(const std::wstring& text, Encoding encoding) {
    const std::wstring::size_type length = text.find(L'\0') == std::wstring::npos ? text.size() : text.find(L'\0');
    if (encoding == Encoding::Utf16) return std::string(reinterpret_cast<const char*>(text.data()), length * 2);
    UINT codePage = encoding == Encoding::Utf8 ? CP_UTF8 : CP_ACP;
    if (length == 0) return {};
    int bytes = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string out(bytes > 0 ? static_cast<size_t>(bytes) : 0, '\0');
    if (bytes > 0)
        WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(length), out.data(), bytes, nullptr, nullptr);
    return out;
}

// The bytes up to the first zero (unit or byte), decoded; false when decoding fails.
bool Decode(const std::string& bytes, Encoding encoding, std::wstring& text) {
    text.clear();
    if (encoding == Encoding::Utf16) {
        size_t units = bytes.size() / 2;
        const char* p = bytes.data();
        size_t length = 0;
        while (length < units && (p[2 * length] != 0 || p[2 * length + 1] != 0)) ++length;
        text.resize(length);
        memcpy(text.data(), p, length * 2);
        return true;
    }
    size_t length = strnlen(bytes.data(), bytes.size());
    if (length == 0) return true;
    UINT codePage = encoding == Encoding::Utf8 ? CP_UTF8 : CP_ACP;
    DWORD flags = encoding == Encoding::Utf8 ? 0 : MB_PRECOMPOSED;
    if (length > 0x7FFFFFFF) return false;
    int units = MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(length), nullptr, 0);
    if (units <= 0) return false;
    text.resize(static_cast<size_t>(units));
    return MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(length), text.data(), units) > 0;
}

bool WriteAll(HANDLE file, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30)), written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

enum class ReadResult { Ok, OpenFailed, NoMemory, ReadFailed };

ReadResult ReadAll(const std::wstring& path, std::string& bytes) {
    FileHandle file{CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (!file) return ReadResult::OpenFailed;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return ReadResult::ReadFailed;
    try {
        bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
    } catch (const std::exception&) {
        return ReadResult::NoMemory;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30)), got = 0;
        if (!ReadFile(file.get(), bytes.data() + done, chunk, &got, nullptr)) return ReadResult::ReadFailed;
        if (got == 0) break;
        done += got;
    }
    bytes.resize(done);
    return ReadResult::Ok;
}

TempFile MakeTempFile(const wchar_t* directory, const wchar_t* prefix) {
    wchar_t path[MAX_PATH + 1];
    if (!GetTempFileNameW(directory, prefix, 0, path)) return TempFile();
    return TempFile(path);
}

// CMD.EXE strips the first and the last quote of a /C command that begins with a quote; with /S and one outer pair
// around the whole command it strips exactly that pair, so a command such as "C:\Program Files\tool.exe" --x works.
std::wstring BuildCommandLine(const std::wstring& command, bool unicode, const std::wstring& in,
                              const std::wstring& out, const std::wstring& err) {
    std::wstring redirected = command + L" < \"" + in + L"\" > \"" + out + L"\" 2> \"" + err + L"\"";
    std::wstring head = unicode ? L"CMD.EXE /U /C " : L"CMD.EXE /C ";
    if (!command.empty() && command[0] == L'"')
        return (unicode ? L"CMD.EXE /U /S /C \"" : L"CMD.EXE /S /C \"") + redirected + L"\"";
    return head + redirected;
}

// The command runs in a job, so that on a time-out it and everything it started can be ended together. A command
// that ends normally keeps whatever it started in the background running.
enum class RunResult { Ended, CreateFailed, TimedOut };

// After ending a job, its processes may still hold the temporary files for a moment; they can be deleted only once
// the processes are gone.
void WaitUntilJobIsEmpty(HANDLE job, HANDLE process) {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
    for (int waited = 0; waited < 5000; waited += 10) {
        if (!job || !QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &accounting,
                                               sizeof(accounting), nullptr))
            break;
        if (accounting.ActiveProcesses == 0) return;
        Sleep(10);
    }
    WaitForSingleObject(process, 5000);
}

// Everything in the job ends when its last handle closes, so a program that is killed takes the command with it. A
// command that ends normally lifts the limit: what it started in the background goes on after the job is closed.
void SetKillOnClose(HANDLE job, bool kill) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = kill ? JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE : 0;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
}

// Ends the job's processes and waits until they are gone.
void EndJob(HANDLE job, HANDLE process) {
    if (job) TerminateJobObject(job, 1);
    TerminateProcess(process, 1);
    WaitUntilJobIsEmpty(job, process);
}

RunResult RunCommand(std::wstring commandLine, DWORD timeoutMs, DWORD& exitCode, RunningFilter& running) {
    KernelHandle job{CreateJobObjectW(nullptr, nullptr)};
    if (job) SetKillOnClose(job.get(), true);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_MINIMIZE;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS | CREATE_SUSPENDED,
                        nullptr, nullptr, &startup, &info))
        return RunResult::CreateFailed;
    KernelHandle process{info.hProcess}, thread{info.hThread};
    if (job && !AssignProcessToJobObject(job.get(), process.get())) job.reset();
    ResumeThread(thread.get());
    // No WaitForInputIdle: for a console command it returns at once, and for a command that starts a window it
    // would wait on messages this thread is not dispatching.
    running.job = job.get();
    running.process = process.get();
    bool ended = (filterState.wait ? filterState.wait : BlockingWait)(process.get(), timeoutMs);
    running.job = running.process = nullptr;
    if (ended) {
        if (!GetExitCodeProcess(process.get(), &exitCode)) exitCode = 0;
        if (job) SetKillOnClose(job.get(), false);
        return RunResult::Ended;
    }
    EndJob(job.get(), process.get());
    return RunResult::TimedOut;
}

bool IsIgnoredErrorText(const std::wstring& text) {
    return text.empty() || text == L" " || text == L"\n" || text == L"\r\n";
}

} // namespace

std::vector<std::wstring> RunExternalFilter(const SettingsRecord& settings, std::wstring& text, DWORD timeoutMs) {
    std::vector<std::wstring> warnings;
    const Encoding encoding = EncodingOf(settings.CMDLINE_CHARCODE);
    wchar_t directory[520];
    DWORD length = GetTempPathW(ARRAYSIZE(directory), directory);
    if (length == 0 || length >= ARRAYSIZE(directory)) directory[0] = L'\0';
    TempFile input = MakeTempFile(directory, kFilePrefixes[0]);
    TempFile output = MakeTempFile(directory, kFilePrefixes[1]);
    TempFile errors = MakeTempFile(directory, kFilePrefixes[2]);
    RunningFilter running;
    running.files[0] = &input;
    running.files[1] = &output;
    running.files[2] = &errors;
    filterState.running = &running;
    auto notRunning = MakeScopeExit([] { filterState.running = nullptr; });

    {
        FileHandle file{input.Path().empty() ? INVALID_HANDLE_VALUE
                                             : CreateFileW(input.Path().c_str(), GENERIC_WRITE, 0, nullptr,
                                                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
        if (!file) {
            warnings.push_back(Tr(kCannotCreateInput));
            return warnings;
        }
        WriteAll(file.get(), Encode(text, encoding));
    }

    std::wstring commandLine;
    try {
        commandLine =
            BuildCommandLine(settings.CMDLINE, encoding == Encoding::Utf16, input.Path(), output.Path(), errors.Path());
    } catch (const std::bad_alloc&) {
        warnings.push_back(Tr(kNoMemoryForCommand));
        return warnings;
    }
    DWORD exitCode = 0;
    switch (RunCommand(std::move(commandLine), timeoutMs, exitCode, running)) {
    case RunResult::Ended: break;
    case RunResult::CreateFailed: warnings.push_back(Tr(kCannotCreateProcess)); return warnings;
    case RunResult::TimedOut: warnings.push_back(Tr(kTimedOut)); return warnings;
    }

    std::string errorBytes;
    std::wstring errorText;
    bool reportsError = ReadAll(errors.Path(), errorBytes) == ReadResult::Ok && !errorBytes.empty() &&
                        Decode(errorBytes, encoding, errorText) && !IsIgnoredErrorText(errorText);
    std::string bytes;
    switch (ReadAll(output.Path(), bytes)) {
    case ReadResult::Ok: {
        // A command that could not run (a mistyped name: cmd exits with 9009) writes nothing but its complaint;
        // that must not erase the copy. A command that succeeds with no output still empties the text.
        if (bytes.empty() && reportsError && exitCode != 0) break;
        std::wstring decoded;
        if (bytes.empty() || !Decode(bytes, encoding, decoded)) text.clear();
        else text.swap(decoded);
        break;
    }
    case ReadResult::OpenFailed: warnings.push_back(Tr(kCannotOpenOutput)); break;
    case ReadResult::NoMemory: warnings.push_back(Tr(kNoMemoryForOutput)); break;
    case ReadResult::ReadFailed: warnings.push_back(Tr(kCannotReadOutput)); break;
    }
    if (reportsError) warnings.push_back(errorText);
    return warnings;
}

void SetFilterWait(FilterWait wait) { filterState.wait = wait; }

bool ExternalFilterRunning() { return filterState.running != nullptr; }

void CancelExternalFilter() {
    RunningFilter* running = filterState.running;
    if (!running) return;
    if (running->process) EndJob(running->job, running->process);
    for (const TempFile* file : running->files)
        if (file && !file->Path().empty()) DeleteFileW(file->Path().c_str());
}

void RemoveLeftoverFilterFiles() {
    wchar_t directory[520];
    DWORD length = GetTempPathW(ARRAYSIZE(directory), directory);
    if (length == 0 || length >= ARRAYSIZE(directory)) return;
    for (const wchar_t* prefix : kFilePrefixes) {
        std::wstring pattern = std::wstring(directory) + prefix + L"*.tmp";
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW(pattern.c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) continue;
        do {
            // A file still in use by a program the command left running stays.
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileW((std::wstring(directory) + found.cFileName).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
}
