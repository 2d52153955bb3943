#include "about/about_dialog.h"

#include "about/about_ids.h"
#include "about/environment_report.h"
#include "base/clipboard_text.h"
#include "base/handles.h"
#include "base/program.h"
#include "base/text.h"
#include "res/resource.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdarg>
#include <cwchar>

namespace {

constexpr size_t kTemplateBlockSize = 2048;
constexpr UINT kLinkLockMs = 1000;
constexpr int kVersionLineMax = 299;

const wchar_t* Pick(const Text& text, bool japanese) { return japanese ? text.ja : text.en; }

constexpr Text kTitle{L"バージョン情報", L"About"};
constexpr Text kFontName{L"MS UI Gothic", L"MS Sans Serif"};
constexpr Text kFeedbackLink{L"<a id=\"feedback\">フィードバック受付</a>", L"<a id=\"feedback\">Feedback</a>"};
constexpr Text kContributionLink{L"<a id=\"kifu\">開発支援金の受付について</a>", L"<a id=\"kifu\">Contribution</a>"};
constexpr Text kClose{L"閉じる(&C)", L"&Close"};
constexpr Text kEnvironment{L"環境情報の表示(問合せの際にご活用下さい)(&E)", L"&Environment Information"};
constexpr Text kContactLabel{L"[連絡先]", L"[Contact]"};
constexpr Text kCannotOpenLink{L"%lsを開けませんでした。\n上記のURLを直接開いて下さい。", L"Cannot open a browser."};
constexpr Text kReportCaption{L"環境情報の表示(簡易版)", L"EnvProbe"};
constexpr Text kCopyPrompt{L"クリップボードにコピーする場合は[OK]ボタンを押して下さい。",
                           L"Please click the [OK] button to copy to clipboard."};
constexpr wchar_t kMailNote[] =
    L"　メールフィルタやサーバによるドメイン着信拒否の対象になっていることがあります。質問しているのに返信がなかなか"
    L"届かない場合は、ごみ箱や迷惑メールフォルダを確認するか、フィルタ作成者・サーバ管理者にご相談下さい。";

constexpr Text kNotice{
    L"　パストレルは、コピーした文字列から色や大きさなどの書式を取り除き、貼り付けたときに書式のない文字列になるよ"
    L"うにするソフトウェアです。文字列の変換や整形も行えます。\r\n"
    L"　パストレルはフリーソフトウェアです。目的を問わず無料でお使いいただけます。ただし、このソフトウェアを使用"
    L"したことによって生じたいかなる損害についても、制作元は一切の責任を負いません。\r\n"
    L"　雑誌・ウェブサイトなどでの紹介や再配布は、事前の許可なしに自由に行っていただけます(開発版の再配布はご遠"
    L"慮下さい)。本ソフトウェアに関する権利には日本国の法律が適用されます。アイコンや画面写真はご自由にお使い下さ"
    L"い。詳しくはヘルプをご覧下さい。\r\n"
    L"　Windows、Windows NT は米国 Microsoft Corporation の米国およびその他の国における登録商標です。\r\n"
    L"　その他、記載されている会社名、製品名は各社の商標または登録商標です。",
    L" Pastrel removes colour, size and other formatting from the text you copy, so that it pastes as plain text. "
    L"It can also convert and arrange the text.\r\n"
    L" Pastrel is free software: you may use it free of charge for any purpose. The maker accepts no liability for "
    L"any damage that arises from using it.\r\n"
    L" You may introduce and redistribute Pastrel freely, without asking first (please do not redistribute "
    L"development versions). The rights in the program are governed by the laws of Japan. You may use its icon and "
    L"screen shots. See the help for details.\r\n"
    L" Windows and Windows NT are registered trademarks of Microsoft Corporation in the United States and other "
    L"countries.\r\n"
    L" Other company and product names are trademarks or registered trademarks of their respective owners."};

const Tooltip kTooltipsJa[] = {
    {IDC_ABOUT_CONTRIBUTION, L"開発支援金の受付について詳細を表示します。インターネット接続が必要です"},
    {IDCANCEL, L"このダイアログを閉じます"},
    {IDC_ABOUT_ENVIRONMENT, L"環境情報を表示します。制作元に質問を出す場合には、これで表示された情報を添付して下さい"},
    {IDC_ABOUT_FEEDBACK, L"制作元へ連絡、感想、改善要望あるいは現状維持要望などを気軽に送りたい場合に利用します。"
                         L"インターネット接続が必要です"},
    {IDC_ABOUT_LINKS, L"ブラウザでサイトを開きます。インターネット接続が必要です"},
    {0, nullptr}};
const Tooltip kTooltipsEn[] = {{IDC_ABOUT_CONTRIBUTION, L"About contribution"},
                               {IDCANCEL, L"Closes this dialog box."},
                               {IDC_ABOUT_ENVIRONMENT, L"Displays Information of this environment."},
                               {IDC_ABOUT_FEEDBACK, L"Opens feedback page."},
                               {0, nullptr}};

std::wstring Format(const wchar_t* format, ...) {
    wchar_t text[4096];
    va_list args;
    va_start(args, format);
    int length = vswprintf(text, ARRAYSIZE(text), format, args);
    va_end(args);
    return length > 0 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

// Writes a classic dialog template into a fixed block; anything that would not fit makes the whole template fail
// instead of running past the block.
class TemplateWriter {
public:
    TemplateWriter(BYTE* block, size_t size) : block_(block), size_(size) {}
    bool Ok() const { return ok_; }
    void Word(WORD value) { Bytes(&value, sizeof(value)); }
    void Dword(DWORD value) { Bytes(&value, sizeof(value)); }
    void Short(short value) { Bytes(&value, sizeof(value)); }
    void String(const wchar_t* text) { Bytes(text, (wcslen(text) + 1) * sizeof(wchar_t)); }
    void AlignToDword() { offset_ = (offset_ + 3) & ~size_t{3}; }
    void Place(short x, short y, short cx, short cy) {
        Short(x);
        Short(y);
        Short(cx);
        Short(cy);
    }

private:
    void Bytes(const void* data, size_t count) {
        if (!ok_ || offset_ + count > size_) {
            ok_ = false;
            return;
        }
        memcpy(block_ + offset_, data, count);
        offset_ += count;
    }
    BYTE* block_;
    size_t size_;
    size_t offset_ = 0;
    bool ok_ = true;
};

constexpr WORD kButtonAtom = 0x0080, kEditAtom = 0x0081, kStaticAtom = 0x0082;

struct ItemSpec {
    WORD id;
    const wchar_t* className; // null: the atom
    WORD atom;
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
    std::wstring text;
};

void WriteItem(TemplateWriter& out, const ItemSpec& item) {
    out.AlignToDword();
    out.Dword(WS_CHILD | WS_VISIBLE | item.style);
    out.Dword(item.exStyle);
    out.Place(item.x, item.y, item.cx, item.cy);
    out.Word(item.id);
    if (item.className) {
        out.String(item.className);
    } else {
        out.Word(0xFFFF);
        out.Word(item.atom);
    }
    out.String(item.text.c_str());
    out.Word(0); // no creation data
}

bool WriteAboutTemplate(BYTE* block, size_t size, bool japanese, int iconId) {
    const std::wstring iconName = Format(L"#%d", iconId);
    const ItemSpec items[] = {
        {IDC_ABOUT_FEEDBACK, WC_LINK, 0, WS_TABSTOP, 0, 42, 145, 70, 10, Pick(kFeedbackLink, japanese)},
        {IDC_ABOUT_CONTRIBUTION, WC_LINK, 0, WS_TABSTOP, 0, 126, 145, 80, 10, Pick(kContributionLink, japanese)},
        {IDC_ABOUT_NOTICE, nullptr, kEditAtom, WS_VSCROLL | WS_TABSTOP | ES_READONLY | ES_MULTILINE, WS_EX_CLIENTEDGE,
         7, 156, 225, 80, L"(NULL)"},
        {IDCANCEL, nullptr, kButtonAtom, BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 7, 240, 50, 14, Pick(kClose, japanese)},
        {IDC_ABOUT_ENVIRONMENT, nullptr, kButtonAtom, BS_PUSHBUTTON | WS_TABSTOP, 0, 60, 240, 172, 14,
         Pick(kEnvironment, japanese)},
        {IDC_ABOUT_ICON, nullptr, kStaticAtom, SS_ICON, 0, 7, 7, 32, 32, iconName},
        {IDC_ABOUT_VERSION, nullptr, kEditAtom, WS_TABSTOP | ES_READONLY | ES_MULTILINE, 0, 35, 7, 197, 37, L"(NULL)"},
        {IDC_ABOUT_LINKS, WC_LINK, 0, WS_TABSTOP, 0, 7, 46, 225, 98, L"(NULL)"},
    };
    TemplateWriter out(block, size);
    out.Dword(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER);
    out.Dword(0);
    out.Word(ARRAYSIZE(items));
    out.Place(0, 0, 239, 261);
    out.Word(0); // no menu
    out.Word(0); // the dialog class
    out.String(Pick(kTitle, japanese));
    out.Word(japanese ? 9 : 8);
    out.String(Pick(kFontName, japanese));
    for (const ItemSpec& item : items) WriteItem(out, item);
    return out.Ok();
}

// The About box's state while it is open.
struct AboutState {
    const AboutInfo* info;
    bool linksLocked = false; // for a second after a link opened: the page is on its way
};

bool StartsWithNoCase(const std::wstring& text, const wchar_t* prefix) {
    size_t length = wcslen(prefix);
    return text.size() >= length && _wcsnicmp(text.c_str(), prefix, length) == 0;
}

// Ctrl+A in the notice selects all of it, which a multi-line edit does not do on its own.
LRESULT CALLBACK NoticeProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == WM_CHAR && wParam == 1) {
        SendMessageW(edit, EM_SETSEL, 0, -1);
        return 0;
    }
    if (message == WM_NCDESTROY) RemoveWindowSubclass(edit, NoticeProc, 0);
    return DefSubclassProc(edit, message, wParam, lParam);
}

INT_PTR OnInitDialog(HWND dialog, const AboutInfo& info) {
    const bool japanese = info.japanese != 0;
    VersionStrings strings = ReadVersionStrings(info.instance);
    std::wstring version = FormatVersionText(strings, info.productName, japanese);
    if (!version.empty()) {
        SetItemText(dialog, IDC_ABOUT_VERSION, version);
        SetItemText(dialog, IDC_ABOUT_LINKS, FormatLinksText(info));
    }
    SetItemText(dialog, IDC_ABOUT_NOTICE, info.aboutNotice);
    SetWindowSubclass(GetDlgItem(dialog, IDC_ABOUT_NOTICE), NoticeProc, 0, 0);
    if (!SendDlgItemMessageW(dialog, IDC_ABOUT_ICON, STM_GETICON, 0, 0))
        SendDlgItemMessageW(dialog, IDC_ABOUT_ICON, STM_SETICON,
                            reinterpret_cast<WPARAM>(LoadIconW(info.instance, MAKEINTRESOURCEW(info.iconId))), 0);
    if (info.feedbackAddress.empty()) ShowWindow(GetDlgItem(dialog, IDC_ABOUT_FEEDBACK), SW_HIDE);
    if (info.contributionAddress.empty()) {
        ShowWindow(GetDlgItem(dialog, IDC_ABOUT_CONTRIBUTION), SW_HIDE);
        SetFocus(GetDlgItem(dialog, IDCANCEL));
    } else {
        SetFocus(GetDlgItem(dialog, IDC_ABOUT_CONTRIBUTION));
    }
    AddTooltips(dialog, japanese ? kTooltipsJa : kTooltipsEn);
    return FALSE; // the focus is set
}

void LockLinks(HWND dialog, AboutState& state, bool locked) {
    state.linksLocked = locked;
    for (int id : {IDC_ABOUT_ENVIRONMENT, IDC_ABOUT_CONTRIBUTION, IDC_ABOUT_FEEDBACK}) EnableItem(dialog, id, !locked);
    if (locked) SetTimer(dialog, TIMER_ABOUT_LINK_LOCK, kLinkLockMs, nullptr);
    else KillTimer(dialog, TIMER_ABOUT_LINK_LOCK);
}

void OpenLink(HWND dialog, AboutState& state, int controlId, const std::wstring& id) {
    // Disabled controls get no clicks, but a click already queued still arrives: the flag decides.
    if (state.linksLocked && controlId != IDC_ABOUT_LINKS) return;
    LockLinks(dialog, state, true);
    const AboutInfo& info = *state.info;
    std::wstring target = id;
    if (id == L"kifu" && !info.contributionAddress.empty()) target = info.contributionAddress;
    if (id == L"feedback" && !info.feedbackAddress.empty()) target = info.feedbackAddress;
    wchar_t systemDirectory[MAX_PATH] = {};
    GetSystemDirectoryW(systemDirectory, MAX_PATH);
    HINSTANCE result = ShellExecuteW(dialog, L"open", target.c_str(), nullptr, systemDirectory, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(result) <= 32) {
        std::wstring text = Format(Pick(kCannotOpenLink, info.japanese != 0), id.c_str());
        MessageBoxW(dialog, text.c_str(), info.productName.c_str(), MB_OK | MB_ICONERROR);
    }
}

INT_PTR OnNotify(HWND dialog, AboutState& state, const NMHDR& header) {
    if (header.code != NM_CLICK && header.code != NM_RETURN) return FALSE;
    int id = static_cast<int>(header.idFrom);
    if (id != IDC_ABOUT_LINKS && id != IDC_ABOUT_CONTRIBUTION && id != IDC_ABOUT_FEEDBACK) return FALSE;
    OpenLink(dialog, state, id, reinterpret_cast<const NMLINK&>(header).item.szID);
    return TRUE;
}

void ShowCopyOutcome(HWND dialog, CopyOutcome outcome, bool japanese) {
    struct Row {
        CopyOutcome outcome;
        Text text;
        UINT icon;
    };
    static const Row kRows[] = {
        {CopyOutcome::Copied,
         {L"クリップボードへコピーしました。", L"Writing data to the clipboard is complete."},
         MB_ICONINFORMATION},
        // A failure is shown as one, whatever box the success uses.
        {CopyOutcome::SetDataFailed, {L"クリップボードへのコピーに失敗しました。", L"Clipboard error."}, MB_ICONERROR},
        {CopyOutcome::EmptyFailed, {L"クリップボードを空にできません。", L"EmptyClipboard error."}, MB_ICONERROR},
        {CopyOutcome::LockFailed, {L"GlobalLock失敗。", L"GlobalLock error."}, MB_ICONERROR},
        {CopyOutcome::OutOfMemory, {L"作業用のメモリが足りません。", L"Out of memory."}, MB_ICONERROR},
        {CopyOutcome::CannotOpen, {L"クリップボードを開けません。", L"Cannot open clipboard."}, MB_ICONERROR},
    };
    for (const Row& row : kRows)
        if (row.outcome == outcome)
            MessageBoxW(dialog, Pick(row.text, japanese), Pick(kReportCaption, japanese), MB_OK | row.icon);
}

void OnEnvironment(HWND dialog, const AboutState& state) {
    if (state.linksLocked) return;
    const bool japanese = state.info->japanese != 0;
    std::wstring client = ItemText(dialog, IDC_ABOUT_VERSION).substr(0, kVersionLineMax);
    for (size_t i = 0; i < client.size(); ++i)
        if (client[i] < L' ') {
            client.resize(i);
            break;
        }
    std::wstring report = AppendClientSection(BuildEnvironmentReport(), client);
    std::wstring shown = report + L"\r\n------------------------\r\n" + Pick(kCopyPrompt, japanese);
    if (MessageBoxW(dialog, shown.c_str(), Pick(kReportCaption, japanese), MB_OKCANCEL) != IDOK) return;
    ShowCopyOutcome(dialog, CopyReportToClipboard(report), japanese);
}

INT_PTR OnCommand(HWND dialog, AboutState& state, WORD id) {
    switch (id) {
    case IDCANCEL: EndDialog(dialog, 0); return TRUE;
    case IDC_ABOUT_ENVIRONMENT: OnEnvironment(dialog, state); return TRUE;
    }
    return FALSE;
}

INT_PTR AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, void* data) {
    auto& state = *static_cast<AboutState*>(data);
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog, *state.info);
    case WM_COMMAND: return OnCommand(dialog, state, LOWORD(wParam));
    case WM_NOTIFY: return OnNotify(dialog, state, *reinterpret_cast<const NMHDR*>(lParam));
    case WM_TIMER:
        if (wParam == TIMER_ABOUT_LINK_LOCK) LockLinks(dialog, state, false);
        return TRUE;
    case WM_DESTROY: KillTimer(dialog, TIMER_ABOUT_LINK_LOCK); return FALSE;
    }
    return FALSE;
}

std::wstring VersionValue(const void* data, const wchar_t* name) {
    std::wstring path = std::wstring(L"\\StringFileInfo\\041104b0\\") + name;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data, path.c_str(), &value, &length) || !value) return {};
    return static_cast<const wchar_t*>(value);
}

} // namespace

VersionStrings ReadVersionStrings(HINSTANCE module) {
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(path, &handle);
    if (size == 0) return {};
    std::string data(size, '\0');
    if (!GetFileVersionInfoW(path, 0, size, data.data())) return {};
    return {VersionValue(data.data(), L"FileVersion"), VersionValue(data.data(), L"SpecialBuild"),
            VersionValue(data.data(), L"PrivateBuild"), VersionValue(data.data(), L"LegalCopyright")};
}

std::wstring FormatVersionText(const VersionStrings& strings, const std::wstring& productName, bool japanese) {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (swscanf(strings.fileVersion.c_str(), L"%u.%u.%u.%u", &a, &b, &c, &d) != 4) return {};
    std::wstring special = strings.specialBuild;
    if (japanese && special == L"beta") special = L"β";
    if (japanese && special == L"alpha") special = L"α";
    return Format(L"%ls Version %u.%u.%u.%02u%ls (%ls)\r\n%ls", productName.c_str(), a, b, c, d, special.c_str(),
                  strings.privateBuild.c_str(), strings.legalCopyright.c_str());
}

std::wstring FormatLinksText(const AboutInfo& info) {
    const bool japanese = info.japanese != 0;
    const bool hasContact = !info.contactAddress.empty();
    const bool email = hasContact && !StartsWithNoCase(info.contactAddress, L"http://") &&
                       !StartsWithNoCase(info.contactAddress, L"https://");
    const wchar_t* contactLabel = !hasContact ? L"" : email ? L"[E-Mail]" : Pick(kContactLabel, japanese);
    return Format(L"%ls\r\n  <a id=\"%ls\">%ls</a>\r\n\r\n%ls\r\n  <a id=\"%ls%ls\">%ls</a>\r\n\r\n%ls\r\n%ls",
                  info.siteAddress.empty() ? L"" : L"[WebSite]", info.siteAddress.c_str(), info.siteAddress.c_str(),
                  contactLabel, email ? L"mailto:" : L"", info.contactAddress.c_str(), info.contactAddress.c_str(),
                  japanese && hasContact ? kMailNote : L"", info.extraText.c_str());
}

CopyOutcome CopyReportToClipboard(const std::wstring& text) {
    ClipboardSession clipboard(nullptr);
    if (!clipboard.IsOpen()) return CopyOutcome::CannotOpen;
    switch (WriteClipboardText(text.substr(0, kReportMaxChars), true)) {
    case ClipboardWriteResult::Ok: return CopyOutcome::Copied;
    case ClipboardWriteResult::AllocFailed: return CopyOutcome::OutOfMemory;
    case ClipboardWriteResult::LockFailed: return CopyOutcome::LockFailed;
    case ClipboardWriteResult::EmptyFailed: return CopyOutcome::EmptyFailed;
    case ClipboardWriteResult::SetFailed: break;
    }
    return CopyOutcome::SetDataFailed;
}

INT_PTR ShowAboutDialog(const AboutInfo& info) {
    GlobalBlock block{GlobalAlloc(GPTR, kTemplateBlockSize)};
    if (!block) return 0;
    auto* bytes = reinterpret_cast<BYTE*>(block.get()); // GPTR: the handle is the fixed block's address
    if (!WriteAboutTemplate(bytes, kTemplateBlockSize, info.japanese != 0, info.iconId)) return 0;
    AboutState state{&info};
    RunModalDialogFromTemplate(reinterpret_cast<const DLGTEMPLATE*>(bytes), info.owner, AboutProc, &state,
                               info.windowSlot);
    return 0;
}

INT_PTR RunAboutDialog() {
    const std::wstring site = kMakerSite;
    AboutInfo info;
    info.japanese = g_language.uiJapanese ? 1 : 0;
    info.iconId = IDI_APP;
    info.instance = g_resources.instance;
    info.productName = g_language.productTitle;
    info.siteAddress = site;
    info.contactAddress = site + kMakerContactPage;
    info.contributionAddress = site + kMakerContributionPage;
    info.aboutNotice = Tr(kNotice);
    info.feedbackAddress = site + kMakerFeedbackPage;
    info.windowSlot = DialogSlot::About;
    return ShowAboutDialog(info);
}
