// The most-recently-used list of an editable combo box, kept in the settings' store (ini section or REG_MULTI_SZ
// value) and shown in the combo box's list.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

inline constexpr size_t kHistoryCapacity = 16;

// Makes `text` the newest entry of `items` (newest first, no duplicates, at most kHistoryCapacity): an older equal
// entry moves to the top, a new one pushes out the oldest. False when the list was already like that.
bool PushHistoryEntry(std::vector<std::wstring>& items, const std::wstring& text);
// The entries of REG_MULTI_SZ data of any size: up to the empty string that ends it, a missing final NUL or the
// capacity; each cut to the store's string limit.
std::vector<std::wstring> ParseMultiSz(const BYTE* data, size_t bytes);
// The REG_MULTI_SZ data of `items`: each followed by a NUL, then one more NUL.
std::wstring BuildMultiSz(const std::vector<std::wstring>& items);

class ComboboxQueue {
public:
    ComboboxQueue() = default;
    ComboboxQueue(const ComboboxQueue&) = delete;
    ComboboxQueue& operator=(const ComboboxQueue&) = delete;

    // Bind to `combo` and load the list named `listName` from the ini file or the registry into the object and the
    // combo box's list. A store that cannot be read gives an empty list.
    void InitIni(HWND combo, const wchar_t* listName);
    void InitReg(HWND combo, const wchar_t* listName);
    // Makes `text` the newest entry; saves when that changed the list.
    void Push(const std::wstring& text);
    // Writes the list to its store (quietly nothing when that fails) and shows it in the combo box.
    bool Save();
    void Free();
    const std::vector<std::wstring>& Items() const { return items_; }

private:
    void Bind(HWND combo, const wchar_t* listName, HKEY rootKey);
    void ShowInCombo(bool select);

    std::vector<std::wstring> items_;
    HKEY rootKey_ = nullptr; // null: the ini file
    std::wstring location_;
    std::wstring listName_;
    HWND combo_ = nullptr;
};
