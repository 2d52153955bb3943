#include "ui/combobox_queue.h"

#include "base/handles.h"
#include "settings/store.h"
#include "ui/dialog.h"

#include <algorithm>
#include <cstring>

namespace {

std::wstring Clipped(std::wstring text) {
    if (text.size() > static_cast<size_t>(kMaxTextLength)) text.resize(kMaxTextLength);
    return text;
}

// GetPrivateProfileString drops one pair of enclosing quotes and surrounding blanks: every value is written inside
// quotes so that a pattern such as " x" or "'a'" comes back as it was.
std::wstring QuotedForIni(const std::wstring& text) { return L"\"" + text + L"\""; }

} // namespace

bool PushHistoryEntry(std::vector<std::wstring>& items, const std::wstring& text) {
    // Equal means equal code units: a locale-aware comparison could take a different pattern for this one and
    // keep the old text in its place.
    auto found = std::find(items.begin(), items.end(), text);
    if (found != items.end()) {
        if (found == items.begin()) return false;
        std::rotate(items.begin(), found, found + 1);
        return true;
    }
    items.insert(items.begin(), text);
    if (items.size() > kHistoryCapacity) items.resize(kHistoryCapacity);
    return true;
}

std::vector<std::wstring> ParseMultiSz(const BYTE* data, size_t bytes) {
    std::vector<std::wstring> items;
    // Zero-filled and one unit longer than the data, so the last string always ends inside the buffer.
    std::wstring units(bytes / sizeof(wchar_t) + 1, L'\0');
    if (bytes >= sizeof(wchar_t)) std::memcpy(units.data(), data, (bytes / sizeof(wchar_t)) * sizeof(wchar_t));
    for (size_t pos = 0; pos < units.size() && items.size() < kHistoryCapacity;) {
        size_t end = units.find(L'\0', pos);
        if (end == pos) break;
        items.push_back(Clipped(units.substr(pos, end - pos)));
        pos = end + 1;
    }
    return items;
}

std::wstring BuildMultiSz(const std::vector<std::wstring>& items) {
    std::wstring data;
    for (const std::wstring& item : items) {
        data += item;
        data += L'\0';
    }
    data += L'\0';
    return data;
}

void ComboboxQueue::Bind(HWND combo, const wchar_t* listName, HKEY rootKey) {
    if (GetWindowLongW(combo, GWL_STYLE) & CBS_SORT)
        MessageBoxW(nullptr, L"Warning: Combobox Control has CBS_SORT style!", L"ComboboxQueue", MB_ICONERROR);
    items_.clear();
    combo_ = combo;
    listName_ = listName;
    rootKey_ = rootKey;
    location_ = rootKey ? kRegistryKeyPath : kIniFileName;
}

void ComboboxQueue::InitIni(HWND combo, const wchar_t* listName) {
    Bind(combo, listName, nullptr);
    // Room for the quotes around a value of the full length, which are dropped only after it was read.
    std::wstring buffer(kMaxTextLength + 3, L'\0');
    for (size_t i = 0; i < kHistoryCapacity; ++i) {
        DWORD length = GetPrivateProfileStringW(listName_.c_str(), std::to_wstring(i).c_str(), L"", buffer.data(),
                                                static_cast<DWORD>(buffer.size()), location_.c_str());
        if (length == 0) break;
        items_.push_back(Clipped(buffer.substr(0, length)));
    }
    ShowInCombo(false);
}

void ComboboxQueue::InitReg(HWND combo, const wchar_t* listName) {
    Bind(combo, listName, HKEY_CURRENT_USER);
    HKEY opened = nullptr;
    if (RegOpenKeyExW(rootKey_, location_.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return;
    RegKey key(opened);
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key.get(), listName_.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_MULTI_SZ || size == 0)
        return;
    std::string data(size, '\0');
    if (RegQueryValueExW(key.get(), listName_.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
            ERROR_SUCCESS ||
        type != REG_MULTI_SZ)
        return;
    items_ = ParseMultiSz(reinterpret_cast<const BYTE*>(data.data()), std::min<size_t>(size, data.size()));
    ShowInCombo(false);
}

void ComboboxQueue::Push(const std::wstring& text) {
    if (PushHistoryEntry(items_, Clipped(text))) Save();
}

bool ComboboxQueue::Save() {
    bool written = false;
    if (rootKey_) {
        HKEY opened = nullptr;
        if (RegCreateKeyExW(rootKey_, location_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened, nullptr) ==
            ERROR_SUCCESS) {
            RegKey key(opened);
            std::wstring data = BuildMultiSz(items_);
            written = RegSetValueExW(key.get(), listName_.c_str(), 0, REG_MULTI_SZ,
                                     reinterpret_cast<const BYTE*>(data.data()),
                                     static_cast<DWORD>(data.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
        }
    } else {
        written = WritePrivateProfileStringW(listName_.c_str(), nullptr, nullptr, location_.c_str()) != FALSE;
        for (size_t i = 0; i < items_.size() && written; ++i)
            written = WritePrivateProfileStringW(listName_.c_str(), std::to_wstring(i).c_str(),
                                                 QuotedForIni(items_[i]).c_str(), location_.c_str()) != FALSE;
    }
    ShowInCombo(true);
    return written;
}

void ComboboxQueue::Free() {
    items_.clear();
    location_.clear();
    listName_.clear();
    combo_ = nullptr;
    rootKey_ = nullptr;
}

void ComboboxQueue::ShowInCombo(bool select) {
    if (!combo_) return;
    // Clearing the list would also clear the edit field: keep the text the user confirmed.
    std::wstring text(kMaxTextLength + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(combo_, text.data(), kMaxTextLength + 1)));
    SendMessageW(combo_, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SendMessageW(combo_, CB_RESETCONTENT, 0, 0);
    for (const std::wstring& item : items_)
        SendMessageW(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    if (select && !items_.empty()) SendMessageW(combo_, CB_SETCURSEL, 0, 0);
    else SetWindowTextW(combo_, text.c_str());
}
