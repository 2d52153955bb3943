// Copy-to-rewrite latency: from the other application's CloseClipboard until the formatted formats are gone, for
// texts of 1 KB, 1 MB and 64 MB copied with a short HTML and RTF markup, a 64 MB text with HTML as large beside it
// (all of which the rewrite keeps for the restore command), and Pastrel's peak memory.
#include "e2e_support.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

double Now() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

std::wstring SampleText(size_t bytes) {
    std::wstring text(bytes / sizeof(wchar_t), L'a');
    const wchar_t pattern[] = L"Pastrel　テキスト copy\tpaste ";
    for (size_t i = 0; i < text.size(); ++i) text[i] = (i % 80 == 79) ? L'\n' : pattern[i % (ARRAYSIZE(pattern) - 1)];
    return text;
}

// The copying application runs its own message loop on its own thread, as a real one does: the rewrite empties
// the clipboard, which asks the previous owner's window to let go of its data.
class CopyingApp {
public:
    CopyingApp() : done_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
        HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        thread_ = std::thread([this, ready] {
            ForeignApp app;
            window_ = app.Window();
            SetEvent(ready);
            MSG msg;
            while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
                if (msg.message == WM_APP) Copy();
                DispatchMessageW(&msg);
            }
        });
        WaitForSingleObject(ready, INFINITE);
        CloseHandle(ready);
    }
    ~CopyingApp() {
        PostMessageW(window_, WM_QUIT, 0, 0);
        thread_.join();
        CloseHandle(done_);
    }
    // Copies HTML, RTF and the text; returns the time right after CloseClipboard. The HTML is a short markup unless
    // given.
    double CopyFormatted(const std::string* data, const std::string* html = nullptr) {
        data_ = data;
        html_ = html;
        PostMessageW(window_, WM_APP, 0, 0);
        WaitForSingleObject(done_, INFINITE);
        return closedAt_;
    }

private:
    void Copy() {
        static const UINT html = HtmlFormat(), rtf = RtfFormat();
        static const std::string shortHtml("<b>x</b>", 9), shortRtf("{\\rtf1\\ansi{\\b x}}", 19);
        // Wine's own clipboard manager briefly opens the clipboard after each change to export it to X.
        while (!OpenClipboard(window_)) Sleep(1);
        EmptyClipboard();
        Set(html, html_ ? *html_ : shortHtml);
        Set(rtf, shortRtf);
        Set(CF_UNICODETEXT, *data_);
        CloseClipboard();
        closedAt_ = Now();
        SetEvent(done_);
    }

    static void Set(UINT format, const std::string& bytes) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
        memcpy(GlobalLock(block), bytes.data(), bytes.size());
        GlobalUnlock(block);
        SetClipboardData(format, block);
    }

    HANDLE done_;
    std::thread thread_;
    HWND window_ = nullptr;
    const std::string* data_ = nullptr;
    const std::string* html_ = nullptr;
    double closedAt_ = 0;
};

// Pastrel's private memory after a first small copy: Wine imports the X selection on the first clipboard session of
// a process, which stays out of the figures.
PROCESS_MEMORY_COUNTERS WarmUp(CopyingApp& app, PastrelProcess& pastrel) {
    UINT html = HtmlFormat();
    std::string warmUp = Bytes(L"warm-up");
    app.CopyFormatted(&warmUp);
    WaitUntil([&] { return !IsClipboardFormatAvailable(html) && GetClipboardOwner() == pastrel.Window(); }, 10000);
    PROCESS_MEMORY_COUNTERS rest{};
    GetProcessMemoryInfo(pastrel.Handle(), &rest, sizeof(rest));
    return rest;
}

double PrivateMb(const PROCESS_MEMORY_COUNTERS& counters, bool peak) {
    return static_cast<double>(peak ? counters.PeakPagefileUsage : counters.PagefileUsage) / 1048576.0;
}

// A 64 MB copy of one-character lines with the line re-copy on: the rewrite, the split and the cycle's keep.
void MeasureRecopyMemory(CopyingApp& app) {
    StoreSetting(L"MultiDiv", 1);
    StoreSetting(L"MultiDivSec", 10000);
    PastrelProcess pastrel;
    UINT html = HtmlFormat();
    auto rewritten = [&] { return !IsClipboardFormatAvailable(html) && GetClipboardOwner() == pastrel.Window(); };
    PROCESS_MEMORY_COUNTERS rest = WarmUp(app, pastrel);
    std::wstring lines;
    const size_t units = (64u << 20) / sizeof(wchar_t);
    lines.reserve(units);
    while (lines.size() + 3 <= units) lines += L"a\r\n";
    std::string data = Bytes(lines);
    app.CopyFormatted(&data);
    WaitUntil(rewritten, 60000);
    Sleep(1000); // the split follows the write
    PROCESS_MEMORY_COUNTERS after{};
    GetProcessMemoryInfo(pastrel.Handle(), &after, sizeof(after));
    double text = static_cast<double>(data.size()) / 1048576.0;
    printf("re-copy of %zu one-character lines (%.0f MB): peak private beyond rest %.2f x the text, kept during "
           "the cycle %.2f x\n",
           lines.size() / 3, text, (PrivateMb(after, true) - PrivateMb(rest, false)) / text,
           (PrivateMb(after, false) - PrivateMb(rest, false)) / text);
}

struct Sample {
    const char* label;
    size_t bytes;
    int runs;
};

// Times copies of each sample until Pastrel has rewritten them; prints one row a sample.
void MeasureLatency(CopyingApp& app, PastrelProcess& pastrel, const Sample* samples, size_t count,
                    bool htmlAsLarge = false) {
    UINT html = HtmlFormat();
    auto rewritten = [&] { return !IsClipboardFormatAvailable(html) && GetClipboardOwner() == pastrel.Window(); };
    printf("%-7s %8s %10s %10s %10s\n", "text", "runs", "median ms", "min ms", "max ms");
    for (const Sample* sample = samples; sample != samples + count; ++sample) {
        std::string data = Bytes(SampleText(sample->bytes));
        std::string markup = htmlAsLarge ? "<p>" + std::string(sample->bytes, 'h') + "</p>" : std::string();
        std::vector<double> times;
        for (int run = 0; run < sample->runs; ++run) {
            double closed = app.CopyFormatted(&data, htmlAsLarge ? &markup : nullptr);
            while (!rewritten() && Now() - closed < 60000) {
            }
            times.push_back(Now() - closed);
            // One copy at a time: the next comes after this one's export to X and its feedback.
            Sleep(sample->bytes > (1 << 20) ? 300 : 30);
        }
        std::sort(times.begin(), times.end());
        printf("%-7s %8zu %10.3f %10.3f %10.3f\n", sample->label, times.size(), times[times.size() / 2], times.front(),
               times.back());
    }
}

// The same with the floating button open and widened, so that its viewer shows every rewrite.
void MeasureLatencyWithViewer(CopyingApp& app) {
    StoreSetting(L"SHOW_FLOATING", 1);
    StoreSetting(L"WIDTH_FLOATING", 420);
    StoreSetting(L"HEIGHT_FLOATING", 160);
    PastrelProcess pastrel;
    WarmUp(app, pastrel);
    const Sample samples[] = {{"1 KB", 1024, 300}, {"1 MB", 1 << 20, 40}};
    printf("with the floating button's viewer open:\n");
    MeasureLatency(app, pastrel, samples, ARRAYSIZE(samples));
    pastrel.Stop();
    StoreSetting(L"SHOW_FLOATING", 0);
}

} // namespace

int main() {
    ClearStoredSettings();
    StoreSetting(L"NoOpeningDlg", 1);
    CopyingApp app;
    PastrelProcess pastrel;
    if (!pastrel.Window()) {
        printf("Pastrel did not start\n");
        return 1;
    }
    PROCESS_MEMORY_COUNTERS baseline = WarmUp(app, pastrel);
    const Sample samples[] = {{"1 KB", 1024, 300}, {"1 MB", 1 << 20, 40}, {"64 MB", 64u << 20, 5}};
    MeasureLatency(app, pastrel, samples, ARRAYSIZE(samples));
    PROCESS_MEMORY_COUNTERS peak{};
    GetProcessMemoryInfo(pastrel.Handle(), &peak, sizeof(peak));
    double text64 = 64.0 * 1024 * 1024;
    printf("Pastrel memory: working set at rest %.1f MB; peak working set %.1f MB, peak private %.1f MB\n",
           baseline.WorkingSetSize / 1048576.0, peak.PeakWorkingSetSize / 1048576.0,
           peak.PeakPagefileUsage / 1048576.0);
    printf("peak private bytes beyond rest per byte of the 64 MB text: %.2f\n",
           (static_cast<double>(peak.PeakPagefileUsage) - static_cast<double>(baseline.PagefileUsage)) / text64);
    const Sample large[] = {{"64 MB", 64u << 20, 5}};
    printf("with 64 MB of HTML beside the text (kept for the restore command):\n");
    MeasureLatency(app, pastrel, large, ARRAYSIZE(large), true);
    pastrel.Stop();
    MeasureLatencyWithViewer(app);
    MeasureRecopyMemory(app);
    return 0;
}
