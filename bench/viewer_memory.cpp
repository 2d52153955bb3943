// Pastrel's memory over 1,000 formatted copies with the floating button's viewer open (widened, so that it shows
// every copy) and with the button closed: a resident program must stay flat.
#include "e2e_support.h"

#include <psapi.h>

#include <cstdio>

namespace {

constexpr int kWarmUpCopies = 100;
constexpr int kCopies = 1000;
constexpr int kStep = 200;

PROCESS_MEMORY_COUNTERS Memory(PastrelProcess& pastrel) {
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(pastrel.Handle(), &counters, sizeof(counters));
    return counters;
}

// Copies formatted text `count` times, each once Pastrel has rewritten the one before; the copies that were not
// rewritten within 3 s.
int CopyRounds(ForeignApp& app, PastrelProcess& pastrel, int count, int first) {
    int missed = 0;
    for (int i = 0; i < count; ++i) {
        std::wstring text = L"Copy " + std::to_wstring(first + i) + L" of a heading, bold and in colour";
        if (!app.CopyFormattedText(text) || !WaitForRewrite(pastrel.Window())) ++missed;
    }
    return missed;
}

void Measure(bool viewerOpen) {
    StoreSetting(L"SHOW_FLOATING", viewerOpen ? 1 : 0);
    StoreSetting(L"WIDTH_FLOATING", 420);
    StoreSetting(L"HEIGHT_FLOATING", 160);
    ForeignApp app;
    PastrelProcess pastrel;
    if (!pastrel.Window()) {
        printf("Pastrel did not start\n");
        return;
    }
    // The first copies fill what Wine's clipboard and the controls keep once (the X import, caches).
    int missed = CopyRounds(app, pastrel, kWarmUpCopies, 0);
    PumpFor(500);
    PROCESS_MEMORY_COUNTERS before = Memory(pastrel);
    printf("%s working set after each %d copies (MB): %.2f", viewerOpen ? "viewer open:  " : "button closed:", kStep,
           before.WorkingSetSize / 1048576.0);
    for (int done = 0; done < kCopies; done += kStep) {
        missed += CopyRounds(app, pastrel, kStep, kWarmUpCopies + done);
        printf(" %.2f", Memory(pastrel).WorkingSetSize / 1048576.0);
    }
    PumpFor(500);
    PROCESS_MEMORY_COUNTERS after = Memory(pastrel);
    double workingSet = static_cast<double>(after.WorkingSetSize) - static_cast<double>(before.WorkingSetSize);
    double privateBytes = static_cast<double>(after.PagefileUsage) - static_cast<double>(before.PagefileUsage);
    printf("\n  over %d copies: working set %+.2f MB (%+.2f KB a copy), private %+.2f MB; %d not rewritten\n", kCopies,
           workingSet / 1048576.0, workingSet / 1024.0 / kCopies, privateBytes / 1048576.0, missed);
    pastrel.Stop();
}

} // namespace

int main() {
    ClearStoredSettings();
    StoreSetting(L"NoOpeningDlg", 1);
    printf("memory over %d formatted copies after %d to warm up:\n", kCopies, kWarmUpCopies);
    Measure(true);
    Measure(false);
    ClearStoredSettings();
    return 0;
}
