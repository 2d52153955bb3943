// Throughput of the conversion stages on a large text, each alone and all together, plus the CSV step on a
// 1,000 x 1,000 table and the external filter's round trip. Writes the same content as UTF-8 files so that
// tools/bench.sh can time the standard tools on it. Prints "time <name> <seconds> <bytes>" lines and a summary.
#include "base/text.h"
#include "convert/csv.h"
#include "convert/definitions.h"
#include "convert/filter.h"
#include "convert/lines.h"
#include "convert/pipeline.h"
#include "convert/regex_stage.h"
#include "settings/settings.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <string>

namespace {

double Seconds() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Mixed ASCII, kana, kanji and full-width letters, tabs and leading/trailing blanks, CR LF and LF lines of varied
// length, with many repeated lines.
std::wstring MakeText(size_t units) {
    std::mt19937 random(2024);
    const std::wstring words[] = {L"clipboard", L"paste", L"テキスト", L"変換", L"漢字かな", L"ＡＢＣ１２３",
                                  L"data",      L"0042",  L"value",    L"ｶﾀｶﾅ", L"x"};
    std::vector<std::wstring> pool;
    for (int i = 0; i < 5000; ++i) {
        std::wstring line;
        if (random() % 4 == 0) line += L"  ";
        int n = static_cast<int>(random() % 12);
        for (int w = 0; w < n; ++w) {
            line += words[random() % ARRAYSIZE(words)];
            line += random() % 5 == 0 ? L'\t' : L' ';
        }
        if (random() % 3 == 0) line += L"   ";
        pool.push_back(line);
    }
    std::wstring text;
    text.reserve(units + 200);
    while (text.size() < units) {
        const std::wstring& line = pool[random() % (random() % 3 == 0 ? 50 : pool.size())];
        text += line;
        text += random() % 2 ? L"\r\n" : L"\n";
        if (random() % 10 == 0) text += L"\r\n"; // blank lines
    }
    text.resize(units);
    return text;
}

void WriteUtf8(const std::string& path, const std::wstring& text) {
    int bytes =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), bytes, nullptr, nullptr);
    std::ofstream(path, std::ios::binary).write(utf8.data(), static_cast<std::streamsize>(utf8.size()));
}

// Resident memory: under Wine the private-bytes counters of the own process are not kept up to date.
size_t PeakResidentBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return counters.PeakWorkingSetSize;
}

size_t ResidentBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return counters.WorkingSetSize;
}

void Report(const char* name, double seconds, size_t bytes) {
    printf("time %s %.4f %zu\n", name, seconds, bytes);
    fflush(stdout);
}

double Time(const std::function<void()>& work) {
    double start = Seconds();
    work();
    return Seconds() - start;
}

// The best of three: the first run of a size touches fresh memory, which the later ones find warm, as a resident
// program does for the copies after the first.
double BestOfThree(const std::function<void()>& work) {
    double best = 1e9;
    for (int run = 0; run < 3; ++run) best = std::min(best, Time(work));
    return best;
}

// Pipeline runs with only the given settings on, the best of three: the working memory of the first run is kept
// for the others, so the figure is the stages' own work, without touching fresh memory.
double TimeStage(const std::wstring& input, const std::function<void(SettingsRecord&)>& enable,
                 const std::wstring& conversion = L"") {
    Settings = SettingsRecord{};
    enable(Settings);
    ConversionBuffers buffers;
    std::wstring text;
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        text.assign(input);
        best = std::min(best, Time([&] { ConvertTextInPlace(conversion, text, buffers); }));
    }
    return best;
}

// The definition and regular-expression rows, also run alone when PASTREL_BENCH_STAGES=text is set.
void TimeTextStages(const std::wstring& text, size_t bytes) {
    Report("definition",
           TimeStage(
               text, [](SettingsRecord&) {}, L"BENCH"),
           bytes);
    Report("regex",
           TimeStage(text,
                     [](SettingsRecord& s) {
                         s.REP_REP = true;
                         s.REP_BEFORE = L"[ \\t]+$";
                         s.REP_NOTDOTNEWLINE = true;
                     }),
           bytes);
}

} // namespace

int main(int argc, char** argv) {
    std::string outDir = argc > 1 ? argv[1] : ".";
    g_language.uiJapanese = false;
    const size_t units = 32u << 20; // 64 MiB of UTF-16
    std::wstring text = MakeText(units);
    const size_t bytes = text.size() * sizeof(wchar_t);

    // A 20-rule conversion: full-width digits and some letters to ASCII.
    std::wstring def = L"BENCH\nbench\n";
    const wchar_t* from = L"０１２３４５６７８９ＡＢＣＤＥＦＧＨＩＪ";
    const wchar_t* to = L"0123456789ABCDEFGHIJ";
    for (int i = 0; i < 20; ++i) def += std::wstring(1, from[i]) + L"\t" + std::wstring(1, to[i]) + L"\n";
    ConversionTable = ParseConversionDefinitions(def);
    if (const char* only = getenv("PASTREL_BENCH_STAGES"); only && strcmp(only, "text") == 0) {
        WriteUtf8(outDir + "\\text.txt", text);
        TimeTextStages(text, bytes);
        return 0;
    } else if (only && strcmp(only, "sort") == 0) {
        Report("split_join", TimeStage(text, [](SettingsRecord& s) { s.LC_LF = true; }), bytes);
        Report("sort", TimeStage(text, [](SettingsRecord& s) { s.FEL_SORTASC = true; }), bytes);
        return 0;
    }

    // All stages together first, in fresh memory, so that the peak memory is the pipeline's. Converted as Pastrel
    // converts a copy: in place, in the text it read, with working memory of the run's own.
    auto allStages = [](SettingsRecord& s) {
        s.DelTab = true;
        s.REP_REP = true;
        s.REP_BEFORE = L"[ \\t]+$";
        s.REP_NOTDOTNEWLINE = true;
        s.FEL_TRIMLEFT = s.FEL_TRIMRIGHT = s.FEL_SORTASC = s.FEL_UNIQ = s.FEL_DELBLANKLINE = s.TAB8SPACE = true;
    };
    std::wstring read = text;
    size_t before = ResidentBytes();
    Settings = SettingsRecord{};
    allStages(Settings);
    Report("all_first_run", Time([&] {
               ConversionBuffers buffers;
               ConvertTextInPlace(L"BENCH", read, buffers);
           }),
           bytes);
    size_t peak = PeakResidentBytes();
    printf("peak resident memory of the whole pipeline beyond the text it converts: %.2f x the text\n",
           (static_cast<double>(peak) - static_cast<double>(before)) / static_cast<double>(bytes));
    std::wstring().swap(read);
    Report("all", TimeStage(text, allStages, L"BENCH"), bytes);

    WriteUtf8(outDir + "\\text.txt", text);
    Report("split_join", TimeStage(text, [](SettingsRecord& s) { s.LC_LF = true; }), bytes);
    Report("delete", TimeStage(text, [](SettingsRecord& s) { s.DelSpace = true; }), bytes);
    Report("trim", TimeStage(text, [](SettingsRecord& s) { s.FEL_TRIMLEFT = s.FEL_TRIMRIGHT = true; }), bytes);
    Report("sort", TimeStage(text, [](SettingsRecord& s) { s.FEL_SORTASC = true; }), bytes);
    Report("uniq", TimeStage(text, [](SettingsRecord& s) { s.FEL_UNIQ = true; }), bytes);
    Report("blank", TimeStage(text, [](SettingsRecord& s) { s.FEL_DELBLANKLINE = true; }), bytes);
    Report("tabs", TimeStage(text, [](SettingsRecord& s) { s.TAB8SPACE = true; }), bytes);
    TimeTextStages(text, bytes);

    // The pieces alone.
    LineList lines;
    std::wstring joined;
    Report("split_only", BestOfThree([&] { SplitLines(text, lines); }), bytes);
    Report("join_only", BestOfThree([&] { JoinLines(lines, L"\r\n", joined); }), bytes);
    Report("sort_only", BestOfThree([&] {
               LineList copy = lines;
               SortAscending(copy);
           }),
           bytes);

    // 1,000 x 1,000 table.
    std::wstring table;
    std::mt19937 random(7);
    for (int r = 0; r < 1000; ++r) {
        for (int c = 0; c < 1000; ++c) {
            if (c) table += L',';
            table += std::to_wstring(random() % 100000) + L"." + std::to_wstring(random() % 100);
        }
        table += L"\n";
    }
    WriteUtf8(outDir + "\\table.csv", table);
    const size_t tableBytes = table.size() * sizeof(wchar_t);
    Report("transpose", TimeStage(table, [](SettingsRecord& s) { s.CSVTSV_CHANGEROWCOL = true; }), tableBytes);
    Report("multiply", TimeStage(table, [](SettingsRecord& s) { s.MUL_BY_N = L"2"; }), tableBytes);

    // The filter's round trip through a trivial command, and the command run alone.
    std::string tool = argc > 2 ? argv[2] : "filter_tool.exe";
    SettingsRecord filter;
    filter.USE_CMDLINE = true;
    filter.CMDLINE_CHARCODE = 2;
    filter.CMDLINE = std::wstring(tool.begin(), tool.end()) + L" upper";
    for (size_t size : {size_t(512), size_t(8u << 20)}) {
        std::wstring input = text.substr(0, size);
        double best = 1e9;
        for (int run = 0; run < 5; ++run) {
            std::wstring work = input;
            best = std::min(best, Time([&] { RunExternalFilter(filter, work); }));
        }
        Report(size < 1000 ? "filter_1KB" : "filter_16MB", best, size * sizeof(wchar_t));
    }
    double bare = 1e9;
    for (int run = 0; run < 5; ++run) {
        std::wstring command = L"CMD.EXE /C " + filter.CMDLINE + L" < NUL > NUL";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info{};
        bare = std::min(bare, Time([&] {
                            if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                               &startup, &info)) {
                                WaitForSingleObject(info.hProcess, INFINITE);
                                CloseHandle(info.hProcess);
                                CloseHandle(info.hThread);
                            }
                        }));
    }
    Report("command_alone", bare, 0);
    return 0;
}
